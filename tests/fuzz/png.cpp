// The PNG reader as the loader calls it: bytes from a file, any kind of PNG, strictly. Every
// chunk's CRC, and the zlib checksum of image data in one chunk, are made right first, so that
// mutated files reach the decoders and the deflate walk rather than stopping at a checksum (the
// catalogue tests cover those).
#include <libdeflate.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "runtime/png_file.h"

namespace {

std::uint32_t bigEndian32(const unsigned char* bytes)
{
    return std::uint32_t(bytes[0]) << 24 | std::uint32_t(bytes[1]) << 16 | std::uint32_t(bytes[2]) << 8 | bytes[3];
}

void putBigEndian32(unsigned char* bytes, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[i] = static_cast<unsigned char>(value >> (24 - 8 * i));
}

// The Adler-32 of what the deflate stream makes, after the stream, as long as it fits the chunk.
void fixAdler(unsigned char* data, std::size_t length)
{
    static libdeflate_decompressor* inflater = libdeflate_alloc_decompressor();
    static std::vector<unsigned char> made(1 << 20);
    std::size_t consumed = 0, produced = 0;
    if (length < 6 || libdeflate_deflate_decompress_ex(inflater, data + 2, length - 2, made.data(), made.size(),
                                                       &consumed, &produced) != LIBDEFLATE_SUCCESS ||
        consumed + 6 > length)
        return;
    putBigEndian32(data + 2 + consumed, std::uint32_t(libdeflate_adler32(1, made.data(), produced)));
}

void fixChecksums(std::vector<unsigned char>& file)
{
    for (std::size_t at = 8; file.size() >= at + 12;) {
        const std::uint32_t length = bigEndian32(&file[at]);
        if (length > file.size() - at - 12)
            return;
        if (std::memcmp(&file[at + 4], "IDAT", 4) == 0)
            fixAdler(&file[at + 8], length);
        putBigEndian32(&file[at + 8 + length], std::uint32_t(libdeflate_crc32(0, &file[at + 4], length + 4)));
        at += 12 + std::size_t(length);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    static const std::string path = "/tmp/nerethval-fuzz-" + std::to_string(getpid()) + ".png";
    static PngScratch scratch;  // one for every file, as a loader's worker keeps it
    std::vector<unsigned char> bytes(data, data + size);
    fixChecksums(bytes);
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
