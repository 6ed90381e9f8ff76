#include "image_canvas.h"

#include <libdeflate.h>

#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

const float pi = 3.14159265f;

// libdeflate's level 10 packs our pictures smaller than zlib's strongest, in a quarter of its time.
const int pngCompressionLevel = 10;

uint32_t mixBits(uint32_t v)
{
    v ^= v >> 16;
    v *= 0x7feb352dU;
    v ^= v >> 15;
    v *= 0x846ca68bU;
    v ^= v >> 16;
    return v;
}

// Soft shoulder: exact below 0.85, then eases towards 1 instead of clipping.
float softClip(float v)
{
    if (v <= 0.85f)
        return std::max(v, 0.0f);
    return 0.85f + 0.15f * (1.0f - std::exp(-(v - 0.85f) / 0.15f));
}

uint8_t quantise(float v, float dither)
{
    return static_cast<uint8_t>(std::min(255.0f, std::max(0.0f, std::floor(v * 255.0f + dither))));
}

}  // namespace

Vec2 rotated(Vec2 p, float radians)
{
    const float c = std::cos(radians);
    const float s = std::sin(radians);
    return {p.x * c - p.y * s, p.x * s + p.y * c};
}

Colour mix(Colour a, Colour b, float t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Canvas makeCanvas(int width, int height)
{
    Canvas canvas;
    canvas.density = paintDensity;
    canvas.width = width * paintDensity;
    canvas.height = height * paintDensity;
    canvas.pixels.assign(static_cast<size_t>(canvas.width) * canvas.height, Pixel{});
    return canvas;
}

Canvas makeFilledCanvas(int width, int height, Colour colour)
{
    Canvas canvas = makeCanvas(width, height);
    for (Pixel& p : canvas.pixels)
        p = {colour.r, colour.g, colour.b, 1.0f};
    return canvas;
}

namespace {

// The design-space position of texel i at the given density, as shadeCanvas hands it out.
float designPosition(int i, int density)
{
    return density == 1 ? static_cast<float>(i) : (i + 0.5f) / static_cast<float>(density) - 0.5f;
}

}  // namespace

void shadeRect(Canvas& canvas, float left, float top, float right, float bottom, const Shader& shade)
{
    const float k = static_cast<float>(canvas.density);
    const int x0 = std::max(static_cast<int>(std::floor(left * k)), 0);
    const int y0 = std::max(static_cast<int>(std::floor(top * k)), 0);
    const int x1 = std::min(static_cast<int>(std::ceil(right * k)), canvas.width);
    const int y1 = std::min(static_cast<int>(std::ceil(bottom * k)), canvas.height);
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            shade(designPosition(x, canvas.density), designPosition(y, canvas.density), canvas.at(x, y));
}

void shadeCanvas(Canvas& canvas, const Shader& shade)
{
    const int threadCount = 2;
    std::vector<std::thread> threads;
    for (int t = 0; t < threadCount; ++t) {
        threads.emplace_back([&canvas, &shade, t] {
            for (int y = t; y < canvas.height; y += threadCount)
                for (int x = 0; x < canvas.width; ++x)
                    shade(designPosition(x, canvas.density), designPosition(y, canvas.density), canvas.at(x, y));
        });
    }
    for (std::thread& thread : threads)
        thread.join();
}

float hexagonDistance(Vec2 p, float apothem)
{
    const float kx = -0.866025404f;
    const float ky = 0.5f;
    const float kz = 0.577350269f;
    p = {std::fabs(p.x), std::fabs(p.y)};
    const float fold = 2.0f * std::min(kx * p.x + ky * p.y, 0.0f);
    p = {p.x - fold * kx, p.y - fold * ky};
    p = {p.x - std::min(std::max(p.x, -kz * apothem), kz * apothem), p.y - apothem};
    return length(p) * (p.y < 0.0f ? -1.0f : 1.0f);
}

float circleDistance(Vec2 p, float radius) { return length(p) - radius; }

float segmentDistance(Vec2 p, Vec2 a, Vec2 b)
{
    const Vec2 pa = p - a;
    const Vec2 ba = b - a;
    const float h = clamp01(dot(pa, ba) / std::max(dot(ba, ba), 1e-6f));
    return length(pa - ba * h);
}

float boxDistance(Vec2 p, Vec2 halfSize, float cornerRadius)
{
    const Vec2 q{std::fabs(p.x) - halfSize.x + cornerRadius, std::fabs(p.y) - halfSize.y + cornerRadius};
    const Vec2 outside{std::max(q.x, 0.0f), std::max(q.y, 0.0f)};
    return length(outside) + std::min(std::max(q.x, q.y), 0.0f) - cornerRadius;
}

float triangleDistance(Vec2 p, Vec2 a, Vec2 b, Vec2 c)
{
    const Vec2 e0 = b - a, e1 = c - b, e2 = a - c;
    const Vec2 v0 = p - a, v1 = p - b, v2 = p - c;
    const Vec2 pq0 = v0 - e0 * clamp01(dot(v0, e0) / dot(e0, e0));
    const Vec2 pq1 = v1 - e1 * clamp01(dot(v1, e1) / dot(e1, e1));
    const Vec2 pq2 = v2 - e2 * clamp01(dot(v2, e2) / dot(e2, e2));
    const float s = (e0.x * e2.y - e0.y * e2.x) < 0.0f ? -1.0f : 1.0f;
    const float d = std::min(std::min(dot(pq0, pq0), dot(pq1, pq1)), dot(pq2, pq2));
    const float side = std::min(std::min(s * (v0.x * e0.y - v0.y * e0.x), s * (v1.x * e1.y - v1.y * e1.x)),
                                s * (v2.x * e2.y - v2.y * e2.x));
    return -std::sqrt(d) * (side < 0.0f ? -1.0f : 1.0f);
}

uint64_t nextRandom(Rng& rng)
{
    uint64_t z = (rng.state += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

float uniform(Rng& rng, float low, float high)
{
    const float unit = static_cast<float>(nextRandom(rng) >> 40) / static_cast<float>(1ULL << 24);
    return low + (high - low) * unit;
}

float hash2(int x, int y, uint32_t seed)
{
    const uint32_t h = mixBits(static_cast<uint32_t>(x) * 0x8da6b343U ^ mixBits(static_cast<uint32_t>(y) * 0xd8163841U ^ seed));
    return static_cast<float>(h >> 8) / static_cast<float>(1U << 24);
}

float valueNoise(float x, float y, uint32_t seed)
{
    const float fx = std::floor(x);
    const float fy = std::floor(y);
    const int ix = static_cast<int>(fx);
    const int iy = static_cast<int>(fy);
    float tx = x - fx;
    float ty = y - fy;
    tx = tx * tx * (3.0f - 2.0f * tx);
    ty = ty * ty * (3.0f - 2.0f * ty);
    const float a = hash2(ix, iy, seed);
    const float b = hash2(ix + 1, iy, seed);
    const float c = hash2(ix, iy + 1, seed);
    const float d = hash2(ix + 1, iy + 1, seed);
    return (a + (b - a) * tx) + ((c + (d - c) * tx) - (a + (b - a) * tx)) * ty;
}

float fbm(float x, float y, int octaves, uint32_t seed)
{
    float sum = 0.0f;
    float amplitude = 0.5f;
    float total = 0.0f;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * valueNoise(x, y, seed + static_cast<uint32_t>(i) * 101U);
        total += amplitude;
        // Turn each octave a little so the lattice never lines up.
        const float nx = x * 1.6f - y * 1.2f + 17.3f;
        y = x * 1.2f + y * 1.6f + 5.1f;
        x = nx;
        amplitude *= 0.5f;
    }
    return sum / total;
}

void addGlowSpot(Canvas& canvas, Vec2 centre, float sigma, Colour colour, float intensity)
{
    const float reach = sigma * 4.0f;
    shadeRect(canvas, centre.x - reach, centre.y - reach, centre.x + reach + 2.0f, centre.y + reach + 2.0f,
              [&](float x, float y, Pixel& p) {
                  const Vec2 d = Vec2{x + 0.5f, y + 0.5f} - centre;
                  addLight(p, colour, intensity * std::exp(-dot(d, d) / (2.0f * sigma * sigma)));
              });
}

void addGlint(Canvas& canvas, Vec2 centre, float size, float rayLength, Colour colour, float intensity,
              int rayCount, float firstAngle)
{
    const float reach = std::max(rayLength, size * 4.0f);
    const float rayWidth = std::max(0.55f, size * 0.3f);
    std::vector<Vec2> directions;
    for (int i = 0; i < rayCount; ++i) {
        const float angle = firstAngle + pi * static_cast<float>(i) / static_cast<float>(rayCount);
        directions.push_back({std::cos(angle), std::sin(angle)});
    }
    shadeRect(canvas, centre.x - reach, centre.y - reach, centre.x + reach + 2.0f, centre.y + reach + 2.0f,
              [&](float x, float y, Pixel& p) {
                  const Vec2 d = Vec2{x + 0.5f, y + 0.5f} - centre;
                  float light = std::exp(-dot(d, d) / (2.0f * size * size));
                  for (const Vec2& direction : directions) {
                      const float along = std::fabs(dot(d, direction));
                      const float across = std::fabs(d.x * direction.y - d.y * direction.x);
                      const float fade = std::max(0.0f, 1.0f - along / rayLength);
                      light += 0.8f * fade * fade * fade * std::exp(-across * across / (2.0f * rayWidth * rayWidth));
                  }
                  addLight(p, colour, intensity * light);
              });
}

void addStars(Canvas& canvas, Rng& rng, int count, float left, float top, float right, float bottom,
              float brightness, const std::function<float(float, float)>& density)
{
    const Colour tints[] = {palette::coldWhite, palette::ice, palette::lilac, {1.0f, 1.0f, 1.0f}};
    for (int i = 0; i < count; ++i) {
        const Vec2 position{uniform(rng, left, right), uniform(rng, top, bottom)};
        const float keep = uniform(rng, 0.0f, 1.0f);
        const float magnitude = std::pow(uniform(rng, 0.0f, 1.0f), 5.0f);
        const Colour tint = tints[nextRandom(rng) % 4];
        const float twist = uniform(rng, 0.0f, pi);
        if (keep > density(position.x, position.y))
            continue;
        const float sigma = 0.45f + 0.8f * magnitude;
        const float intensity = brightness * (0.2f + 1.4f * magnitude);
        addGlowSpot(canvas, position, sigma, tint, intensity);
        if (magnitude > 0.8f)
            addGlint(canvas, position, sigma, 5.0f + 12.0f * magnitude, tint, intensity * 0.35f, 2,
                     twist * 0.1f);
    }
}

float borderFade(float width, float height, float x, float y, float margin)
{
    const float edge = std::min(std::min(x + 0.5f, width - x - 0.5f), std::min(y + 0.5f, height - y - 0.5f));
    return smoothstep(0.0f, margin, edge);
}

void fadeBorders(Canvas& canvas, float margin)
{
    const float k = static_cast<float>(canvas.density);
    shadeCanvas(canvas, [&](float x, float y, Pixel& p) {
        const float keep = borderFade(canvas.width / k, canvas.height / k, x, y, margin);
        p = {p.r * keep, p.g * keep, p.b * keep, p.a * keep};
    });
}

std::vector<float> blurMask(const std::vector<float>& mask, int width, int height, float sigma)
{
    const int radius = static_cast<int>(std::ceil(sigma * 3.0f));
    std::vector<float> kernel(static_cast<size_t>(radius) * 2 + 1);
    float total = 0.0f;
    for (int i = -radius; i <= radius; ++i) {
        kernel[i + radius] = std::exp(-static_cast<float>(i * i) / (2.0f * sigma * sigma));
        total += kernel[i + radius];
    }
    for (float& k : kernel)
        k /= total;
    std::vector<float> across(mask.size(), 0.0f);
    std::vector<float> result(mask.size(), 0.0f);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            float sum = 0.0f;
            for (int i = std::max(-radius, -x); i <= std::min(radius, width - 1 - x); ++i)
                sum += mask[static_cast<size_t>(y) * width + x + i] * kernel[i + radius];
            across[static_cast<size_t>(y) * width + x] = sum;
        }
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            float sum = 0.0f;
            for (int i = std::max(-radius, -y); i <= std::min(radius, height - 1 - y); ++i)
                sum += across[static_cast<size_t>(y + i) * width + x] * kernel[i + radius];
            result[static_cast<size_t>(y) * width + x] = sum;
        }
    return result;
}

