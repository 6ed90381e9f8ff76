// The soundtrack's effect returns (ping-pong delay, hall reverb) and mastering measures
// (integrated loudness, true peak, look-ahead limiter).
#include "music_dsp.h"

#include <algorithm>
#include <array>
#include <deque>

const std::array<float, sineTableSize + 1> sineTable = [] {
    std::array<float, sineTableSize + 1> table{};
    for (int i = 0; i <= sineTableSize; ++i)
        table[size_t(i)] = float(std::sin(twoPi * i / sineTableSize));
    return table;
}();

StereoBuffer makeStereoBuffer(int frames)
{
    StereoBuffer buffer;
    buffer.left.assign(size_t(frames), 0.0f);
    buffer.right.assign(size_t(frames), 0.0f);
    return buffer;
}

namespace {

float onePoleCoefficient(float cutoffHz) { return 1.0f - std::exp(-float(twoPi) * cutoffHz / sampleRate); }

struct CombFilter {
    std::vector<float> line;
    size_t index = 0;
    float store = 0.0f;
};

struct AllpassFilter {
    std::vector<float> line;
    size_t index = 0;
};

float stepComb(CombFilter& comb, float input, float feedback, float damping)
{
    const float output = comb.line[comb.index];
    comb.store = output * (1.0f - damping) + comb.store * damping;
    comb.line[comb.index] = input + comb.store * feedback;
    if (++comb.index == comb.line.size())
        comb.index = 0;
    return output;
}

float stepAllpass(AllpassFilter& allpass, float input)
{
    const float delayed = allpass.line[allpass.index];
    allpass.line[allpass.index] = input + delayed * 0.5f;
    if (++allpass.index == allpass.line.size())
        allpass.index = 0;
    return delayed - input;
}

// Comb and allpass lengths of a classic Schroeder–Moorer hall; the right side is offset for width.
constexpr std::array<int, 8> combLengths = {1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617};
constexpr std::array<int, 4> allpassLengths = {556, 441, 341, 225};
constexpr int stereoSpread = 23;

struct ReverbChannel {
    std::array<CombFilter, 8> combs;
    std::array<AllpassFilter, 4> allpasses;
};

ReverbChannel makeReverbChannel(int spread)
{
    ReverbChannel channel;
    for (size_t i = 0; i < combLengths.size(); ++i)
        channel.combs[i].line.assign(size_t(combLengths[i] + spread), 0.0f);
    for (size_t i = 0; i < allpassLengths.size(); ++i)
        channel.allpasses[i].line.assign(size_t(allpassLengths[i] + spread), 0.0f);
    return channel;
}

float stepReverbChannel(ReverbChannel& channel, float input, float feedback, float damping)
{
    float sum = 0.0f;
    for (CombFilter& comb : channel.combs)
        sum += stepComb(comb, input, feedback, damping);
    for (AllpassFilter& allpass : channel.allpasses)
        sum = stepAllpass(allpass, sum);
    return sum;
}

struct Biquad {
    double b0, b1, b2, a1, a2;
    double z1 = 0.0;
    double z2 = 0.0;
};

double stepBiquad(Biquad& f, double x)
{
    const double y = f.b0 * x + f.z1;
    f.z1 = f.b1 * x - f.a1 * y + f.z2;
    f.z2 = f.b2 * x - f.a2 * y;
    return y;
}

// The two K-weighting stages (a high shelf for the head, a high pass for the low end), designed
// for the sample rate from their analogue prototypes.
std::array<Biquad, 2> kWeighting()
{
    double f0 = 1681.974450955533;
    double gainDb = 3.999843853973347;
    double q = 0.7071752369554196;
    double k = std::tan(3.141592653589793 * f0 / sampleRate);
    const double vh = std::pow(10.0, gainDb / 20.0);
    const double vb = std::pow(vh, 0.4996667741545416);
    double a0 = 1.0 + k / q + k * k;
    Biquad shelf{(vh + vb * k / q + k * k) / a0, 2.0 * (k * k - vh) / a0, (vh - vb * k / q + k * k) / a0,
                 2.0 * (k * k - 1.0) / a0, (1.0 - k / q + k * k) / a0};
    f0 = 38.13547087602444;
    q = 0.5003270373238773;
    k = std::tan(3.141592653589793 * f0 / sampleRate);
    a0 = 1.0 + k / q + k * k;
    Biquad highPass{1.0, -2.0, 1.0, 2.0 * (k * k - 1.0) / a0, (1.0 - k / q + k * k) / a0};
    return {shelf, highPass};
}

constexpr int oversampling = 4;
constexpr int interpolationTaps = 16;

// Windowed-sinc taps for the three points between two samples.
std::array<std::array<float, interpolationTaps>, oversampling - 1> interpolationKernel()
{
    std::array<std::array<float, interpolationTaps>, oversampling - 1> kernel{};
    const int half = interpolationTaps / 2;
    for (int p = 1; p < oversampling; ++p) {
        const double fraction = double(p) / oversampling;
        for (int j = 0; j < interpolationTaps; ++j) {
            const double x = fraction - double(j - half + 1);
            const double sinc = std::sin(3.141592653589793 * x) / (3.141592653589793 * x);
            const double window = 0.5 + 0.5 * std::cos(3.141592653589793 * x / half);
            kernel[size_t(p - 1)][size_t(j)] = float(sinc * window);
        }
    }
    return kernel;
}

// Per sample, the largest magnitude of either channel at the sample and on the way to the next one.
std::vector<float> oversampledPeaks(const StereoBuffer& audio)
{
    const auto kernel = interpolationKernel();
    const int frames = int(audio.left.size());
    const int half = interpolationTaps / 2;
    std::vector<float> peaks(size_t(frames), 0.0f);
    for (const std::vector<float>* channel : {&audio.left, &audio.right}) {
        const std::vector<float>& x = *channel;
        for (int n = 0; n < frames; ++n) {
            float peak = std::fabs(x[size_t(n)]);
            if (n >= half - 1 && n + half < frames) {
                const float* base = &x[size_t(n - half + 1)];
                for (const auto& taps : kernel) {
                    float sum = 0.0f;
                    for (int j = 0; j < interpolationTaps; ++j)
                        sum += base[j] * taps[size_t(j)];
                    peak = std::max(peak, std::fabs(sum));
                }
            }
            peaks[size_t(n)] = std::max(peaks[size_t(n)], peak);
            if (n + 1 < frames)
                peaks[size_t(n + 1)] = std::max(peaks[size_t(n + 1)], peak);
        }
    }
    return peaks;
}

} // namespace

