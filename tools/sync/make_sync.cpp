// make-sync: writes the timeline module, a silent XM whose order list walks orders 0 to 20.
//   make-sync [--clicks] <file.xm> [rows speed bpm]
// Defaults give the demo's timeline (runtime/timeline.h): 64 rows, speed 6, 102 BPM, about four bars.
// The tests pass smaller values for a module that walks the same orders in a few seconds.
// --clicks makes every order's first row sound a click on the left only, so a recording shows
// where each order begins while the right channel carries only the other sounds.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "runtime/timeline.h"

namespace {

constexpr int channelCount = 2;

struct TimelineShape {
    int rows = timelineRows;
    int speed = timelineSpeed;
    int bpm = timelineBpm;
    bool clicks = false;
};

// The click: one square cycle of 64 frames. Note 77 with finetune 100 plays it at 44 095 Hz
// through the linear frequency table, within 0.02 % of one sample per output frame at 44.1 kHz.
constexpr int clickFrames = 64;
constexpr int clickNote = 77;
constexpr int clickFinetune = 100;
constexpr int clickLevel = 16000;

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

// One instrument holding the click: no envelopes, no loop, panned hard left.
void putClickInstrument(std::vector<std::uint8_t>& xm)
{
    const std::size_t start = xm.size();
    putDword(xm, 263);  // instrument header size, as FastTracker 2 writes it
    putBytes(xm, "click", 22);
    xm.push_back(0);  // type
    putWord(xm, 1);   // samples
    putDword(xm, 40);  // sample header size
    while (xm.size() < start + 263)
        xm.push_back(0);  // note-to-sample map, envelopes off, no fade-out

    putDword(xm, clickFrames * 2);  // length in bytes
    putDword(xm, 0);                // loop start
    putDword(xm, 0);                // loop length
    xm.push_back(64);               // volume
    xm.push_back(static_cast<std::uint8_t>(clickFinetune));
    xm.push_back(0x10);  // 16-bit, no loop
    xm.push_back(0);     // panning: hard left
    xm.push_back(0);     // relative note
    xm.push_back(0);     // delta-coded data
    putBytes(xm, "click", 22);
    int previous = 0;
    for (int frame = 0; frame < clickFrames; ++frame) {
        const int value = frame < clickFrames / 2 ? clickLevel : -clickLevel;
        putWord(xm, static_cast<unsigned>(value - previous) & 0xFFFF);
        previous = value;
    }
}

// XM layout: fixed header with a 256-entry order table, then the patterns, then the instruments.
// Every order plays the one pattern, which is empty unless it clicks on its first row.
std::vector<std::uint8_t> timelineModule(const TimelineShape& shape)
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
    putWord(xm, shape.clicks ? 1 : 0);  // instruments
    putWord(xm, 1);  // linear frequency table
    putWord(xm, static_cast<unsigned>(shape.speed));
    putWord(xm, static_cast<unsigned>(shape.bpm));
    for (int order = 0; order < 256; ++order)
        xm.push_back(0);

    const unsigned cells = static_cast<unsigned>(shape.rows * channelCount);
    std::vector<std::uint8_t> pattern;
    if (shape.clicks) {
        pattern = {0x83, clickNote, 1};  // packed cell with a note and instrument 1
        pattern.insert(pattern.end(), cells - 1, 0x80);
    } else {
        pattern.assign(cells, 0x80);  // packed cells with no note, instrument, volume or effect
    }
    putDword(xm, 9);  // pattern header size
    xm.push_back(0);  // packing type
    putWord(xm, static_cast<unsigned>(shape.rows));
    putWord(xm, static_cast<unsigned>(pattern.size()));
    xm.insert(xm.end(), pattern.begin(), pattern.end());
    if (shape.clicks)
        putClickInstrument(xm);
    return xm;
}

// argv[0] is the file name; the shape, when given, follows it.
bool parseShape(int argc, char** argv, TimelineShape& shape)
{
    if (argc == 1)
        return true;
    if (argc != 4)
        return false;
    shape.rows = std::atoi(argv[1]);
    shape.speed = std::atoi(argv[2]);
    shape.bpm = std::atoi(argv[3]);
    // The limits of the XM format.
    return shape.rows >= 1 && shape.rows <= 256 && shape.speed >= 1 && shape.speed <= 31 && shape.bpm >= 32 &&
           shape.bpm <= 255;
}

}  // namespace

int main(int argc, char** argv)
{
    TimelineShape shape;
    shape.clicks = argc > 1 && std::string(argv[1]) == "--clicks";
    const int skipped = shape.clicks ? 1 : 0;
    if (argc - skipped < 2 || !parseShape(argc - skipped - 1, argv + skipped + 1, shape)) {
        std::cerr << "usage: make-sync [--clicks] <file.xm> [rows 1-256 speed 1-31 bpm 32-255]\n";
        return 2;
    }
    const char* path = argv[skipped + 1];
    const std::vector<std::uint8_t> xm = timelineModule(shape);
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(xm.data()), static_cast<std::streamsize>(xm.size()));
    file.close();
    if (!file) {
        std::cerr << "make-sync: cannot write " << path << "\n";
        return 1;
    }
    return 0;
}