namespace {

// One level of the pull-push pyramid: per texel or block, the colour sums weighted by alpha
// and the weight, then, once pushed, the mean colour that a clear block takes.
struct Level {
    int width = 0;
    int height = 0;
    std::vector<float> sums;  // r, g, b weighted by alpha, then the weight
    std::vector<float> mean;  // r, g, b
};

Level coarser(const Level& fine)
{
    Level coarse{(fine.width + 1) / 2, (fine.height + 1) / 2, {}, {}};
    coarse.sums.assign(static_cast<size_t>(coarse.width) * coarse.height * 4, 0.0f);
    for (int y = 0; y < fine.height; ++y)
        for (int x = 0; x < fine.width; ++x)
            for (int c = 0; c < 4; ++c)
                coarse.sums[(static_cast<size_t>(y / 2) * coarse.width + x / 2) * 4 + c] +=
                    fine.sums[(static_cast<size_t>(y) * fine.width + x) * 4 + c];
    return coarse;
}

// Mean colours of a level: its own where it has weight, else its parent's (none for the top).
void pushMeans(Level& level, const Level* parent)
{
    level.mean.assign(static_cast<size_t>(level.width) * level.height * 3, 0.0f);
    for (int y = 0; y < level.height; ++y)
        for (int x = 0; x < level.width; ++x) {
            const size_t i = static_cast<size_t>(y) * level.width + x;
            const float weight = level.sums[i * 4 + 3];
            const size_t up = parent ? static_cast<size_t>(y / 2) * parent->width + x / 2 : 0;
            for (int c = 0; c < 3; ++c)
                level.mean[i * 3 + c] = weight > 0.0f ? level.sums[i * 4 + c] / weight : parent ? parent->mean[up * 3 + c] : 0.0f;
        }
}

}  // namespace

