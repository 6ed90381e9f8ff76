// The soundtrack's instruments: pads, bells, plucks, bass, lead, drums and effects.
#include "music_voices.h"

namespace {

// How many samples of a sound starting at start fit in the bus, at most wanted.
int framesFrom(const StereoBuffer& bus, int start, int wanted)
{
    const int available = int(bus.left.size()) - start;
    return std::max(0, std::min(wanted, available));
}

void addFrame(StereoBuffer& bus, int position, float left, float right)
{
    bus.left[size_t(position)] += left;
    bus.right[size_t(position)] += right;
}

SawOscillator makeSaw(double frequency, double phase)
{
    SawOscillator saw;
    saw.phase = phase;
    saw.increment = frequency / sampleRate;
    return saw;
}

double centsToRatio(double cents) { return std::pow(2.0, cents / 1200.0); }

float perSampleDecay(double seconds) { return float(std::exp(-1.0 / (seconds * sampleRate))); }

void advancePhase(double& phase, double increment)
{
    phase += increment;
    if (phase >= 1.0)
        phase -= 1.0;
}

// Cutoff changes are smooth, so filter coefficients are refreshed only every few samples.
constexpr int coefficientInterval = 16;

} // namespace

void addPadNote(StereoBuffer& bus, MusicRng& rng, int start, int length, double note, float level)
{
    constexpr std::array<double, 5> detuneCents = {-13.0, -6.0, 0.0, 6.5, 12.5};
    constexpr std::array<float, 5> pans = {-0.85f, 0.45f, 0.0f, -0.45f, 0.85f};
    const double frequency = midiToHz(note);
    std::array<SawOscillator, 5> saws;
    std::array<PanGains, 5> gains;
    for (size_t i = 0; i < saws.size(); ++i) {
        saws[i] = makeSaw(frequency * centsToRatio(detuneCents[i]), randomUnit(rng));
        gains[i] = panGains(pans[i]);
    }
    NoteEnvelope envelope = makeNoteEnvelope(0.6, length, 0.7);
    const float voiceLevel = level / 3.0f;
    const int frames = framesFrom(bus, start, length + int(4.0 * sampleRate));
    for (int i = 0; i < frames; ++i) {
        const float amplitude = stepEnvelope(envelope) * voiceLevel;
        if (i > length && amplitude < 0.003f * voiceLevel)
            break;
        float left = 0.0f;
        float right = 0.0f;
        for (size_t v = 0; v < saws.size(); ++v) {
            const float value = stepSaw(saws[v]);
            left += value * gains[v].left;
            right += value * gains[v].right;
        }
        addFrame(bus, start + i, left * amplitude, right * amplitude);
    }
}

void addBell(StereoBuffer& bus, int start, double note, float level, float pan, float decay, float brightness)
{
    const double frequency = midiToHz(note);
    // The right carrier runs a hair sharp, so each note shimmers slowly across the field.
    const double leftStep = frequency / sampleRate;
    const double rightStep = frequency * 1.0013 / sampleRate;
    const double bodyStep = frequency / sampleRate;
    const double tineStep = 7.0 * frequency / sampleRate;
    double leftPhase = 0.0;
    double rightPhase = 0.0;
    double bodyPhase = 0.0;
    double tinePhase = 0.0;
    float bodyIndex = 0.16f * brightness;
    float tineIndex = 0.22f * brightness;
    const float bodyDecay = perSampleDecay(decay * 0.4);
    const float tineDecay = perSampleDecay(0.025);
    NoteEnvelope envelope = makeHitEnvelope(0.002, decay);
    const PanGains gains = panGains(pan);
    const int frames = framesFrom(bus, start, int(6.0f * decay * sampleRate));
    for (int i = 0; i < frames; ++i) {
        const float modulation = bodyIndex * sineOfCycles(bodyPhase) + tineIndex * sineOfCycles(tinePhase);
        const float amplitude = stepEnvelope(envelope) * level;
        addFrame(bus, start + i, sineOfCycles(leftPhase + modulation) * amplitude * gains.left,
                 sineOfCycles(rightPhase + modulation) * amplitude * gains.right);
        advancePhase(leftPhase, leftStep);
        advancePhase(rightPhase, rightStep);
        advancePhase(bodyPhase, bodyStep);
        advancePhase(tinePhase, tineStep);
        bodyIndex *= bodyDecay;
        tineIndex *= tineDecay;
    }
}

