// The soundtrack synth's building blocks: the loudness and true-peak meters that the mastering
// trusts, the limiter, the filters, the grid-locked delay, the reverb tail and the voices.
#include <gtest/gtest.h>

#include <functional>

#include "music_dsp.h"
#include "music_voices.h"

namespace {

StereoBuffer sine(double frequency, float amplitude, double seconds, double phase = 0.0)
{
    StereoBuffer audio = makeStereoBuffer(int(seconds * sampleRate));
    for (size_t n = 0; n < audio.left.size(); ++n) {
        const float value = amplitude * float(std::sin(twoPi * frequency * double(n) / sampleRate + phase));
        audio.left[n] = value;
        audio.right[n] = value;
    }
    return audio;
}

StereoBuffer joined(const StereoBuffer& first, const StereoBuffer& second)
{
    StereoBuffer audio = first;
    audio.left.insert(audio.left.end(), second.left.begin(), second.left.end());
    audio.right.insert(audio.right.end(), second.right.begin(), second.right.end());
    return audio;
}

float rmsDb(const std::vector<float>& x, size_t from, size_t to)
{
    double sum = 0.0;
    for (size_t n = from; n < to; ++n)
        sum += double(x[n]) * x[n];
    return float(10.0 * std::log10(sum / double(to - from) + 1e-30));
}

float samplePeak(const StereoBuffer& audio)
{
    float peak = 0.0f;
    for (size_t n = 0; n < audio.left.size(); ++n)
        peak = std::max({peak, std::fabs(audio.left[n]), std::fabs(audio.right[n])});
    return peak;
}

} // namespace

TEST(SoundtrackSynth, LoudnessMeterReadsSinesAndGatesQuietPassages)
{
    // A 997 Hz sine in both channels reads its level in dBFS as LUFS (the K-weighting is flat there).
    EXPECT_NEAR(integratedLoudness(sine(997.0, 0.1f, 5.0)), -20.0, 0.1);
    EXPECT_NEAR(integratedLoudness(sine(997.0, 0.5f, 5.0)), -6.02, 0.1);
    // Low bass counts for less than midrange at the same level.
    EXPECT_LT(integratedLoudness(sine(40.0, 0.1f, 5.0)), -21.0);

    // Silence sits under the absolute gate and a passage 30 dB down under the relative one (the
    // few blocks that straddle the change still count, hence the wider tolerance).
    const StereoBuffer loud = sine(997.0, 0.1f, 5.0);
    EXPECT_NEAR(integratedLoudness(joined(loud, makeStereoBuffer(10 * sampleRate))), -20.0, 0.2);
    EXPECT_NEAR(integratedLoudness(joined(loud, sine(997.0, 0.00316f, 5.0))), -20.0, 0.2);
    // A passage only 3 dB down still counts and pulls the reading between the two.
    const double mixed = integratedLoudness(joined(loud, sine(997.0, 0.0708f, 5.0)));
    EXPECT_LT(mixed, -20.5);
    EXPECT_GT(mixed, -23.0);
    EXPECT_LT(integratedLoudness(makeStereoBuffer(sampleRate)), -100.0);
}

TEST(SoundtrackSynth, TruePeakFindsPeaksBetweenSamples)
{
    // A quarter-rate sine sampled 45 degrees off its crests never shows its crest in a sample.
    const StereoBuffer between = sine(sampleRate / 4.0, 0.9f, 0.5, 3.14159265 / 4.0);
    EXPECT_NEAR(samplePeak(between), 0.9f * 0.7071f, 0.01f);
    EXPECT_NEAR(truePeak(between), 0.9f, 0.03f);
    // A slow sine's true peak is its sample peak.
    EXPECT_NEAR(truePeak(sine(220.0, 0.5f, 0.5)), 0.5f, 0.005f);
}

