#include "runtime/zlib_rules.h"

#include <cstdint>
#include <cstring>
#include <memory>

namespace {

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

}  // namespace

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
