#include "runtime/png_file.h"

#include <libdeflate.h>
#include <png.h>

#include <climits>
#include <csetjmp>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/files.h"
#include "runtime/zlib_rules.h"

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
    // Room for the whole file and the read that finds its end, when its size is known.
    std::error_code unknown;
    const std::uintmax_t size = std::filesystem::file_size(path, unknown);
    holdAtLeast(bytes, unknown || size >= 1u << 30 ? 1 << 16 : std::size_t(size) + 1);
    length = 0;
    std::int64_t got;
    while ((got = readAt(file, bytes.data() + length, bytes.size() - length, length)) > 0) {
        length += std::size_t(got);
        if (length == bytes.size())
            bytes.resize(2 * bytes.size());
    }
    closeFile(file);
    return got == 0 && length > 0;
}

// Deflate makes at most 258 bytes from two bits, a length and a distance codeword of a bit each:
// 1032 bytes a byte. A header that claims more than its file could hold is refused before any
// memory is taken for it; so is one past SFML's limits, 2^24 texels a side and 2^30 bytes in all.
bool sizeFits(std::size_t width, std::size_t height, std::size_t filteredBytes, std::size_t dataBytes)
{
    return width > 0 && height > 0 && width <= 1u << 24 && height <= 1u << 24 &&
           height <= (std::size_t(1) << 30) / width / texelBytes && filteredBytes <= 1032 * dataBytes;
}

struct Header {
    unsigned width = 0;
    unsigned height = 0;
};