TEST(SoundtrackSynth, LimiterHoldsTheCeilingAndLeavesQuietPartsAlone)
{
    // A quiet second, then a burst far over the ceiling, then quiet again.
    StereoBuffer audio = joined(joined(sine(440.0, 0.1f, 1.0), sine(440.0, 3.0f, 0.5)), sine(440.0, 0.1f, 1.0));
    const StereoBuffer original = audio;
    const float ceiling = dbToGain(-2.0f);
    gainAndLimit(audio, 0.5f, ceiling);

    EXPECT_LE(truePeak(audio), ceiling * 1.001f);
    // Well before the burst only the gain applies.
    for (size_t n = 1000; n < size_t(sampleRate / 2); n += 997)
        EXPECT_NEAR(audio.left[n], 0.5f * original.left[n], 1e-6f) << "sample " << n;
    // The burst is held near the ceiling, not silenced.
    float burstPeak = 0.0f;
    for (size_t n = size_t(sampleRate) + 2000; n < size_t(sampleRate) + 20000; ++n)
        burstPeak = std::max(burstPeak, std::fabs(audio.left[n]));
    EXPECT_GT(burstPeak, 0.9f * ceiling);
    // The gain recovers within the last half second.
    const size_t end = audio.left.size();
    EXPECT_NEAR(rmsDb(audio.left, end - sampleRate / 4, end), rmsDb(original.left, end - sampleRate / 4, end) - 6.02f,
                0.2f);
}

TEST(SoundtrackSynth, FiltersPassAndStopTheRightBands)
{
    const auto filteredDb = [](double frequency, bool lowPass) {
        StateVariableFilter filter;
        const FilterCoefficients coefficients = filterCoefficients(1000.0f, 0.0f);
        std::vector<float> out(size_t(sampleRate / 2));
        for (size_t n = 0; n < out.size(); ++n) {
            const float x = float(std::sin(twoPi * frequency * double(n) / sampleRate));
            const FilterOutputs y = stepFilter(filter, coefficients, x);
            out[n] = lowPass ? y.low : y.high;
        }
        return rmsDb(out, out.size() / 2, out.size()) + 3.01f;
    };
    EXPECT_NEAR(filteredDb(100.0, true), 0.0f, 0.5f);
    EXPECT_LT(filteredDb(10000.0, true), -35.0f);
    EXPECT_NEAR(filteredDb(10000.0, false), 0.0f, 0.5f);
    EXPECT_LT(filteredDb(100.0, false), -35.0f);
}

TEST(SoundtrackSynth, SawStaysBandLimitedAndBounded)
{
    // Near the top of the range a naive saw folds loud harmonics back below the fundamental;
    // the smoothed one keeps that region quiet.
    SawOscillator saw;
    saw.increment = 5000.0 / sampleRate;
    std::vector<float> out(static_cast<size_t>(sampleRate));
    for (float& value : out)
        value = stepSaw(saw);
    EXPECT_LE(*std::max_element(out.begin(), out.end()), 1.05f);
    EXPECT_GE(*std::min_element(out.begin(), out.end()), -1.05f);
    // Harmonic 9 (45 kHz) folds to 900 Hz: measure what lies there against the fundamental.
    const auto level = [&](double frequency) {
        double re = 0.0, im = 0.0;
        for (size_t n = 0; n < out.size(); ++n) {
            re += out[n] * std::cos(twoPi * frequency * double(n) / sampleRate);
            im += out[n] * std::sin(twoPi * frequency * double(n) / sampleRate);
        }
        return 10.0 * std::log10(re * re + im * im + 1e-30);
    };
    EXPECT_LT(level(900.0) - level(5000.0), -30.0);
}