void bleedIntoClear(std::vector<uint8_t>& rgba, int width, int height)
{
    // A clear texel beside visible ones takes the alpha-weighted mean of those neighbours, which
    // is what the linear filter blends it with; every other clear texel takes the mean of the
    // smallest block around it that holds any alpha (a pull-push pyramid of 2x2 blocks).
    std::vector<Level> pyramid(1);
    pyramid[0] = {width, height, std::vector<float>(static_cast<size_t>(width) * height * 4), {}};
    for (size_t i = 0; i < pyramid[0].sums.size() / 4; ++i) {
        const float weight = rgba[i * 4 + 3];
        for (int c = 0; c < 3; ++c)
            pyramid[0].sums[i * 4 + c] = rgba[i * 4 + c] * weight;
        pyramid[0].sums[i * 4 + 3] = weight;
    }
    while (pyramid.back().width > 1 || pyramid.back().height > 1)
        pyramid.push_back(coarser(pyramid.back()));
    for (size_t level = pyramid.size(); level-- > 0;)
        pushMeans(pyramid[level], level + 1 < pyramid.size() ? &pyramid[level + 1] : nullptr);

    const std::vector<float>& texel = pyramid[0].sums;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const size_t i = static_cast<size_t>(y) * width + x;
            if (rgba[i * 4 + 3] != 0)
                continue;
            float sum[4] = {0.0f, 0.0f, 0.0f, 0.0f};
            for (int ny = std::max(y - 1, 0); ny <= std::min(y + 1, height - 1); ++ny)
                for (int nx = std::max(x - 1, 0); nx <= std::min(x + 1, width - 1); ++nx)
                    for (int c = 0; c < 4; ++c)
                        sum[c] += texel[(static_cast<size_t>(ny) * width + nx) * 4 + c];
            for (int c = 0; c < 3; ++c) {
                const float colour = sum[3] > 0.0f ? sum[c] / sum[3] : pyramid[0].mean[i * 3 + c];
                rgba[i * 4 + c] = static_cast<uint8_t>(std::min(255.0f, std::round(colour)));
            }
        }
}

