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
// A context time, on a whole frame, early enough to be near and late enough that a sound
// scheduled now for it starts whole.
double pageAudioStartTime();
// Plays frameCount interleaved stereo frames from context time `when` on, as part of `voice`.
void pageAudioPlay(unsigned voice, const std::int16_t* pcm, std::size_t frameCount, double when);
// Silences everything scheduled for `voice`, playing or not yet started.
void pageAudioStop(unsigned voice);
// Runs `task` once, soon, as a task of its own between the browser's frames.
void pageAudioLater(void (*task)());
