// MP3 streams through the audio stand-in, from memory or from a file.
#include "audio.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    playFromMemoryOrFile(data, size, [](BOOL mem, const void* file, std::size_t length) {
        return BASS_StreamCreateFile(mem, file, 0, length, 0);
    });
    return 0;
}