sf::Image finishCanvas(const Canvas& canvas, bool opaque, uint32_t ditherSeed, bool compressLight)
{
    std::vector<uint8_t> bytes(static_cast<size_t>(canvas.width) * canvas.height * 4);
    for (int y = 0; y < canvas.height; ++y)
        for (int x = 0; x < canvas.width; ++x) {
            const Pixel& p = canvas.at(x, y);
            float r = std::max(p.r, 0.0f);
            float g = std::max(p.g, 0.0f);
            float b = std::max(p.b, 0.0f);
            const float brightest = std::max(r, std::max(g, b));
            if (compressLight && brightest > 1.0f) {
                // Over-bright light turns white, as a hot core does.
                const float spill = (brightest - 1.0f) * 0.6f;
                r += spill;
                g += spill;
                b += spill;
            }
            if (compressLight) {
                r = softClip(r);
                g = softClip(g);
                b = softClip(b);
            }
            float a = opaque ? 1.0f : clamp01(std::max(p.a, std::max(r, std::max(g, b))));
            uint8_t* out = &bytes[(static_cast<size_t>(y) * canvas.width + x) * 4];
            // Light below 2/255 hardly shows, yet a single such texel keeps a whole cell of the
            // image in every draw; it is left out exactly.
            if (a * 255.0f < 2.0f) {
                out[0] = out[1] = out[2] = out[3] = 0;
                continue;
            }
            const float dither = hash2(x, y, ditherSeed);
            out[0] = quantise(std::min(r / a, 1.0f), dither);
            out[1] = quantise(std::min(g / a, 1.0f), hash2(x, y, ditherSeed + 1));
            out[2] = quantise(std::min(b / a, 1.0f), hash2(x, y, ditherSeed + 2));
            out[3] = opaque ? 255 : std::max<uint8_t>(1, quantise(a, hash2(x, y, ditherSeed + 3)));
        }
    if (!opaque)
        bleedIntoClear(bytes, canvas.width, canvas.height);
    sf::Image image;
    image.create(static_cast<unsigned>(canvas.width), static_cast<unsigned>(canvas.height), bytes.data());
    return image;
}

