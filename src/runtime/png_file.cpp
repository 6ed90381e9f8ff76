#include "runtime/png_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <libdeflate.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/system.h"

void InflaterRelease::operator()(libdeflate_decompressor* inflater) const
{
    libdeflate_free_decompressor(inflater);
}

namespace {

constexpr std::size_t texelBytes = 4;

std::uint32_t bigEndian32(const unsigned char* bytes)
{
    return std::uint32_t(bytes[0]) << 24 | std::uint32_t(bytes[1]) << 16 | std::uint32_t(bytes[2]) << 8 | bytes[3];
}

// Grows a buffer, never shrinks it: what is already there is overwritten, not cleared first.
void holdAtLeast(std::vector<unsigned char>& buffer, std::size_t bytes)
{
    if (buffer.size() < bytes)
        buffer.resize(bytes);
}

bool readWholeFile(const char* path, std::vector<unsigned char>& bytes, std::size_t& length)
{
    const int file = openForReading(path);
    if (file < 0)
        return false;
    struct stat facts;
    bool complete = fstat(file, &facts) == 0 && facts.st_size > 0;
    length = complete ? std::size_t(facts.st_size) : 0;
    holdAtLeast(bytes, length);
    for (std::size_t done = 0; complete && done < length;) {
        const ssize_t got = read(file, bytes.data() + done, length - done);
        complete = got > 0;
        done += complete ? std::size_t(got) : 0;
    }
    close(file);
    return complete;
}

struct Header {
    unsigned width = 0;
    unsigned height = 0;
};

// Walks the chunks: IHDR first and of our kind, IDAT joined in file order, up to IEND. Ancillary
// chunks are skipped; any other critical chunk, and tRNS (which SFML refuses beside an alpha
// channel), send the file to SFML.
bool readChunks(const unsigned char* file, std::size_t fileLength, Header& header, std::vector<unsigned char>& compressed)
{
    static const unsigned char signature[8] = {137, 'P', 'N', 'G', '\r', '\n', 26, '\n'};
    if (fileLength < sizeof signature || std::memcmp(file, signature, sizeof signature) != 0)
        return false;
    compressed.clear();
    bool headerSeen = false;
    std::size_t at = sizeof signature;
    while (fileLength - at >= 12) {
        const std::uint32_t length = bigEndian32(&file[at]);
        if (length > fileLength - at - 12)
            return false;
        const unsigned char* type = &file[at + 4];
        const unsigned char* data = &file[at + 8];
        if (std::memcmp(type, "IHDR", 4) == 0) {
            // Width, height, then bit depth 8, colour type 6 (RGBA), and the only compression,
            // the only filter method and no interlacing.
            static const unsigned char rgba8[5] = {8, 6, 0, 0, 0};
            if (headerSeen || at != sizeof signature || length != 13 || std::memcmp(data + 8, rgba8, 5) != 0)
                return false;
            header.width = bigEndian32(data);
            header.height = bigEndian32(data + 4);
            headerSeen = true;
        } else if (!headerSeen) {
            return false;
        } else if (std::memcmp(type, "IDAT", 4) == 0) {
            compressed.insert(compressed.end(), data, data + length);
        } else if (std::memcmp(type, "IEND", 4) == 0) {
            return true;
        } else if ((type[0] & 0x20) == 0 || std::memcmp(type, "tRNS", 4) == 0) {
            return false;
        }
        at += 12 + std::size_t(length);
    }
    return false;
}

// A texel's channels side by side in one vector register, wide enough for the Paeth predictor's
// sums and differences; the upper half stays 0.
using Channels = std::int16_t __attribute__((vector_size(16)));
using ChannelBytes = unsigned char __attribute__((vector_size(8)));

Channels texelAt(const unsigned char* bytes)
{
    ChannelBytes texel{};
    std::memcpy(&texel, bytes, texelBytes);
    return __builtin_convertvector(texel, Channels);
}

void putTexel(unsigned char* bytes, Channels channels)
{
    const ChannelBytes texel = __builtin_convertvector(channels, ChannelBytes);
    std::memcpy(bytes, &texel, texelBytes);
}

Channels magnitude(Channels value)
{
    return value < 0 ? -value : value;
}

// Paeth: whichever of left, above and above-left is nearest to left + above - above-left, ties
// going in that order. A texel at a time, all channels at once: each texel waits for the last.
void paethRow(const unsigned char* __restrict in, const unsigned char* __restrict above, unsigned char* __restrict out,
              std::size_t bytes)
{
    Channels left{}, aboveLeft{};
    for (std::size_t i = 0; i < bytes; i += texelBytes) {
        const Channels up = texelAt(above + i);
        const Channels fromLeft = magnitude(up - aboveLeft);
        const Channels fromUp = magnitude(left - aboveLeft);
        const Channels fromCorner = magnitude(up - aboveLeft + left - aboveLeft);
        const Channels leftNearest = (fromLeft <= fromUp) & (fromLeft <= fromCorner);
        const Channels nearest = leftNearest ? left : fromUp <= fromCorner ? up : aboveLeft;
        const Channels texel = (texelAt(in + i) + nearest) & 0xff;
        putTexel(out + i, texel);
        left = texel;
        aboveLeft = up;
    }
}

// The PNG filters for four bytes a texel: each byte is stored as the difference from a
// prediction made from the texels to its left, above and above-left, taken as 0 outside the image.
void unfilterRow(unsigned char filter, const unsigned char* __restrict in, const unsigned char* __restrict above,
                 unsigned char* __restrict out, std::size_t bytes)
{
    constexpr std::size_t t = texelBytes;
    switch (filter) {
    case 0:
        std::memcpy(out, in, bytes);
        return;
    case 1:
        std::memcpy(out, in, t);
        for (std::size_t i = t; i < bytes; ++i)
            out[i] = static_cast<unsigned char>(in[i] + out[i - t]);
        return;
    case 2:
        for (std::size_t i = 0; i < bytes; ++i)
            out[i] = static_cast<unsigned char>(in[i] + above[i]);
        return;
    case 3:
        for (std::size_t i = 0; i < t; ++i)
            out[i] = static_cast<unsigned char>(in[i] + above[i] / 2);
        for (std::size_t i = t; i < bytes; ++i)
            out[i] = static_cast<unsigned char>(in[i] + (out[i - t] + above[i]) / 2);
        return;
    default:
        paethRow(in, above, out, bytes);
        return;
    }
}

}  // namespace

