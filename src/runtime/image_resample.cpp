#include "runtime/image_resample.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

// Catmull-Rom: sharp lines stay sharp, with the slightest overshoot, which clamping removes.
float catmullRom(float t)
{
    t = std::fabs(t);
    if (t < 1.0f)
        return (1.5f * t - 2.5f) * t * t + 1.0f;
    if (t < 2.0f)
        return ((-0.5f * t + 2.5f) * t - 4.0f) * t + 2.0f;
    return 0.0f;
}

// For each output texel along one axis: the first source texel it reads and the weights of the
// texels from there, the edge texel repeated beyond the image as a clamped texture repeats it.
struct Taps {
    std::vector<unsigned> first;
    unsigned count = 0;
    std::vector<float> weights;  // count per output texel
};

Taps tapsFor(unsigned from, unsigned to)
{
    const float reduction = std::max(1.0f, float(from) / float(to));
    const float reach = 2.0f * reduction;
    Taps taps;
    taps.count = unsigned(std::ceil(2.0f * reach)) + 1;
    taps.first.resize(to);
    taps.weights.assign(std::size_t(to) * taps.count, 0.0f);
    for (unsigned i = 0; i < to; ++i) {
        const float centre = (float(i) + 0.5f) * float(from) / float(to) - 0.5f;
        const int start = int(std::floor(centre - reach)) + 1;
        const int first = std::clamp(start, 0, int(from) - 1);
        taps.first[i] = unsigned(first);
        float* weights = &taps.weights[std::size_t(i) * taps.count];
        float sum = 0.0f;
        for (unsigned k = 0; k < taps.count; ++k) {
            const int source = start + int(k);
            const float weight = catmullRom((float(source) - centre) / reduction);
            const int clamped = std::clamp(source, 0, int(from) - 1);
            weights[unsigned(std::min(clamped - first, int(taps.count) - 1))] += weight;
            sum += weight;
        }
        for (unsigned k = 0; k < taps.count; ++k)
            weights[k] /= sum;
    }
    return taps;
}

}  // namespace

sf::Image resampledImage(const sf::Image& image, sf::Vector2u size)
{
    const sf::Vector2u from = image.getSize();
    sf::Image result;
    if (from.x == 0 || from.y == 0 || size.x == 0 || size.y == 0)
        return result;
    const Taps across = tapsFor(from.x, size.x);
    const Taps down = tapsFor(from.y, size.y);

    // Across first, into premultiplied floats, one source row at a time.
    const std::uint8_t* texels = image.getPixelsPtr();
    std::vector<float> premultiplied(std::size_t(from.x) * 4);
    std::vector<float> narrowed(std::size_t(size.x) * from.y * 4);
    for (unsigned y = 0; y < from.y; ++y) {
        const std::uint8_t* row = texels + std::size_t(y) * from.x * 4;
        for (unsigned x = 0; x < from.x; ++x) {
            const float alpha = float(row[x * 4 + 3]) / 255.0f;
            for (unsigned c = 0; c < 3; ++c)
                premultiplied[x * 4 + c] = float(row[x * 4 + c]) * alpha;
            premultiplied[x * 4 + 3] = float(row[x * 4 + 3]);
        }
        float* out = &narrowed[std::size_t(y) * size.x * 4];
        for (unsigned x = 0; x < size.x; ++x) {
            const float* weights = &across.weights[std::size_t(x) * across.count];
            const unsigned last = std::min(across.count, from.x - across.first[x]);
            float sum[4] = {0.0f, 0.0f, 0.0f, 0.0f};
            for (unsigned k = 0; k < last; ++k) {
                const float* texel = &premultiplied[std::size_t(across.first[x] + k) * 4];
                for (unsigned c = 0; c < 4; ++c)
                    sum[c] += weights[k] * texel[c];
            }
            for (unsigned c = 0; c < 4; ++c)
                out[x * 4 + c] = sum[c];
        }
    }

    // Then down, a whole output row at a time, back to straight alpha in bytes.
    std::vector<std::uint8_t> bytes(std::size_t(size.x) * size.y * 4);
    std::vector<float> sum(std::size_t(size.x) * 4);
    for (unsigned y = 0; y < size.y; ++y) {
        std::fill(sum.begin(), sum.end(), 0.0f);
        const float* weights = &down.weights[std::size_t(y) * down.count];
        const unsigned last = std::min(down.count, from.y - down.first[y]);
        for (unsigned k = 0; k < last; ++k) {
            const float* row = &narrowed[std::size_t(down.first[y] + k) * size.x * 4];
            for (std::size_t i = 0; i < sum.size(); ++i)
                sum[i] += weights[k] * row[i];
        }
        std::uint8_t* out = &bytes[std::size_t(y) * size.x * 4];
        for (unsigned x = 0; x < size.x; ++x) {
            const float alpha = std::clamp(sum[x * 4 + 3], 0.0f, 255.0f);
            for (unsigned c = 0; c < 3; ++c) {
                const float straight = alpha > 0.0f ? sum[x * 4 + c] * 255.0f / alpha : 0.0f;
                out[x * 4 + c] = std::uint8_t(std::lround(std::clamp(straight, 0.0f, 255.0f)));
            }
            out[x * 4 + 3] = std::uint8_t(std::lround(alpha));
        }
    }
    result.create(size.x, size.y, bytes.data());
    return result;
}
