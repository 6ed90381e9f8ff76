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

// libdeflate takes some streams that zlib, the reference inflater, refuses as damaged: the
// reserved length symbols 286 and 287 and distance symbols 30 and 31 of the fixed code, codes whose
// headers declare those symbols, the unassigned codeword of a one-codeword code, a repeat that runs
// past the code lengths. So after libdeflate has inflated a stream this walks it again, symbol by
// symbol without writing anything, and refuses what zlib would. Where zlib's rules are fiddly (an
// empty code-length code; a distance beyond the window the stream's header gives, which zlib
// refuses only once those bytes have left its window) it refuses a little more; libpng, on zlib,
// then decides.
struct BitStream {
    const unsigned char* bytes;
    std::size_t length;
    std::size_t next;  // the next byte to load into `held`
    std::uint64_t held = 0;  // bits loaded and not yet read, the next one lowest
    unsigned heldCount = 0;

    // At least 56 bits held; zeros past the end.
    void refill()
    {
        if (next + 8 <= length) {
            std::uint64_t word;
            std::memcpy(&word, bytes + next, 8);
            if constexpr (__BYTE_ORDER__ == __ORDER_BIG_ENDIAN__)
                word = __builtin_bswap64(word);
            held |= word << heldCount;
            next += (63 - heldCount) / 8;
            heldCount |= 56;
            return;
        }
        for (; heldCount <= 56; heldCount += 8, ++next)
            held |= std::uint64_t(next < length ? bytes[next] : 0) << heldCount;
    }
    void skip(unsigned count)
    {
        held >>= count;
        heldCount -= count;
    }
    unsigned take(unsigned count)
    {
        if (heldCount < count)
            refill();
        const unsigned value = unsigned(held & ((1u << count) - 1));
        skip(count);
        return value;
    }
    // Whether what has been read runs past the end.
    bool overrun() const { return next * 8 - heldCount > length * 8; }
};

constexpr unsigned longestCodeword = 15;
constexpr unsigned tableBits = 10;

// A prefix code. Codewords of up to tableBits bits are looked up by the next tableBits bits of
// the stream: each entry is a symbol with its codeword's length above it; 0 where no codeword
// starts with those bits, `longer` where longer ones do. Those are rare, and decoded bit by bit
// from the number of codewords of each length and the symbols in codeword order.
struct PrefixCode {
    static constexpr std::uint16_t longer = 0xffff;
    std::uint16_t table[1u << tableBits];
    std::uint16_t count[longestCodeword + 1];
    std::uint16_t sorted[288];

    // The symbol and its length as in the table, 0 for bits that begin no codeword.
    unsigned decode(std::uint64_t ahead) const
    {
        const unsigned entry = table[ahead & ((1u << tableBits) - 1)];
        return entry == longer ? decodeLong(ahead) : entry;
    }
    unsigned decodeLong(std::uint64_t ahead) const
    {
        unsigned codeword = 0, first = 0, index = 0;
        for (unsigned length = 1; length <= longestCodeword; ++length) {
            codeword |= unsigned(ahead >> (length - 1) & 1);
            if (codeword - first < count[length])
                return sorted[index + codeword - first] | length << 9;
            index += count[length];
            first = (first + count[length]) << 1;
            codeword <<= 1;
        }
        return 0;
    }
};