sf::Vector2u pngSize(const char* path)
{
    // Signature, IHDR's length and type, then width and height.
    unsigned char start[24];
    const int file = openForReading(path);
    if (file < 0)
        return {};
    const bool read24 = read(file, start, sizeof start) == ssize_t(sizeof start);
    close(file);
    if (!read24 || std::memcmp(start + 1, "PNG", 3) != 0 || std::memcmp(start + 12, "IHDR", 4) != 0)
        return {};
    return {bigEndian32(start + 16), bigEndian32(start + 20)};
}

bool readRgbaPng(const char* path, PngScratch& scratch, sf::Image& image)
{
    Header header;
    std::size_t fileLength = 0;
    if (!readWholeFile(path, scratch.file, fileLength) ||
        !readChunks(scratch.file.data(), fileLength, header, scratch.compressed))
        return false;
    const unsigned width = header.width;
    const unsigned height = header.height;
    // SFML's own limits: 2^24 texels a side and 2^30 bytes in all.
    if (width == 0 || height == 0 || width > 1u << 24 || height > 1u << 24 || height > (1u << 30) / width / texelBytes)
        return false;
    const std::size_t rowBytes = width * texelBytes;
    const std::size_t filteredBytes = (rowBytes + 1) * height;
    holdAtLeast(scratch.filtered, filteredBytes);
    if (!scratch.inflater)
        scratch.inflater.reset(libdeflate_alloc_decompressor());
    // Exactly the rows' bytes, or SFML decides: it tolerates a few kinds of damage that this refuses.
    if (!scratch.inflater ||
        libdeflate_zlib_decompress(scratch.inflater.get(), scratch.compressed.data(), scratch.compressed.size(),
                                   scratch.filtered.data(), filteredBytes, nullptr) != LIBDEFLATE_SUCCESS)
        return false;

    // The row above the first is all zeros.
    holdAtLeast(scratch.pixels, rowBytes * (height + 1));
    std::memset(scratch.pixels.data(), 0, rowBytes);
    for (std::size_t y = 0; y < height; ++y) {
        const unsigned char* in = &scratch.filtered[y * (rowBytes + 1)];
        if (in[0] > 4)
            return false;
        unsigned char* out = &scratch.pixels[(y + 1) * rowBytes];
        unfilterRow(in[0], in + 1, out - rowBytes, out, rowBytes);
    }
    image.create(width, height, &scratch.pixels[rowBytes]);
    return true;
}