void addPingPongDelay(const StereoBuffer& send, StereoBuffer& out, int delaySamples, float feedback,
                      float dampingHz)
{
    std::vector<float> lineLeft(size_t(delaySamples), 0.0f);
    std::vector<float> lineRight(size_t(delaySamples), 0.0f);
    const float lowCut = onePoleCoefficient(180.0f);
    const float highCut = onePoleCoefficient(dampingHz);
    float lowState = 0.0f;
    float dampLeft = 0.0f;
    float dampRight = 0.0f;
    size_t index = 0;
    for (size_t n = 0; n < send.left.size(); ++n) {
        const float mono = 0.5f * (send.left[n] + send.right[n]);
        lowState += lowCut * (mono - lowState);
        const float echoLeft = lineLeft[index];
        const float echoRight = lineRight[index];
        out.left[n] += echoLeft;
        out.right[n] += echoRight;
        dampLeft += highCut * (echoLeft - dampLeft);
        dampRight += highCut * (echoRight - dampRight);
        lineLeft[index] = (mono - lowState) + feedback * dampRight;
        lineRight[index] = feedback * dampLeft;
        if (++index == lineLeft.size())
            index = 0;
    }
}

void addReverb(const StereoBuffer& send, StereoBuffer& out, float roomSize, float damping, int preDelaySamples)
{
    ReverbChannel left = makeReverbChannel(0);
    ReverbChannel right = makeReverbChannel(stereoSpread);
    const float lowCut = onePoleCoefficient(220.0f);
    float lowLeft = 0.0f;
    float lowRight = 0.0f;
    // The combs sum eight paths at high feedback, so their input is scaled well down.
    const float inputGain = 0.03f;
    const size_t frames = send.left.size();
    for (size_t n = 0; n + size_t(preDelaySamples) < frames; ++n) {
        lowLeft += lowCut * (send.left[n] - lowLeft);
        lowRight += lowCut * (send.right[n] - lowRight);
        const float inLeft = (send.left[n] - lowLeft) * inputGain;
        const float inRight = (send.right[n] - lowRight) * inputGain;
        const float wetLeft = stepReverbChannel(left, inLeft, roomSize, damping);
        const float wetRight = stepReverbChannel(right, inRight, roomSize, damping);
        out.left[n + size_t(preDelaySamples)] += wetLeft;
        out.right[n + size_t(preDelaySamples)] += wetRight;
    }
}

