#pragma once
// The soundtrack's building blocks: the sample grid, noise, band-limited oscillators, filters,
// envelopes, the effect returns (delay, reverb) and the mastering measures (loudness, true peak,
// limiter). Everything runs on one thread and draws randomness only from MusicRng, so a render
// gives the same samples every time.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "runtime/timeline.h"

constexpr int sampleRate = 44100;
// The timeline module's own grid: a row, a beat of 4 rows, a bar of 4 beats, an order.
constexpr int rowSamples = timelineRowSamples;
constexpr int beatSamples = 4 * rowSamples;
constexpr int barSamples = 4 * beatSamples;
constexpr int orderSamples = timelineOrderSamples;
constexpr int soundtrackOrders = 19;
constexpr int soundtrackSamples = soundtrackOrders * orderSamples;

constexpr double twoPi = 6.283185307179586;

struct StereoBuffer {
    std::vector<float> left;
    std::vector<float> right;
};

StereoBuffer makeStereoBuffer(int frames);

// xorshift32: the soundtrack's only source of randomness.
struct MusicRng {
    uint32_t state = 0x6e657265u;
};

inline uint32_t nextRandom(MusicRng& rng)
{
    uint32_t x = rng.state;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    rng.state = x;
    return x;
}

// Uniform in [0, 1).
inline float randomUnit(MusicRng& rng) { return float(nextRandom(rng) >> 8) * (1.0f / 16777216.0f); }
// Uniform in [-1, 1).
inline float randomSigned(MusicRng& rng) { return 2.0f * randomUnit(rng) - 1.0f; }

inline double midiToHz(double note) { return 440.0 * std::pow(2.0, (note - 69.0) / 12.0); }
inline float dbToGain(float db) { return std::pow(10.0f, db / 20.0f); }

// Equal-power pan, -1 left to +1 right.
struct PanGains {
    float left;
    float right;
};
inline PanGains panGains(float pan)
{
    const float angle = (pan + 1.0f) * 0.25f * 3.14159265f;
    return {std::cos(angle), std::sin(angle)};
}

constexpr int sineTableSize = 4096;
// One cycle of a sine plus a wrap-around point, filled before main runs.
extern const std::array<float, sineTableSize + 1> sineTable;

// Sine of a phase given in cycles, interpolated from the table.
inline float sineOfCycles(double cycles)
{
    const double position = (cycles - std::floor(cycles)) * sineTableSize;
    const int index = int(position);
    const float fraction = float(position - index);
    return sineTable[size_t(index)] + (sineTable[size_t(index) + 1] - sineTable[size_t(index)]) * fraction;
}

// Smooths the step of a naive saw or square at its wrap so the harmonics above Nyquist stay quiet.
inline float polyBlep(double phase, double increment)
{
    if (phase < increment) {
        const double t = phase / increment;
        return float(t + t - t * t - 1.0);
    }
    if (phase > 1.0 - increment) {
        const double t = (phase - 1.0) / increment;
        return float(t * t + t + t + 1.0);
    }
    return 0.0f;
}

struct SawOscillator {
    double phase = 0.0;     // 0–1
    double increment = 0.0; // cycles per sample
};

inline float stepSaw(SawOscillator& osc)
{
    const float value = float(2.0 * osc.phase - 1.0) - polyBlep(osc.phase, osc.increment);
    osc.phase += osc.increment;
    if (osc.phase >= 1.0)
        osc.phase -= 1.0;
    return value;
}

// Trapezoidal state-variable filter: stable under fast cutoff sweeps.
struct StateVariableFilter {
    float ic1 = 0.0f;
    float ic2 = 0.0f;
};

struct FilterCoefficients {
    float g;
    float k;
    float a1;
    float a2;
    float a3;
};

inline FilterCoefficients filterCoefficients(float cutoffHz, float resonance)
{
    const float limited = std::fmin(cutoffHz, 0.45f * sampleRate);
    FilterCoefficients c;
    c.g = std::tan(3.14159265f * limited / sampleRate);
    c.k = 2.0f - 2.0f * resonance;
    c.a1 = 1.0f / (1.0f + c.g * (c.g + c.k));
    c.a2 = c.g * c.a1;
    c.a3 = c.g * c.a2;
    return c;
}

struct FilterOutputs {
    float low;
    float band;
    float high;
};

inline FilterOutputs stepFilter(StateVariableFilter& f, const FilterCoefficients& c, float input)
{
    const float v3 = input - f.ic2;
    const float v1 = c.a1 * f.ic1 + c.a2 * v3;
    const float v2 = f.ic2 + c.a2 * f.ic1 + c.a3 * v3;
    f.ic1 = 2.0f * v1 - f.ic1;
    f.ic2 = 2.0f * v2 - f.ic2;
    return {v2, v1, input - c.k * v1 - v2};
}

// A note's loudness: a raised-cosine attack (no clicks), full level until the note ends, then an
// exponential release. A percussive hit is a note whose length is its attack. Stepped per sample.
struct NoteEnvelope {
    int attack = 1;             // samples
    int length = 1;             // samples until the release starts
    float releaseFactor = 0.0f; // per-sample decay once released
    int position = 0;
    float level = 0.0f;
};

inline NoteEnvelope makeNoteEnvelope(double attackSeconds, int lengthSamples, double releaseSeconds)
{
    NoteEnvelope e;
    e.attack = std::max(1, int(attackSeconds * sampleRate));
    e.length = std::max(1, lengthSamples);
    e.releaseFactor = float(std::exp(-1.0 / (releaseSeconds * sampleRate)));
    return e;
}

inline NoteEnvelope makeHitEnvelope(double attackSeconds, double decaySeconds)
{
    const int attack = std::max(1, int(attackSeconds * sampleRate));
    return makeNoteEnvelope(attackSeconds, attack, decaySeconds);
}

inline float stepEnvelope(NoteEnvelope& e)
{
    if (e.position < e.length)
        e.level = e.position < e.attack ? 0.5f - 0.5f * std::cos(3.14159265f * float(e.position) / float(e.attack))
                                        : 1.0f;
    else
        e.level *= e.releaseFactor;
    ++e.position;
    return e.level;
}

// Ping-pong echo of a send bus, added into out. delaySamples is a whole number of grid samples so
// the echoes stay on the beat.
void addPingPongDelay(const StereoBuffer& send, StereoBuffer& out, int delaySamples, float feedback,
                      float dampingHz);

// A stereo hall (parallel damped combs into allpass diffusers), added into out.
void addReverb(const StereoBuffer& send, StereoBuffer& out, float roomSize, float damping, int preDelaySamples);

// Integrated loudness in LUFS: K-weighting, 400 ms blocks with 75% overlap, absolute and relative gates.
double integratedLoudness(const StereoBuffer& audio);

// Largest absolute value of the signal reconstructed at four times the sample rate.
float truePeak(const StereoBuffer& audio);

// Scales every sample by gain and rides the gain down, smoothly and ahead of time, wherever the
// four-times oversampled peak would pass ceiling.
void gainAndLimit(StereoBuffer& audio, float gain, float ceiling);