void addPluck(StereoBuffer& bus, int start, int length, double note, float level, float brightness)
{
    const double frequency = midiToHz(note);
    SawOscillator sawLeft = makeSaw(frequency * centsToRatio(-8.0), 0.0);
    SawOscillator sawRight = makeSaw(frequency * centsToRatio(8.0), 0.5);
    StateVariableFilter filterLeft;
    StateVariableFilter filterRight;
    FilterCoefficients coefficients{};
    float sweep = 1.0f;
    const float sweepDecay = perSampleDecay(0.08);
    NoteEnvelope envelope = makeNoteEnvelope(0.003, length, 0.06);
    const int frames = framesFrom(bus, start, length + int(0.5 * sampleRate));
    for (int i = 0; i < frames; ++i) {
        if (i % coefficientInterval == 0)
            coefficients = filterCoefficients(160.0f + brightness * 2400.0f * sweep, 0.35f);
        sweep *= sweepDecay;
        const float amplitude = stepEnvelope(envelope) * level;
        const float left = stepFilter(filterLeft, coefficients, stepSaw(sawLeft)).low;
        const float right = stepFilter(filterRight, coefficients, stepSaw(sawRight)).low;
        addFrame(bus, start + i, left * amplitude, right * amplitude);
    }
}

void addBassNote(StereoBuffer& bus, int start, int length, double note, float level)
{
    const double frequency = midiToHz(note);
    double subPhase = 0.0;
    SawOscillator saw = makeSaw(frequency, 0.0);
    StateVariableFilter filter;
    const FilterCoefficients coefficients = filterCoefficients(380.0f, 0.15f);
    NoteEnvelope envelope = makeNoteEnvelope(0.004, length, 0.05);
    const int frames = framesFrom(bus, start, length + int(0.4 * sampleRate));
    for (int i = 0; i < frames; ++i) {
        const float body = stepFilter(filter, coefficients, stepSaw(saw)).low;
        const float value = (0.85f * sineOfCycles(subPhase) + 0.4f * body) * stepEnvelope(envelope) * level;
        advancePhase(subPhase, frequency / sampleRate);
        addFrame(bus, start + i, value, value);
    }
}

void addLeadNote(StereoBuffer& bus, int start, int length, double note, float level)
{
    const double frequency = midiToHz(note);
    SawOscillator sawLeft = makeSaw(frequency, 0.0);
    SawOscillator sawRight = makeSaw(frequency, 0.37);
    SawOscillator sawLow = makeSaw(frequency * 0.5, 0.61);
    StateVariableFilter filterLeft;
    StateVariableFilter filterRight;
    FilterCoefficients coefficients{};
    float sweep = 1.0f;
    const float sweepDecay = perSampleDecay(0.3);
    NoteEnvelope envelope = makeNoteEnvelope(0.015, length, 0.22);
    const double detune = centsToRatio(7.0);
    const int frames = framesFrom(bus, start, length + int(1.6 * sampleRate));
    for (int i = 0; i < frames; ++i) {
        const double t = double(i) / sampleRate;
        // Vibrato fades in after the note has spoken.
        const double depth = 0.14 * std::clamp((t - 0.18) / 0.3, 0.0, 1.0);
        const double bend = std::pow(2.0, depth * std::sin(twoPi * 5.2 * t) / 12.0);
        sawLeft.increment = frequency * bend / detune / sampleRate;
        sawRight.increment = frequency * bend * detune / sampleRate;
        sawLow.increment = 0.5 * frequency * bend / sampleRate;
        if (i % coefficientInterval == 0)
            coefficients = filterCoefficients(1800.0f + 3600.0f * sweep, 0.2f);
        sweep *= sweepDecay;
        const float low = 0.3f * stepSaw(sawLow);
        const float amplitude = stepEnvelope(envelope) * level;
        const float left = stepFilter(filterLeft, coefficients, stepSaw(sawLeft) + low).low;
        const float right = stepFilter(filterRight, coefficients, stepSaw(sawRight) + low).low;
        addFrame(bus, start + i, left * amplitude, right * amplitude);
    }
}