// Walks the chunks: IHDR first and of our kind, IDAT joined in file order, up to IEND, each with
// its CRC. Ancillary chunks are skipped unchecked, as libpng drops a damaged one; any other
// critical chunk, and tRNS, are libpng's to read.
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
        if (length > fileLength - at - 12 || length > INT_MAX)
            return false;
        const unsigned char* type = &file[at + 4];
        const unsigned char* data = &file[at + 8];
        const bool critical = (type[0] & 0x20) == 0;
        if (critical && libdeflate_crc32(0, type, length + 4) != bigEndian32(data + length))
            return false;
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
        } else if (critical || std::memcmp(type, "tRNS", 4) == 0) {
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


PngRead readQuickly(const unsigned char* file, std::size_t fileLength, PngScratch& scratch, sf::Image& image)
{
    Header header;
    if (!readChunks(file, fileLength, header, scratch.compressed))
        return PngRead::Failed;
    const unsigned width = header.width;
    const unsigned height = header.height;
    const std::size_t rowBytes = std::size_t(width) * texelBytes;
    const std::size_t filteredBytes = (rowBytes + 1) * height;
    if (!sizeFits(width, height, filteredBytes, scratch.compressed.size()))
        return PngRead::Failed;
    holdAtLeast(scratch.filtered, filteredBytes);
    if (!scratch.inflater)
        scratch.inflater.reset(libdeflate_alloc_decompressor());
    // Exactly the rows' bytes, with the right checksum, from a stream that zlib inflates too and
    // that ends where the image data ends, as libpng wants it.
    std::size_t streamBytes = 0;
    if (!scratch.inflater ||
        libdeflate_zlib_decompress_ex(scratch.inflater.get(), scratch.compressed.data(), scratch.compressed.size(),
                                      scratch.filtered.data(), filteredBytes, &streamBytes, nullptr) != LIBDEFLATE_SUCCESS ||
        streamBytes != scratch.compressed.size() || !inflatesAsZlibDoes(scratch.compressed.data(), streamBytes))
        return PngRead::Failed;

    // The row above the first is all zeros.
    holdAtLeast(scratch.pixels, rowBytes * (height + 1));
    std::memset(scratch.pixels.data(), 0, rowBytes);
    for (std::size_t y = 0; y < height; ++y) {
        const unsigned char* in = &scratch.filtered[y * (rowBytes + 1)];
        if (in[0] > 4)
            return PngRead::Failed;
        unsigned char* out = &scratch.pixels[(y + 1) * rowBytes];
        unfilterRow(in[0], in + 1, out - rowBytes, out, rowBytes);
    }
    image.create(width, height, &scratch.pixels[rowBytes]);
    return PngRead::Quick;
}

struct MemoryFile {
    const unsigned char* bytes;
    std::size_t length;
    std::size_t at;
};

void readFromMemory(png_structp png, png_bytep out, png_size_t count)
{
    MemoryFile& file = *static_cast<MemoryFile*>(png_get_io_ptr(png));
    if (count > file.length - file.at)
        png_error(png, "truncated");
    std::memcpy(out, file.bytes + file.at, count);
    file.at += count;
}

// libpng reports by jumping back to the setjmp in readWithLibpng; the loader says which image failed.
[[noreturn]] void refuse(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

void overlook(png_structp, png_const_charp) {}

// libpng leaves by longjmp on any damage, so nothing here may need destroying on the way out:
// the pixels go into the scratch buffer, and the row loop uses no objects.
bool decodeWithLibpng(png_structp png, png_infop info, MemoryFile& file, std::vector<unsigned char>& pixels,
                      png_uint_32& width, png_uint_32& height)
{
    if (setjmp(png_jmpbuf(png)))
        return false;
    png_set_read_fn(png, &file, readFromMemory);
    png_set_crc_action(png, PNG_CRC_ERROR_QUIT, PNG_CRC_WARN_DISCARD);
    // Extra image data, a bad checksum after the last row and the like are errors, not warnings.
    png_set_benign_errors(png, 0);
    png_read_info(png, info);
    width = png_get_image_width(png, info);
    height = png_get_image_height(png, info);
    const std::size_t filteredBytes = (png_get_rowbytes(png, info) + 1) * std::size_t(height);
    if (!sizeFits(width, height, filteredBytes, file.length))
        return false;
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_add_alpha(png, 0xff, PNG_FILLER_AFTER);
    const int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    const std::size_t rowBytes = std::size_t(width) * texelBytes;
    if (png_get_rowbytes(png, info) != rowBytes)
        return false;
    holdAtLeast(pixels, rowBytes * height);
    for (int pass = 0; pass < passes; ++pass)
        for (png_uint_32 y = 0; y < height; ++y)
            png_read_row(png, &pixels[y * rowBytes], nullptr);
    png_read_end(png, nullptr);
    return true;
}

PngRead readWithLibpng(const unsigned char* bytes, std::size_t length, PngScratch& scratch, sf::Image& image)
{
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, refuse, overlook);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    MemoryFile file{bytes, length, 0};
    png_uint_32 width = 0, height = 0;
    const bool read = info && decodeWithLibpng(png, info, file, scratch.pixels, width, height);
    png_destroy_read_struct(&png, &info, nullptr);
    if (!read)
        return PngRead::Failed;
    image.create(width, height, scratch.pixels.data());
    return PngRead::Libpng;
}

}  // namespace

sf::Vector2u pngSize(const char* path)
{
    // Signature, IHDR's length and type, then width and height.
    unsigned char start[24];
    const int file = openForReading(path);
    if (file < 0)
        return {};
    const bool read24 = readAt(file, start, sizeof start, 0) == std::int64_t(sizeof start);
    closeFile(file);
    if (!read24 || std::memcmp(start + 1, "PNG", 3) != 0 || std::memcmp(start + 12, "IHDR", 4) != 0)
        return {};
    return {bigEndian32(start + 16), bigEndian32(start + 20)};
}

PngRead readPng(const char* path, PngScratch& scratch, sf::Image& image)
{
    std::size_t length = 0;
    if (!readWholeFile(path, scratch.file, length))
        return PngRead::Failed;
    const PngRead quick = readQuickly(scratch.file.data(), length, scratch, image);
    return quick == PngRead::Quick ? quick : readWithLibpng(scratch.file.data(), length, scratch, image);
}