// The canonical code that deflate builds from codeword lengths. As zlib: no lengths oversubscribe
// the codeword space; a code for literals or distances may leave part of it unused only as a
// single codeword of length 1 or as no codeword at all; the code-length code must fill it.
bool buildCode(const unsigned char* lengths, unsigned symbols, bool mustBeComplete, PrefixCode& code)
{
    std::memset(code.count, 0, sizeof code.count);
    for (unsigned symbol = 0; symbol < symbols; ++symbol)
        ++code.count[lengths[symbol]];
    code.count[0] = 0;
    unsigned first[longestCodeword + 2] = {};
    unsigned offset[longestCodeword + 2] = {};
    unsigned longest = 0;
    int unused = 1;
    for (unsigned length = 1; length <= longestCodeword; ++length) {
        unused = unused * 2 - int(code.count[length]);
        if (unused < 0)
            return false;
        first[length + 1] = (first[length] + code.count[length]) * 2;
        offset[length + 1] = offset[length] + code.count[length];
        if (code.count[length] != 0)
            longest = length;
    }
    if (unused != 0 && (mustBeComplete || longest > 1))
        return false;
    std::memset(code.table, 0, sizeof code.table);
    for (unsigned symbol = 0; symbol < symbols; ++symbol) {
        const unsigned length = lengths[symbol];
        if (length == 0)
            continue;
        code.sorted[offset[length]++] = std::uint16_t(symbol);
        // Deflate sends codewords most significant bit first, so the table index is reversed.
        const unsigned codeword = first[length]++;
        unsigned reversed = 0;
        for (unsigned i = 0; i < length; ++i)
            reversed |= (codeword >> i & 1) << (length - 1 - i);
        if (length > tableBits)
            code.table[reversed & ((1u << tableBits) - 1)] = PrefixCode::longer;
        else
            for (unsigned index = reversed; index < 1u << tableBits; index += 1u << length)
                code.table[index] = std::uint16_t(symbol | length << 9);
    }
    return true;
}

struct BlockCodes {
    PrefixCode literals;  // literals, the end of the block, and match lengths
    PrefixCode distances;
};

bool readDynamicCodes(BitStream& stream, BlockCodes& codes)
{
    const unsigned literalCount = 257 + stream.take(5);
    const unsigned distanceCount = 1 + stream.take(5);
    const unsigned lengthCodeCount = 4 + stream.take(4);
    if (literalCount > 286 || distanceCount > 30)
        return false;
    static const unsigned char lengthCodeOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    unsigned char lengths[286 + 30] = {};
    for (unsigned i = 0; i < lengthCodeCount; ++i)
        lengths[lengthCodeOrder[i]] = static_cast<unsigned char>(stream.take(3));
    PrefixCode& lengthCode = codes.distances;  // free until the lengths are read
    if (!buildCode(lengths, 19, true, lengthCode))
        return false;
    std::memset(lengths, 0, 19);
    const unsigned total = literalCount + distanceCount;
    for (unsigned i = 0; i < total;) {
        stream.refill();
        const unsigned entry = lengthCode.decode(stream.held);
        const unsigned symbol = entry & 0x1ff;
        stream.skip(entry >> 9);
        if (entry == 0 || stream.overrun())
            return false;
        if (symbol < 16) {
            lengths[i++] = static_cast<unsigned char>(symbol);
            continue;
        }
        const unsigned repeats = symbol == 16 ? 3 + stream.take(2) : symbol == 17 ? 3 + stream.take(3) : 11 + stream.take(7);
        if ((symbol == 16 && i == 0) || repeats > total - i)
            return false;
        const unsigned char repeated = symbol == 16 ? lengths[i - 1] : 0;
        std::memset(lengths + i, repeated, repeats);
        i += repeats;
    }
    return lengths[256] != 0 && buildCode(lengths, literalCount, false, codes.literals) &&
           buildCode(lengths + literalCount, distanceCount, false, codes.distances);
}

