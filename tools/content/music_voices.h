#pragma once
// The soundtrack's instruments. Each call adds one note or hit into a stereo bus, starting at a
// sample position; notes are MIDI numbers, levels linear, pans -1 (left) to +1 (right).
#include "music_dsp.h"

// Five detuned saws spread across the stereo field, slow attack and long release.
void addPadNote(StereoBuffer& bus, MusicRng& rng, int start, int length, double note, float level);
// A two-operator FM bell; brightness is the modulation depth at the strike.
void addBell(StereoBuffer& bus, int start, double note, float level, float pan, float decay, float brightness);
// A short filtered saw pair whose filter snaps shut: the eighth-note pulse.
void addPluck(StereoBuffer& bus, int start, int length, double note, float level, float brightness);
// A sine sub with a low-passed saw above it for small speakers.
void addBassNote(StereoBuffer& bus, int start, int length, double note, float level);
// A singing saw lead with delayed vibrato, its two oscillators split left and right.
void addLeadNote(StereoBuffer& bus, int start, int length, double note, float level);

// A short kick that drops onto note and is gone within a sixteenth, with a beater click near 2 kHz.
void addKick(StereoBuffer& bus, MusicRng& rng, int start, double note, float level);
void addSnare(StereoBuffer& bus, MusicRng& rng, int start, float level);
void addClap(StereoBuffer& bus, MusicRng& rng, int start, float level);
void addHat(StereoBuffer& bus, MusicRng& rng, int start, float level, float decay, float pan);
void addShaker(StereoBuffer& bus, MusicRng& rng, int start, float level, float pan);
void addCrash(StereoBuffer& bus, MusicRng& rng, int start, float level, float decay);

// Filtered noise that swells and brightens over length samples and stops dead at end.
void addRiser(StereoBuffer& bus, MusicRng& rng, int end, int length, float level);
// A falling sub thump under a downbeat.
void addImpact(StereoBuffer& bus, int start, float level);
// A small crowd shouting "hej": saw voices through moving vowel formants, the vowel landing on start.
void addShout(StereoBuffer& bus, MusicRng& rng, int start, float level);
