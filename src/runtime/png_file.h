#pragma once
// A quick reader for the one kind of PNG file our content is: 8-bit RGBA, not interlaced.
#include <SFML/Graphics/Image.hpp>
#include <memory>
#include <vector>

struct libdeflate_decompressor;

struct InflaterRelease {
    void operator()(libdeflate_decompressor* inflater) const;
};

// Buffers kept from one file to the next, so that a run of files reuses the same memory.
struct PngScratch {
    std::vector<unsigned char> file;        // the whole file
    std::vector<unsigned char> compressed;  // its IDAT chunks, joined
    std::vector<unsigned char> filtered;    // one filter byte, then the row's bytes, row after row
    std::vector<unsigned char> pixels;      // RGBA, top row first
    std::unique_ptr<libdeflate_decompressor, InflaterRelease> inflater;
};

// The width and height a PNG file's header gives; (0, 0) for a file that is not a PNG file.
sf::Vector2u pngSize(const char* path);

// What the quick reader made of a file.
enum class PngRead {
    Read,      // into the image
    NotTaken,  // another kind of file, or damage that SFML judges for itself
    Damaged,   // image data using symbols that deflate reserves, which no decoder may take
};

// Reads an 8-bit RGBA, non-interlaced PNG file into `image`, with exactly the pixels that
// sf::Image::loadFromFile gives it. Anything else leaves `image` untouched: files it cannot open
// or does not take (other kinds of PNG, most damage) are left to SFML, which decodes or reports
// them as it always has; but SFML's decoder takes reserved distance symbols as a distance of 0 and
// shows bytes it never wrote, so a file using reserved symbols is damaged for good.
PngRead readRgbaPng(const char* path, PngScratch& scratch, sf::Image& image);