// Literals, lengths and distances up to the end of the block, with no distance reaching back
// further than the bytes so far or the window.
bool walkCodedBlock(BitStream& stream, const BlockCodes& codes, std::size_t window, std::size_t& produced)
{
    // Copies, so that they can stay in registers.
    BitStream bits = stream;
    std::size_t made = produced;
    static const std::uint16_t lengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                                 31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
    static const unsigned char lengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                  2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
    static const std::uint16_t distanceBase[30] = {1,    2,    3,    4,    5,    7,     9,     13,    17,  25,
                                                   33,   49,   65,   97,   129,  193,   257,   385,   513, 769,
                                                   1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
    for (;;) {
        // The longest match, 15 + 5 + 15 + 13 bits, is within the bits held.
        bits.refill();
        const unsigned entry = codes.literals.decode(bits.held);
        const unsigned symbol = entry & 0x1ff;
        if (entry == 0 || symbol > 285)
            return false;
        bits.skip(entry >> 9);
        if (symbol < 256) {
            ++made;
            if (bits.overrun())
                return false;
            continue;
        }
        if (symbol == 256) {
            stream = bits;
            produced = made;
            return !bits.overrun();
        }
        const unsigned lengthSlot = symbol - 257;
        const unsigned length = lengthBase[lengthSlot] + unsigned(bits.held & ((1u << lengthExtra[lengthSlot]) - 1));
        bits.skip(lengthExtra[lengthSlot]);
        const unsigned distanceEntry = codes.distances.decode(bits.held);
        const unsigned distanceSlot = distanceEntry & 0x1ff;
        if (distanceEntry == 0 || distanceSlot >= 30)
            return false;
        bits.skip(distanceEntry >> 9);
        const unsigned distanceExtra = distanceSlot < 4 ? 0 : distanceSlot / 2 - 1;
        const std::size_t distance = distanceBase[distanceSlot] + unsigned(bits.held & ((1u << distanceExtra) - 1));
        bits.skip(distanceExtra);
        if (distance > made || distance > window || bits.overrun())
            return false;
        made += length;
    }
}

bool walkStoredBlock(BitStream& stream, std::size_t& produced)
{
    // From the next byte boundary: the length and its complement, then the bytes themselves.
    const std::size_t at = stream.next - stream.heldCount / 8;
    if (at + 4 > stream.length)
        return false;
    const unsigned length = stream.bytes[at] | stream.bytes[at + 1] << 8;
    const unsigned complement = stream.bytes[at + 2] | stream.bytes[at + 3] << 8;
    stream.next = at + 4 + length;
    stream.held = 0;
    stream.heldCount = 0;
    produced += length;
    return length == (~complement & 0xffff) && !stream.overrun();
}

// Whether zlib inflates this zlib stream, judged from its structure; libdeflate has already
// checked its checksum and that it makes exactly the image's bytes.
bool inflatesAsZlibDoes(const unsigned char* bytes, std::size_t length)
{
    // Method 8, a window of at most 32 KiB, a header that is a multiple of 31, no dictionary;
    // the deflate stream, then four bytes of checksum.
    if (length < 6 || (bytes[0] & 0x0f) != 8 || bytes[0] >> 4 > 7 || (bytes[0] << 8 | bytes[1]) % 31 != 0 ||
        (bytes[1] & 0x20) != 0)
        return false;
    const std::size_t window = std::size_t(1) << ((bytes[0] >> 4) + 8);
    BitStream stream{bytes, length - 4, 2};
    const std::unique_ptr<BlockCodes> codes(new BlockCodes);
    std::size_t produced = 0;
    for (bool last = false; !last;) {
        last = stream.take(1) == 1;
        const unsigned type = stream.take(2);
        if (type == 0) {
            if (!walkStoredBlock(stream, produced))
                return false;
        } else if (type == 1) {
            unsigned char lengths[288 + 32];
            std::memset(lengths, 8, 144);
            std::memset(lengths + 144, 9, 112);
            std::memset(lengths + 256, 7, 24);
            std::memset(lengths + 280, 8, 8);
            std::memset(lengths + 288, 5, 32);
            if (!buildCode(lengths, 288, false, codes->literals) || !buildCode(lengths + 288, 32, false, codes->distances) ||
                !walkCodedBlock(stream, *codes, window, produced))
                return false;
        } else if (type != 2 || !readDynamicCodes(stream, *codes) ||
                   !walkCodedBlock(stream, *codes, window, produced)) {
            return false;
        }
    }
    return true;
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