void addKick(StereoBuffer& bus, MusicRng& rng, int start, double note, float level)
{
    const double tuned = midiToHz(note);
    double phase = 0.0;
    float pitch = 1.0f;
    float click = 1.0f;
    const float pitchDecay = perSampleDecay(0.014);
    const float clickDecay = perSampleDecay(0.004);
    // A punch that sweeps down through the bass band onto the note and is gone within a sixteenth:
    // the bass line, not the kick, holds the low end between the beats.
    NoteEnvelope envelope = makeHitEnvelope(0.0006, 0.032);
    const int tail = int(0.16 * sampleRate);
    const int fade = int(0.04 * sampleRate);
    StateVariableFilter clickFilter;
    const FilterCoefficients clickBand = filterCoefficients(2200.0f, 0.55f);
    const float drive = 2.2f;
    const float normalise = 1.0f / std::tanh(drive);
    const int frames = framesFrom(bus, start, tail);
    for (int i = 0; i < frames; ++i) {
        const float closing = std::min(1.0f, float(tail - i) / float(fade));
        const float body = sineOfCycles(phase) * stepEnvelope(envelope) * closing;
        advancePhase(phase, tuned * (1.0 + 3.0 * pitch) / sampleRate);
        pitch *= pitchDecay;
        const float beater = 1.4f * click * stepFilter(clickFilter, clickBand, randomSigned(rng)).band;
        const float value = (std::tanh(drive * body) * normalise + beater) * level;
        click *= clickDecay;
        addFrame(bus, start + i, value, value);
    }
}

void addSnare(StereoBuffer& bus, MusicRng& rng, int start, float level)
{
    double phase = 0.0;
    float pitch = 1.0f;
    const float pitchDecay = perSampleDecay(0.02);
    NoteEnvelope bodyEnvelope = makeHitEnvelope(0.001, 0.08);
    NoteEnvelope noiseEnvelope = makeHitEnvelope(0.001, 0.15);
    StateVariableFilter filterLeft;
    StateVariableFilter filterRight;
    const FilterCoefficients coefficients = filterCoefficients(1100.0f, 0.1f);
    const int frames = framesFrom(bus, start, int(0.7 * sampleRate));
    for (int i = 0; i < frames; ++i) {
        const float body = 0.6f * sineOfCycles(phase) * stepEnvelope(bodyEnvelope);
        advancePhase(phase, (175.0 + 30.0 * pitch) / sampleRate);
        pitch *= pitchDecay;
        // Partly shared, partly independent noise: a wide snare with a solid centre.
        const float shared = randomSigned(rng);
        const float noise = 0.8f * stepEnvelope(noiseEnvelope);
        const float left = stepFilter(filterLeft, coefficients, 0.6f * shared + 0.4f * randomSigned(rng)).high;
        const float right = stepFilter(filterRight, coefficients, 0.6f * shared + 0.4f * randomSigned(rng)).high;
        addFrame(bus, start + i, (body + left * noise) * level, (body + right * noise) * level);
    }
}

