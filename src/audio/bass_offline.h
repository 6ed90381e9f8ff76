#pragma once
// Offline mode for our own tools: no device and no wall clock; the caller moves time on.
#include <cstdint>

// Call before BASS_Init. Positions then follow only bassRenderOffline.
void bassSetOfflineMode(bool offline);

// Advances the offline clock by frameCount sample frames at the initialised rate. When pcm is
// not null it receives the mix of every playing channel over that span: interleaved stereo,
// 2 * frameCount values.
void bassRenderOffline(std::uint64_t frameCount, std::int16_t* pcm);
