#pragma once
// The page's own audio output (Web Audio) where the demo runs in a browser. Elsewhere there is no
// page: opening fails and the stand-in opens its sound device instead.
#include <cstddef>
#include <cstdint>

// Makes the page's audio context at `rate` frames a second; false where there is none.
bool openPageAudio(unsigned rate);
// The context time, in seconds, of the sample at the loudspeaker now: the context's clock less
// its output latency, never ahead of the clock itself.
double pageAudioHeardTime();
// Plays frameCount frames, left and right apart, as part of `voice` from context time `when` on.
// A negative `when` is the first whole frame at which they can still start whole; of a `when`
// already past, only what is still ahead of the clock plays. Returns the context time of their
// first frame.
double pageAudioPlay(unsigned voice, const float* left, const float* right, std::size_t frameCount, double when);
// Silences everything scheduled for `voice`, playing or not yet started.
void pageAudioStop(unsigned voice);
// Silences everything and lets the context go, for good: natively the sound ends with the
// process, but a page outlives the demo.
void closePageAudio();
// Runs `task` once, soon, as a task of its own between the browser's frames.
void pageAudioLater(void (*task)());