void addClap(StereoBuffer& bus, MusicRng& rng, int start, float level)
{
    StateVariableFilter filterLeft;
    StateVariableFilter filterRight;
    const FilterCoefficients coefficients = filterCoefficients(1300.0f, 0.45f);
    const int frames = framesFrom(bus, start, int(0.9 * sampleRate));
    for (int i = 0; i < frames; ++i) {
        const double t = double(i) / sampleRate;
        // Three hands in quick succession, then the room.
        const double lastBurst = t < 0.011 ? 0.0 : t < 0.022 ? 0.011 : 0.022;
        const double burst = std::exp(-(t - lastBurst) / 0.007);
        const double tail = t < 0.022 ? 0.0 : 0.7 * std::exp(-(t - 0.022) / 0.16);
        const float amplitude = float(std::max(burst, tail)) * level * 1.6f;
        const float left = stepFilter(filterLeft, coefficients, randomSigned(rng)).band;
        const float right = stepFilter(filterRight, coefficients, randomSigned(rng)).band;
        addFrame(bus, start + i, left * amplitude, right * amplitude);
    }
}

void addHat(StereoBuffer& bus, MusicRng& rng, int start, float level, float decay, float pan)
{
    StateVariableFilter first;
    StateVariableFilter second;
    const FilterCoefficients coefficients = filterCoefficients(6000.0f, 0.25f);
    NoteEnvelope envelope = makeHitEnvelope(0.0005, decay);
    const PanGains gains = panGains(pan);
    const int frames = framesFrom(bus, start, int(6.0f * decay * sampleRate));
    for (int i = 0; i < frames; ++i) {
        const float noise = stepFilter(second, coefficients, stepFilter(first, coefficients, randomSigned(rng)).high).high;
        const float value = noise * stepEnvelope(envelope) * level;
        addFrame(bus, start + i, value * gains.left, value * gains.right);
    }
}

void addShaker(StereoBuffer& bus, MusicRng& rng, int start, float level, float pan)
{
    StateVariableFilter filter;
    const FilterCoefficients coefficients = filterCoefficients(7500.0f, 0.2f);
    NoteEnvelope envelope = makeHitEnvelope(0.006, 0.04);
    const PanGains gains = panGains(pan);
    const int frames = framesFrom(bus, start, int(0.25 * sampleRate));
    for (int i = 0; i < frames; ++i) {
        const float value = stepFilter(filter, coefficients, randomSigned(rng)).band * stepEnvelope(envelope) * level;
        addFrame(bus, start + i, value * gains.left, value * gains.right);
    }
}

void addCrash(StereoBuffer& bus, MusicRng& rng, int start, float level, float decay)
{
    StateVariableFilter highLeft;
    StateVariableFilter highRight;
    StateVariableFilter ringLeft;
    StateVariableFilter ringRight;
    const FilterCoefficients high = filterCoefficients(3500.0f, 0.1f);
    const FilterCoefficients ring = filterCoefficients(7000.0f, 0.5f);
    NoteEnvelope envelope = makeHitEnvelope(0.002, decay);
    const int frames = framesFrom(bus, start, int(5.0f * decay * sampleRate));
    for (int i = 0; i < frames; ++i) {
        const float amplitude = stepEnvelope(envelope) * level;
        const float left = stepFilter(highLeft, high, randomSigned(rng)).high;
        const float right = stepFilter(highRight, high, randomSigned(rng)).high;
        const float ringingLeft = stepFilter(ringLeft, ring, left).band;
        const float ringingRight = stepFilter(ringRight, ring, right).band;
        addFrame(bus, start + i, (left + ringingLeft) * amplitude, (right + ringingRight) * amplitude);
    }
}