namespace {

int paethPredictor(int left, int up, int upLeft)
{
    const int estimate = left + up - upLeft;
    const int toLeft = std::abs(estimate - left);
    const int toUp = std::abs(estimate - up);
    const int toUpLeft = std::abs(estimate - upLeft);
    if (toLeft <= toUp && toLeft <= toUpLeft)
        return left;
    return toUp <= toUpLeft ? up : upLeft;
}

// Each row with the PNG filter whose output has the smallest sum of magnitudes, libpng's own rule
// for picking one, each filtered row led by its filter's number.
std::vector<unsigned char> filterRows(const unsigned char* pixels, size_t rowBytes, size_t rows)
{
    std::vector<unsigned char> filtered((rowBytes + 1) * rows);
    std::vector<unsigned char> zeros(rowBytes, 0);
    std::vector<unsigned char> trial(rowBytes);
    for (size_t y = 0; y < rows; ++y) {
        const unsigned char* row = pixels + y * rowBytes;
        const unsigned char* above = y > 0 ? row - rowBytes : zeros.data();
        unsigned char* out = &filtered[y * (rowBytes + 1)];
        long bestSum = -1;
        for (int filter = 0; filter < 5; ++filter) {
            long sum = 0;
            for (size_t i = 0; i < rowBytes; ++i) {
                const int left = i >= 4 ? row[i - 4] : 0;
                const int upLeft = i >= 4 ? above[i - 4] : 0;
                const int predicted = filter == 1   ? left
                                      : filter == 2 ? above[i]
                                      : filter == 3 ? (left + above[i]) / 2
                                      : filter == 4 ? paethPredictor(left, above[i], upLeft)
                                                    : 0;
                trial[i] = static_cast<unsigned char>(row[i] - predicted);
                sum += trial[i] < 128 ? trial[i] : 256 - trial[i];
            }
            if (bestSum < 0 || sum < bestSum) {
                bestSum = sum;
                out[0] = static_cast<unsigned char>(filter);
                std::copy(trial.begin(), trial.end(), out + 1);
            }
        }
    }
    return filtered;
}

void appendBigEndian(std::vector<unsigned char>& bytes, uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        bytes.push_back(static_cast<unsigned char>(value >> shift));
}

void appendChunk(std::vector<unsigned char>& file, const char* type, const std::vector<unsigned char>& data)
{
    appendBigEndian(file, static_cast<uint32_t>(data.size()));
    const size_t typeAt = file.size();
    file.insert(file.end(), type, type + 4);
    file.insert(file.end(), data.begin(), data.end());
    appendBigEndian(file, libdeflate_crc32(0, &file[typeAt], file.size() - typeAt));
}

}  // namespace

bool savePng(const sf::Image& image, const std::string& path)
{
    const sf::Vector2u size = image.getSize();
    const std::vector<unsigned char> filtered = filterRows(image.getPixelsPtr(), size_t(size.x) * 4, size.y);
    libdeflate_compressor* deflater = libdeflate_alloc_compressor(pngCompressionLevel);
    if (!deflater)
        return false;
    std::vector<unsigned char> compressed(libdeflate_zlib_compress_bound(deflater, filtered.size()));
    compressed.resize(libdeflate_zlib_compress(deflater, filtered.data(), filtered.size(), compressed.data(), compressed.size()));
    libdeflate_free_compressor(deflater);
    if (compressed.empty())
        return false;

    std::vector<unsigned char> header;
    appendBigEndian(header, size.x);
    appendBigEndian(header, size.y);
    header.insert(header.end(), {8, 6, 0, 0, 0});  // 8-bit RGBA, deflate, adaptive filters, not interlaced
    std::vector<unsigned char> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    appendChunk(file, "IHDR", header);
    appendChunk(file, "IDAT", compressed);
    appendChunk(file, "IEND", {});

    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out)
        return false;
    const bool written = std::fwrite(file.data(), 1, file.size(), out) == file.size();
    return std::fclose(out) == 0 && written;
}