TEST(SoundtrackSynth, EnvelopesRiseWithoutClicksAndRelease)
{
    NoteEnvelope note = makeNoteEnvelope(0.01, 1000, 0.01);
    std::vector<float> shape;
    for (int i = 0; i < 3000; ++i)
        shape.push_back(stepEnvelope(note));
    EXPECT_EQ(shape[0], 0.0f);
    for (size_t i = 1; i < shape.size(); ++i)
        EXPECT_LT(std::fabs(shape[i] - shape[i - 1]), 0.01f) << "step at sample " << i;
    EXPECT_FLOAT_EQ(shape[500], 1.0f);
    EXPECT_FLOAT_EQ(shape[999], 1.0f);
    // One release time (441 samples) after the note ends the level is 1/e.
    EXPECT_NEAR(shape[999 + 441], std::exp(-1.0f), 0.01f);
}

TEST(SoundtrackSynth, PingPongEchoesLandOnTheGrid)
{
    StereoBuffer send = makeStereoBuffer(4 * beatSamples);
    send.left[0] = 1.0f;
    send.right[0] = 1.0f;
    StereoBuffer out = makeStereoBuffer(4 * beatSamples);
    const int delay = 3 * rowSamples;
    addPingPongDelay(send, out, delay, 0.5f, 20000.0f);

    const auto loudestAround = [](const std::vector<float>& x, int centre) {
        int best = centre - 64;
        for (int n = centre - 64; n < centre + 64; ++n)
            if (std::fabs(x[size_t(n)]) > std::fabs(x[size_t(best)]))
                best = n;
        return best;
    };
    // First echo on the left one delay later, the next on the right, then left again, each quieter.
    EXPECT_EQ(loudestAround(out.left, delay), delay);
    EXPECT_EQ(loudestAround(out.right, 2 * delay), 2 * delay);
    EXPECT_EQ(loudestAround(out.left, 3 * delay), 3 * delay);
    EXPECT_LT(std::fabs(out.right[size_t(delay)]), 1e-6f);
    EXPECT_LT(std::fabs(out.left[size_t(3 * delay)]), std::fabs(out.left[size_t(delay)]));
    for (int n = 0; n < delay; ++n)
        ASSERT_EQ(out.left[size_t(n)], 0.0f) << "echo before its time at " << n;
}

TEST(SoundtrackSynth, ReverbTailIsWideAndDiesAway)
{
    StereoBuffer send = makeStereoBuffer(8 * sampleRate);
    for (int n = 0; n < 2000; ++n)
        send.left[size_t(n)] = send.right[size_t(n)] = std::sin(float(n) * 0.3f);
    StereoBuffer out = makeStereoBuffer(8 * sampleRate);
    addReverb(send, out, 0.86f, 0.35f, 1000);

    for (int n = 0; n < 1000; ++n)
        ASSERT_EQ(out.left[size_t(n)], 0.0f) << "reverb before its pre-delay at " << n;
    const float early = rmsDb(out.left, 0, sampleRate);
    const float late = rmsDb(out.left, 6 * sampleRate, 8 * sampleRate);
    EXPECT_GT(early, -60.0f);
    EXPECT_LT(late, early - 40.0f);
    // The two sides differ, which is what makes the space wide.
    double difference = 0.0;
    for (int n = 0; n < sampleRate; ++n)
        difference += std::fabs(out.left[size_t(n)] - out.right[size_t(n)]);
    EXPECT_GT(difference, 1.0);
}