void addRiser(StereoBuffer& bus, MusicRng& rng, int end, int length, float level)
{
    const int start = std::max(0, end - length);
    StateVariableFilter filterLeft;
    StateVariableFilter filterRight;
    FilterCoefficients coefficients{};
    const int frames = framesFrom(bus, start, end - start);
    const int fadeOut = int(0.005 * sampleRate);
    for (int i = 0; i < frames; ++i) {
        const float progress = float(i) / float(frames);
        if (i % coefficientInterval == 0)
            coefficients = filterCoefficients(300.0f * std::pow(30.0f, progress), 0.55f);
        const float closing = std::min(1.0f, float(frames - i) / float(fadeOut));
        const float amplitude = progress * progress * closing * level;
        const float left = stepFilter(filterLeft, coefficients, randomSigned(rng)).band;
        const float right = stepFilter(filterRight, coefficients, randomSigned(rng)).band;
        addFrame(bus, start + i, left * amplitude, right * amplitude);
    }
}

void addImpact(StereoBuffer& bus, int start, float level)
{
    double phase = 0.0;
    float fall = 1.0f;
    const float fallDecay = perSampleDecay(0.08);
    NoteEnvelope envelope = makeHitEnvelope(0.002, 0.3);
    const int frames = framesFrom(bus, start, int(1.5 * sampleRate));
    for (int i = 0; i < frames; ++i) {
        const float value = std::tanh(1.4f * sineOfCycles(phase)) * stepEnvelope(envelope) * level;
        advancePhase(phase, (55.0 + 90.0 * fall) / sampleRate);
        fall *= fallDecay;
        addFrame(bus, start + i, value, value);
    }
}

void addShout(StereoBuffer& bus, MusicRng& rng, int start, float level)
{
    struct ShoutVoice {
        double pitch;  // Hz
        double delay;  // seconds after the breath
        float pan;
    };
    constexpr std::array<ShoutVoice, 3> crowd = {{{185.0, 0.0, -0.3f}, {233.0, 0.012, 0.3f}, {156.0, 0.021, 0.05f}}};
    const double breath = 0.05; // the "h" before the vowel lands on start
    const double vowel = 0.3;
    for (const ShoutVoice& voice : crowd) {
        const int voiceStart = start - int((breath - voice.delay) * sampleRate);
        SawOscillator saw = makeSaw(voice.pitch, 0.0);
        std::array<StateVariableFilter, 3> formants{};
        std::array<FilterCoefficients, 3> coefficients{};
        constexpr std::array<float, 3> formantGains = {1.0f, 0.6f, 0.3f};
        const PanGains gains = panGains(voice.pan);
        const int length = int((breath + vowel) * sampleRate);
        NoteEnvelope voicing = makeNoteEnvelope(0.02, int(vowel * sampleRate), 0.05);
        const int frames = framesFrom(bus, std::max(0, voiceStart), length + int(0.4 * sampleRate));
        for (int i = 0; i < frames; ++i) {
            const double t = double(i) / sampleRate;
            // "e" gliding into the "j": the first formant falls, the second and third rise.
            const float glide = float(std::clamp((t - breath - 0.6 * vowel) / (0.4 * vowel), 0.0, 1.0));
            if (i % coefficientInterval == 0) {
                coefficients[0] = filterCoefficients(580.0f - 260.0f * glide, 0.8f);
                coefficients[1] = filterCoefficients(1750.0f + 500.0f * glide, 0.8f);
                coefficients[2] = filterCoefficients(2500.0f + 400.0f * glide, 0.8f);
            }
            saw.increment = voice.pitch * (1.06 - 0.12 * std::min(1.0, t / (breath + vowel))) / sampleRate;
            const float voiced = t < breath ? 0.0f : stepEnvelope(voicing);
            const float breathiness = t < breath ? float(t / breath) * 0.5f : 0.12f * voiced;
            const float source = stepSaw(saw) * voiced + randomSigned(rng) * breathiness;
            float value = 0.0f;
            for (size_t f = 0; f < formants.size(); ++f)
                value += stepFilter(formants[f], coefficients[f], source).band * formantGains[f];
            value *= level;
            addFrame(bus, std::max(0, voiceStart) + i, value * gains.left, value * gains.right);
        }
    }
}