double integratedLoudness(const StereoBuffer& audio)
{
    const int frames = int(audio.left.size());
    const int step = sampleRate / 10;
    std::vector<double> stepPower;
    for (const std::vector<float>* channel : {&audio.left, &audio.right}) {
        auto filters = kWeighting();
        std::vector<double> sums(size_t(frames / step), 0.0);
        for (int n = 0; n < int(sums.size()) * step; ++n) {
            const double y = stepBiquad(filters[1], stepBiquad(filters[0], (*channel)[size_t(n)]));
            sums[size_t(n / step)] += y * y;
        }
        if (stepPower.empty())
            stepPower = sums;
        else
            for (size_t i = 0; i < sums.size(); ++i)
                stepPower[i] += sums[i];
    }
    // Each 400 ms block is four 100 ms steps.
    std::vector<double> blocks;
    for (size_t i = 0; i + 4 <= stepPower.size(); ++i)
        blocks.push_back((stepPower[i] + stepPower[i + 1] + stepPower[i + 2] + stepPower[i + 3]) / (4.0 * step));
    const auto loudness = [](double power) { return -0.691 + 10.0 * std::log10(power); };
    const auto gatedMean = [&](double threshold) {
        double sum = 0.0;
        int count = 0;
        for (double power : blocks)
            if (power > 0.0 && loudness(power) > threshold) {
                sum += power;
                ++count;
            }
        return count ? sum / count : 0.0;
    };
    const double absoluteMean = gatedMean(-70.0);
    if (absoluteMean <= 0.0)
        return -200.0;
    const double relativeMean = gatedMean(loudness(absoluteMean) - 10.0);
    return loudness(relativeMean);
}

float truePeak(const StereoBuffer& audio)
{
    const std::vector<float> peaks = oversampledPeaks(audio);
    return peaks.empty() ? 0.0f : *std::max_element(peaks.begin(), peaks.end());
}

void gainAndLimit(StereoBuffer& audio, float gain, float ceiling)
{
    for (size_t n = 0; n < audio.left.size(); ++n) {
        audio.left[n] *= gain;
        audio.right[n] *= gain;
    }
    const std::vector<float> peaks = oversampledPeaks(audio);
    const int frames = int(peaks.size());
    if (frames == 0)
        return;
    std::vector<float> required(static_cast<size_t>(frames));
    for (int n = 0; n < frames; ++n)
        required[size_t(n)] = peaks[size_t(n)] > ceiling ? ceiling / peaks[size_t(n)] : 1.0f;

    // The gain at n must stay under every requirement of the next `lookAhead` samples; a running
    // minimum of that window, averaged over the same length, ramps down smoothly and still meets
    // each requirement on time.
    const int lookAhead = 256;
    std::vector<float> windowMin(static_cast<size_t>(frames));
    std::deque<int> candidates;
    for (int n = frames - 1; n >= 0; --n) {
        while (!candidates.empty() && required[size_t(candidates.back())] >= required[size_t(n)])
            candidates.pop_back();
        candidates.push_back(n);
        while (candidates.front() > n + lookAhead - 1)
            candidates.pop_front();
        windowMin[size_t(n)] = required[size_t(candidates.front())];
    }
    const float release = 1.0f - std::exp(-1.0f / (0.12f * sampleRate));
    double runningSum = double(windowMin[0]) * lookAhead;
    float current = 1.0f;
    for (int n = 0; n < frames; ++n) {
        runningSum += windowMin[size_t(n)] - (n >= lookAhead ? windowMin[size_t(n - lookAhead)] : windowMin[0]);
        const float ramp = float(runningSum / lookAhead);
        current = std::min(ramp, current + (1.0f - current) * release);
        audio.left[size_t(n)] *= current;
        audio.right[size_t(n)] *= current;
    }
}