TEST(SoundtrackSynth, VoicesStartOnTimeAtTheirPitchAndStayBounded)
{
    MusicRng rng;
    const int start = 10000;
    const auto check = [&](const char* name, const std::function<void(StereoBuffer&)>& play, double pitchHz) {
        StereoBuffer bus = makeStereoBuffer(2 * sampleRate);
        play(bus);
        for (int n = 0; n < start; ++n)
            ASSERT_EQ(bus.left[size_t(n)], 0.0f) << name << " sounds before its start";
        EXPECT_GT(samplePeak(bus), 0.01f) << name;
        EXPECT_LT(samplePeak(bus), 1.0f) << name;
        if (pitchHz > 0.0) {
            // Count upward zero crossings through a quarter second of the held note.
            int crossings = 0;
            for (int n = start + 4000; n < start + 4000 + sampleRate / 4; ++n)
                crossings += bus.left[size_t(n)] <= 0.0f && bus.left[size_t(n + 1)] > 0.0f;
            EXPECT_NEAR(crossings, pitchHz / 4.0, pitchHz / 40.0 + 1.0) << name;
        }
    };
    check("bass", [&](StereoBuffer& b) { addBassNote(b, start, sampleRate / 2, 45, 0.5f); }, 110.0);
    check("bell", [&](StereoBuffer& b) { addBell(b, start, 69, 0.5f, 0.0f, 1.0f, 0.0f); }, 440.0);
    check("pad", [&](StereoBuffer& b) { addPadNote(b, rng, start, sampleRate, 57, 0.3f); }, 0.0);
    check("lead", [&](StereoBuffer& b) { addLeadNote(b, start, sampleRate / 2, 69, 0.3f); }, 0.0);
    check("kick", [&](StereoBuffer& b) { addKick(b, rng, start, 38, 0.5f); }, 0.0);
    check("snare", [&](StereoBuffer& b) { addSnare(b, rng, start, 0.5f); }, 0.0);
    check("shout", [&](StereoBuffer& b) { addShout(b, rng, start + int(0.06 * sampleRate), 0.12f); }, 0.0);
}

TEST(SoundtrackSynth, KickIsShortTunedAndClicks)
{
    const int start = 1000;
    for (const double note : {38.0, 45.0}) {
        MusicRng rng;
        StereoBuffer bus = makeStereoBuffer(sampleRate);
        addKick(bus, rng, start, note, 0.5f);
        // Its body lands on the note: count the cycles from 50 to 130 ms.
        int crossings = 0;
        for (int n = start + int(0.05 * sampleRate); n < start + int(0.13 * sampleRate); ++n)
            crossings += bus.left[size_t(n)] <= 0.0f && bus.left[size_t(n + 1)] > 0.0f;
        EXPECT_NEAR(crossings, midiToHz(note) * 0.08, 1.5) << note;
        // It falls away within a sixteenth (147 ms), leaving the bass the low end.
        EXPECT_LT(rmsDb(bus.left, size_t(start + 0.14 * sampleRate), size_t(start + 0.16 * sampleRate)),
                  rmsDb(bus.left, size_t(start), size_t(start + 0.03 * sampleRate)) - 30.0f)
            << note;
        for (size_t n = size_t(start + 0.16 * sampleRate); n < bus.left.size(); ++n)
            ASSERT_EQ(bus.left[n], 0.0f) << "the kick still sounds at " << n;
        // The beater: the first 10 ms carry a click above 1 kHz (the body alone gives -21 dB there).
        StateVariableFilter filter;
        const FilterCoefficients above = filterCoefficients(1000.0f, 0.0f);
        std::vector<float> high(441);
        for (size_t n = 0; n < high.size(); ++n)
            high[n] = stepFilter(filter, above, bus.left[size_t(start) + n]).high;
        EXPECT_GT(rmsDb(high, 0, high.size()) - rmsDb(bus.left, size_t(start), size_t(start) + high.size()), -18.0f);
    }
}

TEST(SoundtrackSynth, RiserSwellsAndStopsAtItsEnd)
{
    MusicRng rng;
    StereoBuffer bus = makeStereoBuffer(3 * sampleRate);
    const int end = 2 * sampleRate;
    addRiser(bus, rng, end, sampleRate, 0.5f);
    EXPECT_LT(rmsDb(bus.left, size_t(sampleRate), size_t(sampleRate + 4410)),
              rmsDb(bus.left, size_t(end - 4410), size_t(end)) - 20.0f);
    for (size_t n = size_t(end); n < bus.left.size(); ++n)
        ASSERT_EQ(bus.left[n], 0.0f) << "riser sounds after its end at " << n;
}
