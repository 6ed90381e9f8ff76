// The PNG reader as the loader calls it: bytes from a file, any kind of PNG, strictly. Every
// chunk's CRC is made right first, so that mutated files reach the decoders rather than stopping
// at the CRC check (which the catalogue tests cover).
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>
#include <zlib.h>

#include "runtime/png_file.h"

namespace {

std::uint32_t bigEndian32(const unsigned char* bytes)
{
    return std::uint32_t(bytes[0]) << 24 | std::uint32_t(bytes[1]) << 16 | std::uint32_t(bytes[2]) << 8 | bytes[3];
}

void fixCrcs(std::vector<unsigned char>& file)
{
    for (std::size_t at = 8; file.size() >= at + 12;) {
        const std::uint32_t length = bigEndian32(&file[at]);
        if (length > file.size() - at - 12)
            return;
        const std::uint32_t crc = std::uint32_t(crc32(0, &file[at + 4], length + 4));
        for (int i = 0; i < 4; ++i)
            file[at + 8 + length + i] = static_cast<unsigned char>(crc >> (24 - 8 * i));
        at += 12 + std::size_t(length);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    static const std::string path = "/tmp/nerethval-fuzz-" + std::to_string(getpid()) + ".png";
    static PngScratch scratch;  // one for every file, as a loader's worker keeps it
    std::vector<unsigned char> bytes(data, data + size);
    fixCrcs(bytes);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return 0;
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    sf::Image image;
    pngSize(path.c_str());
    readPng(path.c_str(), scratch, image);
    return 0;
}
