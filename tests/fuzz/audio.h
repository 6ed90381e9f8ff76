#pragma once
// The audio stand-in offline, given the same bytes from memory and from a file: each accepted
// channel plays its first 2048 frames into the mix. The stand-in keeps every channel it opened (its
// interface has no call to free one), so scripts/fuzz.sh runs a target in rounds of at most a minute.
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

#include "platform/bass.h"
#include "platform/bass_offline.h"

inline void startOffline()
{
    bassSetOfflineMode(true);
    BASS_Init(-1, 44100, 0, nullptr, nullptr);
}

template <typename Open>
void playFromMemoryAndFile(const unsigned char* data, std::size_t size, Open open)
{
    static const std::string path = "/tmp/nerethval-fuzz-" + std::to_string(getpid()) + ".audio";
    static std::int16_t pcm[2 * 2048];
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    const DWORD handles[2] = {open(1, data, size), open(0, path.c_str(), 0)};
    // A stream from a file reads it as it plays: the open descriptor keeps the bytes after this.
    unlink(path.c_str());
    for (const DWORD handle : handles) {
        if (handle == 0)
            continue;
        BASS_ChannelPlay(handle, 0);
        bassRenderOffline(2048, pcm);
        BASS_ChannelGetPosition(handle, BASS_POS_MUSIC_ORDER);
    }
}
