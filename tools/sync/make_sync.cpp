// make-sync: writes the timeline module, a silent XM whose order list walks orders 0 to 20.
//   make-sync <file.xm> [rows speed bpm]
// Defaults give the demo's timeline: 64 rows, speed 6, 102 BPM, so each order is four bars.
// The tests pass smaller values for a module that walks the same orders in a few seconds.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

namespace {

constexpr int orderCount = 21;
constexpr int channelCount = 2;

struct TimelineShape {
    int rows = 64;
    int speed = 6;
    int bpm = 102;
};

void putBytes(std::vector<std::uint8_t>& out, const std::string& text, std::size_t width)
{
    for (std::size_t i = 0; i < width; ++i)
        out.push_back(i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0);
}

void putWord(std::vector<std::uint8_t>& out, unsigned value)
{
    out.push_back(value & 0xFF);
    out.push_back((value >> 8) & 0xFF);
}

void putDword(std::vector<std::uint8_t>& out, unsigned value)
{
    putWord(out, value & 0xFFFF);
    putWord(out, value >> 16);
}

// XM layout: fixed header with a 256-entry order table, then the patterns; no instruments,
// so nothing can sound. Every order plays the one empty pattern.
std::vector<std::uint8_t> silentTimeline(const TimelineShape& shape)
{
    std::vector<std::uint8_t> xm;
    putBytes(xm, "Extended Module: ", 17);
    putBytes(xm, "Nereth//Val timeline", 20);
    xm.push_back(0x1A);
    putBytes(xm, "make-sync", 20);
    putWord(xm, 0x0104);
    putDword(xm, 276);  // header size, counted from this field
    putWord(xm, orderCount);
    putWord(xm, 0);  // restart position: a looping player returns to order 0
    putWord(xm, channelCount);
    putWord(xm, 1);  // patterns
    putWord(xm, 0);  // instruments
    putWord(xm, 1);  // linear frequency table
    putWord(xm, static_cast<unsigned>(shape.speed));
    putWord(xm, static_cast<unsigned>(shape.bpm));
    for (int order = 0; order < 256; ++order)
        xm.push_back(0);

    const unsigned cells = static_cast<unsigned>(shape.rows * channelCount);
    putDword(xm, 9);  // pattern header size
    xm.push_back(0);  // packing type
    putWord(xm, static_cast<unsigned>(shape.rows));
    putWord(xm, cells);
    for (unsigned cell = 0; cell < cells; ++cell)
        xm.push_back(0x80);  // packed cell with no note, instrument, volume or effect
    return xm;
}

bool parseShape(int argc, char** argv, TimelineShape& shape)
{
    if (argc == 2)
        return true;
    if (argc != 5)
        return false;
    shape.rows = std::atoi(argv[2]);
    shape.speed = std::atoi(argv[3]);
    shape.bpm = std::atoi(argv[4]);
    // The limits of the XM format.
    return shape.rows >= 1 && shape.rows <= 256 && shape.speed >= 1 && shape.speed <= 31 && shape.bpm >= 32 &&
           shape.bpm <= 255;
}

}  // namespace

int main(int argc, char** argv)
{
    TimelineShape shape;
    if (!parseShape(argc, argv, shape)) {
        std::cerr << "usage: make-sync <file.xm> [rows 1-256 speed 1-31 bpm 32-255]\n";
        return 2;
    }
    const std::vector<std::uint8_t> xm = silentTimeline(shape);
    std::ofstream file(argv[1], std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(xm.data()), static_cast<std::streamsize>(xm.size()));
    file.close();
    if (!file) {
        std::cerr << "make-sync: cannot write " << argv[1] << "\n";
        return 1;
    }
    return 0;
}
