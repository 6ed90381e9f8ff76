#pragma once
// LAME encoding of the finished soundtrack.
#include <vector>

#include "music_dsp.h"

// The audio (samples within ±1) as a VBR MP3 whose first frame carries the LAME tag, so that
// decoders trim the encoder's delay and padding and give back exactly audio's length.
std::vector<unsigned char> encodeMp3(const StereoBuffer& audio);
