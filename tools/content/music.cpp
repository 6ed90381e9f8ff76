// The soundtrack "nerethval_dream.mp3": a night piece in D minor on the module's own grid, one
// four-bar section per module order from 1 to 19, mastered to about -14 LUFS and encoded by LAME.
// Contents: the chords and the arrangement table, the moments tied to pictures, the render, the mix.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <stdexcept>

#include "content.h"
#include "music_mp3.h"
#include "music_voices.h"

namespace {

struct Chord {
    int root;                // bass note
    std::array<int, 5> pad;  // the pad's voicing, low to high
};

constexpr Chord dMinor{38, {50, 57, 60, 65, 69}};
constexpr Chord bFlatMajor{34, {46, 53, 57, 62, 65}};
constexpr Chord fMajor{41, {53, 57, 60, 64, 69}};
constexpr Chord cMajor{36, {48, 55, 62, 64, 67}};
constexpr Chord gMinor{43, {55, 58, 62, 65, 69}};
constexpr Chord aMajor{33, {45, 52, 55, 61, 64}};
constexpr Chord aMinor{33, {45, 52, 57, 60, 64}};
constexpr Chord gMajor{43, {55, 59, 62, 67, 71}};
constexpr Chord bMajor{35, {47, 54, 59, 63, 66}};
constexpr Chord dMajor{38, {50, 57, 62, 66, 69}};

// One chord per bar.
using Progression = std::array<Chord, 4>;
constexpr Progression homeChords{dMinor, bFlatMajor, fMajor, cMajor};
constexpr Progression turnChords{gMinor, bFlatMajor, dMinor, aMajor};
constexpr Progression liftChords{bFlatMajor, cMajor, dMinor, aMajor};
// The credits walk home to the dominant; the last chord is the black's.
constexpr Progression outroChords{dMinor, bFlatMajor, gMinor, aMajor};
// The gem's reveal takes the relative major's side, every bar a chord the other reveals do not have there.
constexpr Progression gemChords{bFlatMajor, cMajor, aMinor, dMinor};
// Each verse walks its own way back to the reveal after it.
constexpr Progression climbChords{fMajor, cMajor, gMinor, aMajor};
constexpr Progression minorFifthChords{dMinor, aMinor, bFlatMajor, cMajor};
// Ends on B major, the door into E minor, where scenes 09 and 10 play.
constexpr Progression pivotChords{aMinor, fMajor, gMajor, bMajor};
constexpr Progression descentChords{dMinor, cMajor, bFlatMajor, aMajor};

struct Note {
    int row;     // 0–63 within the section
    int length;  // rows
    int pitch;   // MIDI note
};

// The lead's two phrases, one over each progression.
const std::vector<Note> homeMelody = {
    {0, 6, 69}, {6, 2, 67}, {8, 4, 65}, {12, 2, 64}, {14, 2, 65},
    {16, 6, 74}, {22, 2, 72}, {24, 4, 70}, {28, 4, 69},
    {32, 6, 72}, {38, 2, 69}, {40, 4, 65}, {44, 2, 67}, {46, 2, 69},
    {48, 8, 67}, {56, 4, 64}, {60, 4, 62}};
const std::vector<Note> turnMelody = {
    {0, 6, 70}, {6, 2, 69}, {8, 4, 67}, {12, 4, 74},
    {16, 6, 74}, {22, 2, 72}, {24, 2, 70}, {26, 2, 72}, {28, 4, 74},
    {32, 6, 77}, {38, 2, 76}, {40, 4, 74}, {44, 4, 69},
    {48, 8, 73}, {56, 4, 76}, {60, 4, 73}};
// The verses' own lines: a bell answer over turnChords, a soft lead over minorFifthChords, a bell
// climb over pivotChords and a falling duet over descentChords.
const std::vector<Note> answerMelody = {
    {0, 6, 74}, {6, 2, 72}, {8, 8, 70}, {16, 6, 77}, {22, 2, 76}, {24, 8, 74},
    {32, 6, 72}, {38, 2, 74}, {40, 8, 69}, {48, 6, 73}, {54, 2, 76}, {56, 8, 69}};
const std::vector<Note> valleyMelody = {
    {0, 4, 74}, {4, 4, 72}, {8, 8, 69}, {16, 6, 76}, {22, 2, 74}, {24, 8, 72},
    {32, 4, 74}, {36, 4, 77}, {40, 8, 74}, {48, 6, 76}, {54, 2, 79}, {56, 6, 76}};
const std::vector<Note> pivotMelody = {
    {0, 8, 72}, {8, 8, 76}, {16, 8, 77}, {24, 8, 81}, {32, 8, 79}, {40, 8, 74}, {48, 8, 75}, {56, 8, 78}};
const std::vector<Note> descentMelody = {
    {0, 6, 69}, {6, 2, 67}, {8, 8, 65}, {16, 6, 67}, {22, 2, 69}, {24, 8, 64},
    {32, 6, 65}, {38, 2, 67}, {40, 8, 62}, {48, 8, 61}, {56, 8, 64}};

// What a section is for, from the picture it plays under.
enum class Role {
    Opening,   // the credit line, the title and the wall: the motif over a soft pulse, building to the first reveal
    Reveal,    // the first order of scenes 05 to 10: the big image, the full arrangement
    Verse,     // their second order: the emblem and the verse on black, a breath that builds back
    Breakdown, // scene 11's quickening pulses
    Flash,
    Credits,
    Black,
};

struct Section {
    Role role;
    int key;            // semitones above D minor
    const Progression* chords;
    const std::vector<Note>* melody;
    float pad;          // pad level
    float cutoffStart;  // pad filter, Hz, swept across the section
    float cutoffEnd;
    float pulse;        // eighth-note pluck level
    int bellsPerBeat;   // arpeggio density: 0, 1, 2 or 4
    int bellOctave;     // semitones added to the arpeggio
    float drums;        // kick, snare and bass level; 0 for no beat
    int hats;           // 0 none, 1 shaker, 2 closed hats, 3 with open hats
    float lead;         // lead level
    bool harmony;       // lead doubled on the chord tone below
    int leadOctave;     // semitones added to the melody
    float stabs;        // off-beat chord stabs
    const std::vector<Note>* bellMelody; // a tune on the bells, or none
    float bellMelodyLevel;
    float riff;         // the 3-3-2 chord-tone pluck riff
    float heartbeat;    // a verse's soft half-time kick and clap
    int kicks;          // the beat's kick pattern (kickOn)
    int bass;           // the beat's bass figure (bassFigures)
};

// The bass under the beat plays off the kick, so the kick stays short and the low end is the bass's.
// Rows within the beat (-1 for none) and octaves above the root.
struct BassStep {
    int row;
    int octave;
};
constexpr std::array<std::array<BassStep, 2>, 3> bassFigures = {{
    {{{2, 0}, {-1, 0}}},  // 0: the offbeat eighth
    {{{2, 0}, {3, 0}}},   // 1: a gallop, two sixteenths
    {{{2, 0}, {3, 12}}},  // 2: the offbeat and its octave
}};

// The timeline, one row per module order 1–19. The opening's shaker grows into hats before the
// first reveal. Each reveal brings its own figure to the beat: the glints a high arpeggio over the
// offbeat bass, the gem its glitter and the riff over chords of its own with a galloping bass, the
// landscape the lead with an octave bass, the planet the stabs and the sunrise accent, the eclipse
// the driving kick and clap with the riff, the spark disc the arpeggio, the lead and the stabs an
// octave up; scenes 09 and 10 are a tone higher, the breakdown and the flash a minor third. Each
// verse answers its reveal: a bell tune, the glitter over the riff, the lead alone, the stabs as the
// key turns, the kick and clap at half time, the motif on top. The credits walk home to the last
// chord, which rings across the black.
const std::array<Section, soundtrackOrders> arrangement = {{
    // role         key chords             melody          pad    cutoff          pulse bells oct drums  hats lead   harm  oct stabs bell melody     level  riff   beat  kick bass
    {Role::Opening,   0, &homeChords,        &homeMelody,    0.60f, 900.f,  1500.f, 0.5f,  0, 0,  0.0f,  1,  0.0f,  false, 0,  0.0f, &homeMelody,    0.14f, 0.0f,  0.0f, 0, 0},  // 1 credit line
    {Role::Opening,   0, &turnChords,        &turnMelody,    0.36f, 1200.f, 2000.f, 0.4f,  1, 0,  0.0f,  2,  0.2f,  false, 0,  0.0f, nullptr,        0.0f,  0.0f,  0.0f, 0, 0},  // 2 title
    {Role::Opening,   0, &homeChords,        &homeMelody,    0.80f, 1600.f, 2600.f, 0.6f,  2, 0,  0.0f,  3,  0.5f,  false, 0,  0.0f, nullptr,        0.0f,  0.0f,  0.0f, 0, 0},  // 3 the wall
    {Role::Reveal,    0, &homeChords,        &homeMelody,    0.60f, 1400.f, 2400.f, 0.8f,  4, 12, 0.7f,  2,  0.0f,  false, 0,  0.0f, nullptr,        0.0f,  0.0f,  0.0f, 0, 0},  // 4 glints
    {Role::Verse,     0, &turnChords,        &turnMelody,    0.60f, 1600.f, 2800.f, 0.0f,  0, 0,  0.0f,  1,  0.0f,  false, 0,  0.0f, &answerMelody,  0.10f, 0.0f,  0.0f, 0, 0},  // 5 first hexagon
    {Role::Reveal,    0, &gemChords,         &homeMelody,    0.85f, 3600.f, 2600.f, 0.0f,  1, 0,  0.9f,  0,  0.0f,  false, 0,  0.0f, nullptr,        0.0f,  0.7f,  0.0f, 1, 1},  // 6 gem, glitter
    {Role::Verse,     0, &climbChords,       &turnMelody,    0.65f, 2000.f, 3000.f, 0.0f,  0, 0,  0.0f,  0,  0.0f,  false, 0,  0.0f, nullptr,        0.0f,  0.6f,  0.0f, 0, 0},
    {Role::Reveal,    0, &homeChords,        &homeMelody,    0.90f, 2600.f, 3000.f, 0.9f,  2, 0,  0.94f, 3,  0.8f,  false, 0,  0.0f, nullptr,        0.0f,  0.0f,  0.0f, 0, 2},  // 8 landscape
    {Role::Verse,     0, &minorFifthChords,  &valleyMelody,  0.70f, 1400.f, 2600.f, 0.0f,  1, 0,  0.0f,  1,  0.45f, false, 0,  0.0f, nullptr,        0.0f,  0.0f,  0.0f, 0, 0},
    {Role::Reveal,    0, &turnChords,        &turnMelody,    0.85f, 3000.f, 3200.f, 0.9f,  2, 12, 0.96f, 3,  0.8f,  false, 0,  0.6f, nullptr,        0.0f,  0.0f,  0.0f, 0, 0},  // 10 planet
    {Role::Verse,     0, &pivotChords,       &homeMelody,    0.75f, 1800.f, 3600.f, 0.0f,  0, 0,  0.0f,  1,  0.0f,  false, 0,  0.4f, &pivotMelody,   0.09f, 0.0f,  0.0f, 0, 0},
    {Role::Reveal,    2, &homeChords,        &homeMelody,    0.85f, 3000.f, 3400.f, 1.0f,  0, 0,  1.05f, 3,  0.85f, true,  0,  0.0f, nullptr,        0.0f,  0.6f,  0.0f, 2, 1},  // 12 eclipse
    {Role::Verse,     2, &descentChords,     &descentMelody, 0.75f, 2200.f, 3400.f, 0.0f,  1, 0,  0.0f,  1,  0.5f,  true,  12, 0.0f, nullptr,        0.0f,  0.0f,  0.5f, 0, 0},
    {Role::Reveal,    2, &turnChords,        &turnMelody,    0.85f, 3400.f, 4200.f, 1.0f,  4, 12, 1.1f,  3,  0.9f,  true,  12, 0.6f, nullptr,        0.0f,  0.0f,  0.0f, 1, 2},  // 14 spark disc
    {Role::Verse,     2, &homeChords,        &homeMelody,    0.75f, 2600.f, 1600.f, 0.0f,  4, 12, 0.0f,  1,  0.4f,  false, 12, 0.0f, nullptr,        0.0f,  0.0f,  0.0f, 0, 0},
    {Role::Breakdown, 3, &liftChords,        &homeMelody,    0.70f, 600.f,  6500.f, 0.0f,  0, 0,  0.0f,  0,  0.0f,  false, 0,  0.0f, nullptr,        0.0f,  0.0f,  0.0f, 0, 0},  // 16 quickening pulses
    {Role::Flash,     3, &homeChords,        &homeMelody,    1.60f, 5000.f, 4000.f, 1.1f,  4, 12, 1.4f,  3,  1.2f,  true,  12, 0.8f, nullptr,        0.0f,  0.6f,  0.0f, 1, 2},  // 17 flash
    {Role::Credits,   0, &outroChords,       &homeMelody,    0.35f, 2600.f, 900.f,  0.0f,  1, 0,  0.0f,  0,  0.0f,  false, 0,  0.0f, nullptr,        0.0f,  0.0f,  0.0f, 0, 0},  // 18 credits
    {Role::Black,     0, &outroChords,       &homeMelody,    0.0f,  900.f,  350.f,  0.0f,  0, 0,  0.0f,  0,  0.0f,  false, 0,  0.0f, nullptr,        0.0f,  0.0f,  0.0f, 0, 0},  // 19 black: the last chord rings out
}};

// Sections (0-based, order − 1) with their own moments.
constexpr int firstRevealSection = 3;  // scene 05: the beat drops
constexpr int hejSection = 4;          // scene 05 shouts as its emblem gives way to the verse
constexpr int glitterSection = 5;      // scene 06
constexpr int flareSection = 7;        // scene 07's flares, beats 11 to 14
constexpr int breakdownSection = 15;   // scene 11's quickening pulses
constexpr int climaxSection = 16;      // the white flash
constexpr int endingSection = 18;      // the black, over which the last chord rings out
constexpr int sunriseSection = 9;      // scene 08, the planet
// Scene 08's sun clears the planet's rim in one frame at 100.017 s of the timeline; the track's
// first sample is heard at 9.4167 s. The flare falls between rows 40 and 41 of its reveal.
const int sunriseSample = int((100.017 - 9.4167) * sampleRate + 0.5);
constexpr int climaxStopRow = 56;      // the flash fades to black in its last half bar

int rowStart(int section, int row) { return section * orderSamples + row * rowSamples; }

Chord chordAt(int section, int row)
{
    const Section& s = arrangement[size_t(section)];
    Chord chord = (*s.chords)[size_t(row / 16)];
    chord.root += s.key;
    for (int& tone : chord.pad)
        tone += s.key;
    return chord;
}

// The tonic the kick is tuned to.
int kickNote(int section) { return 38 + arrangement[size_t(section)].key; }

Role roleOf(int section) { return section < soundtrackOrders ? arrangement[size_t(section)].role : Role::Black; }

// The bells' five tones for a chord, an octave above the pad.
std::array<int, 5> bellTones(const Chord& chord)
{
    std::array<int, 5> tones{};
    for (size_t i = 0; i < tones.size(); ++i)
        tones[i] = chord.pad[i] + 12;
    return tones;
}

// When scene 11 releases its hexagon pulses, in seconds from its start: its timer passes one beat
// divided by a rate that climbs by half a pulse per beat every second, until it stops at 7.059 s.
// Stepped at 60 frames per second, as the demo draws them.
std::vector<double> hexagonPulseTimes()
{
    const double frame = 1.0 / 60.0;
    std::vector<double> times;
    double rate = 0.1;
    double timer = 0.0;
    for (int i = 1; i * frame < 7.059; ++i) {
        timer += frame;
        rate = std::min(4.0, rate + 0.5 * frame);
        if (timer > oneBeat / rate) {
            timer = 0.0;
            times.push_back(i * frame);
        }
    }
    return times;
}

struct Buses {
    StereoBuffer pad;
    StereoBuffer low;    // pulse and bass
    StereoBuffer bells;  // arpeggios, glitter, flares, pings
    StereoBuffer lead;
    StereoBuffer drums;
    StereoBuffer effects;
    std::vector<float> pump; // 0–1, how far the kick pushes the other parts down
};

void markKick(std::vector<float>& pump, int start)
{
    const int attack = int(0.004 * sampleRate);
    const int frames = std::min(int(0.3 * sampleRate), int(pump.size()) - start);
    for (int i = 0; i < frames; ++i) {
        const float shape = i < attack ? float(i) / attack : std::exp(-float(i - attack) / (0.07f * sampleRate));
        pump[size_t(start + i)] = std::max(pump[size_t(start + i)], shape);
    }
}

void writePads(Buses& buses, MusicRng& rng, int section)
{
    const Section& s = arrangement[size_t(section)];
    if (s.pad <= 0.0f)
        return;
    for (int bar = 0; bar < 4; ++bar) {
        const Chord chord = chordAt(section, bar * 16);
        int length = barSamples;
        // The breakdown holds its breath for the last eighth before the drop, a verse for the last
        // beat before its reveal.
        if (section == breakdownSection && bar == 3)
            length -= 2 * rowSamples;
        if (s.role == Role::Verse && roleOf(section + 1) == Role::Reveal && bar == 3)
            length -= 4 * rowSamples;
        for (int note : chord.pad)
            addPadNote(buses.pad, rng, rowStart(section, bar * 16), length, note, s.pad * 0.16f);
    }
}

void writePulse(Buses& buses, int section)
{
    const Section& s = arrangement[size_t(section)];
    if (s.pulse <= 0.0f)
        return;
    // Before a reveal the pulse holds its breath for the last beat.
    const int lastRow = roleOf(section + 1) == Role::Reveal ? 60 : 64;
    for (int row = 0; row < lastRow; row += 2) {
        const float accent = row % 4 == 2 ? 1.0f : 0.75f;
        addPluck(buses.low, rowStart(section, row), rowSamples / 2, chordAt(section, row).root + 12, s.pulse * accent * 0.15f,
                 0.6f + 0.3f * s.pulse);
    }
}

void writeBells(Buses& buses, MusicRng& rng, int section)
{
    const Section& s = arrangement[size_t(section)];
    if (s.bellsPerBeat == 0)
        return;
    constexpr std::array<int, 16> pattern = {0, 2, 1, 3, 2, 4, 3, 1, 0, 2, 1, 3, 4, 3, 2, 1};
    const int step = 4 / s.bellsPerBeat;
    const float decay = s.bellsPerBeat == 4 ? 0.35f : s.bellsPerBeat == 2 ? 0.6f : 1.4f;
    // A verse keeps only a soft bell a beat, an echo of the reveal before it.
    const float level = s.role == Role::Verse ? 0.08f : 0.14f;
    const int lastRow = section == climaxSection ? climaxStopRow : 64;
    for (int row = 0; row < lastRow; row += step) {
        const auto tones = bellTones(chordAt(section, row));
        const int index = pattern[size_t((row / step) % 16)];
        const float accent = row % 4 == 0 ? 1.0f : row % 4 == 3 ? 0.8f : 0.6f;
        addBell(buses.bells, rowStart(section, row), tones[size_t(index)] + s.bellOctave,
                level * accent * (0.9f + 0.2f * randomUnit(rng)), (row / step) % 2 ? 0.45f : -0.45f, decay, 1.0f);
    }
}

// Off-beat chord stabs: the pad's upper three tones as bright plucks, on the "and" of every beat;
// a verse keeps those of beats 2 and 4.
void writeStabs(Buses& buses, int section)
{
    const Section& s = arrangement[size_t(section)];
    if (s.stabs <= 0.0f)
        return;
    const int lastRow = section == climaxSection ? climaxStopRow : 64;
    const int step = s.role == Role::Verse ? 8 : 4;
    for (int row = step - 2; row < lastRow; row += step)
        for (size_t tone = 2; tone < 5; ++tone)
            addPluck(buses.bells, rowStart(section, row), rowSamples, chordAt(section, row).pad[tone] + 12,
                     0.05f * s.stabs, 1.6f);
}

// The 3-3-2 riff: chord tones an octave above the pad on the first, fourth and seventh row of every
// half bar, climbing and falling back.
void writeRiff(Buses& buses, int section)
{
    const Section& s = arrangement[size_t(section)];
    if (s.riff <= 0.0f)
        return;
    constexpr std::array<int, 6> rows = {0, 3, 6, 8, 11, 14};
    constexpr std::array<size_t, 6> tones = {2, 3, 4, 3, 2, 1};
    const int lastRow = section == climaxSection ? climaxStopRow : 64;
    for (int bar = 0; bar < 4; ++bar)
        for (size_t i = 0; i < rows.size(); ++i) {
            const int row = bar * 16 + rows[i];
            if (row >= lastRow)
                continue;
            const int length = (i + 1 < rows.size() ? rows[i + 1] : 16) - rows[i];
            addPluck(buses.bells, rowStart(section, row), length * rowSamples, chordAt(section, row).pad[tones[i]] + 12,
                     (i % 3 == 0 ? 0.07f : 0.05f) * s.riff, 1.2f);
        }
}

// A tune on the bells, long and ringing, in the section's key.
void writeBellMelody(Buses& buses, int section)
{
    const Section& s = arrangement[size_t(section)];
    if (s.bellMelody == nullptr)
        return;
    for (const Note& note : *s.bellMelody)
        addBell(buses.bells, rowStart(section, note.row), note.pitch + s.key, s.bellMelodyLevel,
                note.row % 16 < 8 ? -0.25f : 0.25f, 0.35f * float(note.length), 0.9f);
}

// Hats and shakers, with or without the beat. In the opening they grow from a soft shaker to the
// reveal's level, so the picture moves before the first beat drops.
void writeHats(Buses& buses, MusicRng& rng, int section)
{
    const Section& s = arrangement[size_t(section)];
    const int lastRow = section == climaxSection ? climaxStopRow : 64;
    for (int row = 0; row < lastRow && s.hats > 0; ++row) {
        const int position = rowStart(section, row);
        const bool offbeat = row % 4 == 2;
        const float level =
            s.role == Role::Opening ? 0.5f + 0.6f * float(section * 64 + row) / float(firstRevealSection * 64) : 1.0f;
        if (s.hats >= 3 && offbeat)
            addHat(buses.drums, rng, position, 0.22f * level, 0.22f, 0.25f);
        else if (s.hats >= 2 && row % 2 == 0)
            addHat(buses.drums, rng, position, (offbeat ? 0.24f : 0.15f) * level, 0.045f, 0.25f);
        else if (s.hats >= 2)
            addHat(buses.drums, rng, position, (0.08f + 0.03f * randomUnit(rng)) * level, 0.03f, -0.2f);
        if (s.hats == 1 || (s.hats >= 3 && row % 2 == 1))
            addShaker(buses.drums, rng, position, (offbeat ? 0.2f : 0.12f) * level, -0.35f);
    }
}

// The kick patterns: 0 beats one and three, pushed on the last sixteenth of beat three every other
// bar; 1 driving, beat two too and all four in the last bar; 2 dotted, rows 0, 6 and 12 of the bar
// (the riff's 3-3-2 at half speed).
bool kickOn(int pattern, int bar, int inBar)
{
    if (pattern == 2)
        return inBar == 0 || inBar == 6 || inBar == 12;
    const bool pushed = inBar == 0 || inBar == 8 || (inBar == 10 && bar % 2 == 1);
    if (pattern == 1)
        return pushed || inBar == 4 || (inBar == 12 && bar == 3);
    return pushed;
}

void writeBeat(Buses& buses, MusicRng& rng, int section)
{
    const Section& s = arrangement[size_t(section)];
    if (s.drums <= 0.0f)
        return;
    const int lastRow = section == climaxSection ? climaxStopRow : 64;
    const bool driving = s.kicks == 1;
    for (int row = 0; row < lastRow; ++row) {
        const int inBar = row % 16;
        const int bar = row / 16;
        const int position = rowStart(section, row);
        if (kickOn(s.kicks, bar, inBar)) {
            addKick(buses.drums, rng, position, kickNote(section), 0.36f * s.drums);
            markKick(buses.pump, position);
        }
        if (inBar == 4 || inBar == 12) {
            addSnare(buses.drums, rng, position, 0.26f * s.drums);
            if (driving || s.stabs > 0.0f)
                addClap(buses.drums, rng, position, 0.18f * s.drums);
        }
        const auto& figure = bassFigures[size_t(s.bass)];
        for (size_t step = 0; step < figure.size(); ++step) {
            if (figure[step].row != row % 4)
                continue;
            const bool followed = step + 1 < figure.size() && figure[step + 1].row > 0;
            const int rows = (followed ? figure[step + 1].row : 4) - figure[step].row;
            const int note = chordAt(section, row).root + figure[step].octave;
            addBassNote(buses.low, position, int((rows - 0.3) * rowSamples), note, 0.25f * s.drums);
        }
    }
}

// The opening and the verses have one long bass note a bar. A verse breathes: no beat, a rim on the
// third beat of each bar (half time), and where the reveal before it brought the kick and clap,
// those two at half time; its last bar builds back, with the kick on the beat and a rising snare
// roll, and the low end holds its breath for the last beat before the next reveal.
void writeVerseGroove(Buses& buses, MusicRng& rng, int section)
{
    const Section& s = arrangement[size_t(section)];
    if (s.role != Role::Verse && s.role != Role::Opening)
        return;
    const bool buildsToReveal = roleOf(section + 1) == Role::Reveal;
    for (int bar = 0; bar < 4; ++bar) {
        const Chord chord = chordAt(section, bar * 16);
        const int rows = buildsToReveal && bar == 3 ? 8 : 14;
        addBassNote(buses.low, rowStart(section, bar * 16), rows * rowSamples, chord.root + 12, 0.07f);
        if (s.role == Role::Opening)
            continue;
        addSnare(buses.drums, rng, rowStart(section, bar * 16 + 8), 0.1f);
        if (s.heartbeat > 0.0f && !(buildsToReveal && bar == 3)) {
            addKick(buses.drums, rng, rowStart(section, bar * 16), kickNote(section), 0.3f * s.heartbeat);
            addKick(buses.drums, rng, rowStart(section, bar * 16 + 6), kickNote(section), 0.2f * s.heartbeat);
            markKick(buses.pump, rowStart(section, bar * 16));
            addClap(buses.drums, rng, rowStart(section, bar * 16 + 8), 0.2f * s.heartbeat);
        }
    }
    if (s.role == Role::Opening || !buildsToReveal)
        return;
    for (int row = 48; row < 64; ++row) {
        if (row % 4 == 0 && row < 60) {
            addKick(buses.drums, rng, rowStart(section, row), kickNote(section + 1), 0.16f + 0.04f * float(row - 48) / 4.0f);
            markKick(buses.pump, rowStart(section, row));
        }
        if (row >= 56 || row % 2 == 0)
            addSnare(buses.drums, rng, rowStart(section, row), 0.04f + 0.12f * float(row - 48) / 16.0f);
    }
}

void writeLead(Buses& buses, int section)
{
    const Section& s = arrangement[size_t(section)];
    if (s.lead <= 0.0f)
        return;
    for (const Note& note : *s.melody) {
        if (section == climaxSection && note.row >= climaxStopRow)
            continue;
        const int start = rowStart(section, note.row);
        const int length = note.length * rowSamples - rowSamples / 3;
        const int pitch = note.pitch + s.key + s.leadOctave;
        addLeadNote(buses.lead, start, length, pitch, 0.16f * s.lead);
        if (s.harmony) {
            // The nearest chord tone at least a tone below keeps the second voice consonant.
            int below = pitch - 2;
            const Chord chord = chordAt(section, note.row);
            while (std::none_of(chord.pad.begin(), chord.pad.end(), [&](int tone) { return (below - tone) % 12 == 0; }))
                --below;
            addLeadNote(buses.lead, start, length, below, 0.1f * s.lead);
        }
    }
}

// Twinkles: high chord tones on sixteenth notes, each sounding with the given chance.
void addGlitter(Buses& buses, MusicRng& rng, int section, float chance, float level)
{
    for (int row = 0; row < 64; ++row) {
        if (randomUnit(rng) > chance)
            continue;
        const auto tones = bellTones(chordAt(section, row));
        const int tone = tones[size_t(nextRandom(rng) % tones.size())] + 12;
        addBell(buses.bells, rowStart(section, row), tone,
                (0.05f + 0.03f * randomUnit(rng)) * level, randomSigned(rng) * 0.8f, 0.5f, 0.8f);
    }
}

// The moments the pictures ask for.
void writeMoments(Buses& buses, MusicRng& rng)
{
    // A single low bell greets the credit line and the title.
    addBell(buses.bells, rowStart(0, 0), 62, 0.12f, -0.2f, 2.5f, 0.6f);
    addBell(buses.bells, rowStart(1, 0), 69, 0.1f, 0.2f, 2.5f, 0.6f);

    // Every reveal lands on its first beat: a swell and a snare roll into it, then the impact and
    // a crash on the downbeat as the big image appears, washing long and short by turns.
    for (int section = 0; section < soundtrackOrders; ++section) {
        if (arrangement[size_t(section)].role != Role::Reveal)
            continue;
        addRiser(buses.effects, rng, rowStart(section, 0), barSamples, section == firstRevealSection ? 0.3f : 0.22f);
        addImpact(buses.effects, rowStart(section, 0), section == firstRevealSection ? 0.34f : 0.26f);
        addCrash(buses.effects, rng, rowStart(section, 0), 0.2f, section % 4 == 3 ? 2.4f : 0.9f);
    }
    // The wall rolls into the first drop; the verses roll themselves (writeVerseGroove).
    for (int row = 48; row < 64; ++row)
        if (row >= 56 || row % 2 == 0)
            addSnare(buses.drums, rng, rowStart(firstRevealSection - 1, row), 0.04f + 0.12f * float(row - 48) / 16.0f);

    // Scene 05's shout, as it prints it: its emblem gives way to the verse.
    addShout(buses.effects, rng, rowStart(hejSection, 32), 0.12f);

    // Glitter twinkles over scene 06's gem, and more sparsely over its verse.
    addGlitter(buses, rng, glitterSection, 0.5f, 1.0f);
    addGlitter(buses, rng, glitterSection + 1, 0.25f, 0.7f);

    // Scene 07's four flares flash on beats 11 to 14: a bell climbing the chord each time.
    for (int flare = 0; flare < 4; ++flare) {
        const int row = (11 + flare) * 4;
        const auto tones = bellTones(chordAt(flareSection, row));
        for (int octave : {12, 24})
            addBell(buses.bells, rowStart(flareSection, row), tones[size_t(flare + 1)] + octave, 0.09f,
                    flare % 2 ? 0.5f : -0.5f, 1.2f, 1.3f);
    }

    // Scene 11: a ping for every hexagon pulse, over a long swell, then a snare roll into the flash.
    const std::vector<double> pulses = hexagonPulseTimes();
    constexpr std::array<int, 4> pingTones = {69, 76, 81, 88};
    const int breakdownKey = arrangement[size_t(breakdownSection)].key;
    for (size_t i = 0; i < pulses.size(); ++i) {
        const float growth = float(i) / float(pulses.size());
        addBell(buses.bells, rowStart(breakdownSection, 0) + int(pulses[i] * sampleRate), pingTones[i % 4] + breakdownKey,
                0.07f + 0.08f * growth, i % 2 ? 0.6f : -0.6f, 0.5f, 0.8f + 1.2f * growth);
    }
    const int gap = rowStart(breakdownSection, 62);
    addRiser(buses.effects, rng, gap, gap - rowStart(breakdownSection, 0), 0.45f);
    for (int row = 48; row < 62; ++row) {
        const int hits = row < 56 ? 1 : 2;
        for (int hit = 0; hit < hits; ++hit)
            addSnare(buses.drums, rng, rowStart(breakdownSection, row) + hit * rowSamples / 2,
                     0.04f + 0.2f * float(row - 48) / 14.0f);
    }

    // The sunrise: a swell through the beat before it, then a crash, a low thump and the chord's upper
    // tones struck high, on the frame the flare appears.
    const Chord dawn = chordAt(sunriseSection, 40);
    addRiser(buses.effects, rng, sunriseSample, beatSamples, 0.2f);
    addCrash(buses.effects, rng, sunriseSample, 0.24f, 2.0f);
    addImpact(buses.effects, sunriseSample, 0.2f);
    for (size_t tone = 2; tone < 5; ++tone)
        addBell(buses.bells, sunriseSample, dawn.pad[tone] + 24, 0.1f, tone % 2 ? 0.4f : -0.4f, 2.0f, 1.4f);

    // The flash: everything at once, and a last crash as the picture goes to black.
    addImpact(buses.effects, rowStart(climaxSection, 0), 0.3f);
    addCrash(buses.effects, rng, rowStart(climaxSection, 0), 0.22f, 2.2f);
    addCrash(buses.effects, rng, rowStart(climaxSection, climaxStopRow), 0.18f, 2.5f);
    addBell(buses.bells, rowStart(climaxSection, climaxStopRow), 74 + arrangement[size_t(climaxSection)].key, 0.12f, 0.0f,
            3.0f, 1.0f);

    // The last chord: the credits' dominant resolves to D major on the black's first beat, a held
    // chord with a low thump and a soft crash, and bells striking its tones upward half a beat apart,
    // left to ring across the black until the demo ends.
    const int last = rowStart(endingSection, 0);
    const int held = rowStart(endingSection, 40) - last;
    for (int note : dMajor.pad)
        addPadNote(buses.pad, rng, last, held, note, 0.12f);
    addBassNote(buses.low, last, held, dMajor.root, 0.16f);
    addImpact(buses.effects, last, 0.22f);
    addCrash(buses.effects, rng, last, 0.14f, 3.0f);
    constexpr std::array<int, 4> lastBells = {62, 69, 74, 78};
    for (size_t i = 0; i < lastBells.size(); ++i)
        addBell(buses.bells, last + int(i) * beatSamples / 2, lastBells[i], 0.14f - 0.02f * float(i),
                i % 2 ? 0.35f : -0.35f, 4.0f, 0.9f);
}

// Pad filter: the section's sweep plus a slow breathing, three bars long so that it meets each
// section at another point.
void filterPads(StereoBuffer& pad)
{
    StateVariableFilter left;
    StateVariableFilter right;
    FilterCoefficients coefficients{};
    for (int n = 0; n < soundtrackSamples; ++n) {
        if (n % 32 == 0) {
            const Section& s = arrangement[size_t(n / orderSamples)];
            const float progress = float(n % orderSamples) / orderSamples;
            const float sweep = s.cutoffStart * std::pow(s.cutoffEnd / s.cutoffStart, progress);
            const float breathing = 1.0f + 0.18f * std::sin(float(twoPi) * float(n) / (3.0f * barSamples));
            coefficients = filterCoefficients(sweep * breathing, 0.2f);
        }
        pad.left[size_t(n)] = stepFilter(left, coefficients, pad.left[size_t(n)]).low;
        pad.right[size_t(n)] = stepFilter(right, coefficients, pad.right[size_t(n)]).low;
    }
}

void duck(StereoBuffer& bus, const std::vector<float>& pump, float depth)
{
    for (size_t n = 0; n < pump.size(); ++n) {
        const float gain = 1.0f - depth * pump[n];
        bus.left[n] *= gain;
        bus.right[n] *= gain;
    }
}

void mixInto(StereoBuffer& target, const StereoBuffer& source, float gain)
{
    for (size_t n = 0; n < target.left.size(); ++n) {
        target.left[n] += source.left[n] * gain;
        target.right[n] += source.right[n] * gain;
    }
}

// The master's tone: the low end eased back under 120 Hz, where the kick, the bass and the impacts
// pile up, and the presence band around 3.5 kHz lifted for the leads, hats and attacks.
void brighten(StereoBuffer& mix)
{
    const float lowCoefficient = 1.0f - std::exp(-float(twoPi) * 120.0f / sampleRate);
    const FilterCoefficients presence = filterCoefficients(3500.0f, 0.0f);
    for (std::vector<float>* channel : {&mix.left, &mix.right}) {
        float low = 0.0f;
        StateVariableFilter band;
        for (float& sample : *channel) {
            low += lowCoefficient * (sample - low);
            sample += -0.3f * low + 0.8f * stepFilter(band, presence, sample).band;
        }
    }
}

// Fades in from the very first sample; over the black the last chord dies away, 3 dB a second, and
// the last half second closes to silence.
float masterFade(int n)
{
    const int fadeInEnd = int(0.05 * sampleRate);
    if (n < fadeInEnd)
        return float(n) / fadeInEnd;
    const int decayStart = rowStart(endingSection, 8);
    if (n < decayStart)
        return 1.0f;
    const float decay = dbToGain(-3.0f * float(n - decayStart) / sampleRate);
    const int closeStart = soundtrackSamples - sampleRate / 2;
    if (n < closeStart)
        return decay;
    const float t = float(n - closeStart) / float(soundtrackSamples - closeStart);
    return decay * (0.5f + 0.5f * std::cos(3.14159265f * t));
}

StereoBuffer renderMix()
{
    Buses buses{makeStereoBuffer(soundtrackSamples), makeStereoBuffer(soundtrackSamples),
                makeStereoBuffer(soundtrackSamples), makeStereoBuffer(soundtrackSamples),
                makeStereoBuffer(soundtrackSamples), makeStereoBuffer(soundtrackSamples),
                std::vector<float>(size_t(soundtrackSamples), 0.0f)};
    MusicRng rng;
    for (int section = 0; section < soundtrackOrders; ++section) {
        writePads(buses, rng, section);
        writePulse(buses, section);
        writeBells(buses, rng, section);
        writeBeat(buses, rng, section);
        writeVerseGroove(buses, rng, section);
        writeStabs(buses, section);
        writeRiff(buses, section);
        writeBellMelody(buses, section);
        writeHats(buses, rng, section);
        writeLead(buses, section);
    }
    writeMoments(buses, rng);

    filterPads(buses.pad);
    duck(buses.pad, buses.pump, 0.55f);
    duck(buses.low, buses.pump, 0.8f);
    duck(buses.bells, buses.pump, 0.3f);
    duck(buses.lead, buses.pump, 0.2f);

    StereoBuffer delaySend = makeStereoBuffer(soundtrackSamples);
    mixInto(delaySend, buses.bells, 0.45f);
    mixInto(delaySend, buses.lead, 0.3f);
    StereoBuffer reverbSend = makeStereoBuffer(soundtrackSamples);
    mixInto(reverbSend, buses.pad, 0.5f);
    mixInto(reverbSend, buses.bells, 0.5f);
    mixInto(reverbSend, buses.lead, 0.35f);
    mixInto(reverbSend, buses.drums, 0.12f);
    mixInto(reverbSend, buses.effects, 0.4f);
    mixInto(reverbSend, buses.low, 0.04f);

    StereoBuffer mix = makeStereoBuffer(soundtrackSamples);
    // Dotted eighths: three rows.
    addPingPongDelay(delaySend, mix, 3 * rowSamples, 0.42f, 3500.0f);
    mixInto(reverbSend, mix, 0.3f);
    addReverb(reverbSend, mix, 0.86f, 0.35f, int(0.025 * sampleRate));
    mixInto(mix, buses.pad, 1.0f);
    mixInto(mix, buses.low, 1.0f);
    mixInto(mix, buses.bells, 1.0f);
    mixInto(mix, buses.lead, 1.0f);
    mixInto(mix, buses.drums, 1.0f);
    mixInto(mix, buses.effects, 1.0f);

    brighten(mix);
    // Below 25 Hz nothing is music; the fade shapes the ends.
    const float coefficient = 1.0f - std::exp(-float(twoPi) * 25.0f / sampleRate);
    float lowLeft = 0.0f;
    float lowRight = 0.0f;
    for (int n = 0; n < soundtrackSamples; ++n) {
        lowLeft += coefficient * (mix.left[size_t(n)] - lowLeft);
        lowRight += coefficient * (mix.right[size_t(n)] - lowRight);
        const float fade = masterFade(n);
        mix.left[size_t(n)] = (mix.left[size_t(n)] - lowLeft) * fade;
        mix.right[size_t(n)] = (mix.right[size_t(n)] - lowRight) * fade;
    }
    return mix;
}

constexpr double targetLoudness = -14.0;
// Leaves room for the peaks that MP3 encoding adds on top of the limited signal.
constexpr float peakCeilingDb = -3.0f;

// Brings the mix to the target loudness under the peak ceiling; limiting costs a little loudness,
// so the gain is corrected until the measure settles.
StereoBuffer master(const StereoBuffer& mix)
{
    float gain = dbToGain(float(targetLoudness - integratedLoudness(mix)));
    StereoBuffer mastered;
    for (int attempt = 0; attempt < 4; ++attempt) {
        mastered = mix;
        gainAndLimit(mastered, gain, dbToGain(peakCeilingDb));
        const double error = targetLoudness - integratedLoudness(mastered);
        if (std::fabs(error) < 0.05)
            break;
        gain *= dbToGain(float(error));
    }
    return mastered;
}

} // namespace

void writeSoundtrack(const std::string& dataDir)
{
    const StereoBuffer soundtrack = master(renderMix());
    const std::vector<unsigned char> mp3 = encodeMp3(soundtrack);
    const std::string path = dataDir + "/nerethval_dream.mp3";
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(mp3.data()), std::streamsize(mp3.size()));
    if (!file)
        throw std::runtime_error("cannot write " + path);
    char loudness[64];
    std::snprintf(loudness, sizeof loudness, " (%.1f LUFS)", integratedLoudness(soundtrack));
    std::cout << "make-content: nerethval_dream.mp3" + std::string(loudness) + "\n" << std::flush;
}
