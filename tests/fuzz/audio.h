#pragma once
// The audio stand-in offline, given bytes from memory (inputs of even length) or from a file (odd
// length). Each input opens the stand-in, plays its channel for 2048 frames and closes it again,
// which frees the channel.
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

#include "audio/bass.h"
#include "audio/bass_close.h"
#include "audio/bass_offline.h"

template <typename Open>
void playFromMemoryOrFile(const unsigned char* data, std::size_t size, Open open)
{
    static const std::string path = "/tmp/nerethval-fuzz-" + std::to_string(getpid()) + ".audio";
    static std::int16_t pcm[2 * 2048];
    bassSetOfflineMode(true);
    BASS_Init(-1, 44100, 0, nullptr, nullptr);
    DWORD handle = 0;
    if (size % 2 == 0) {
        handle = open(1, data, size);
    } else {
        std::FILE* file = std::fopen(path.c_str(), "wb");
        if (!file) {
            bassClose();
            return;
        }
        std::fwrite(data, 1, size, file);
        std::fclose(file);
        handle = open(0, path.c_str(), 0);
        // A stream from a file reads it as it plays: its open descriptor keeps the bytes.
        unlink(path.c_str());
    }
    if (handle != 0) {
        BASS_ChannelPlay(handle, 0);
        bassRenderOffline(2048, pcm);
        BASS_ChannelGetPosition(handle, BASS_POS_MUSIC_ORDER);
    }
    bassClose();
}
