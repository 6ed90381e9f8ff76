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

// Reads an 8-bit RGBA, non-interlaced PNG file into `image`, with exactly the pixels that
// sf::Image::loadFromFile gives it. False, with `image` untouched, for a file it cannot open or
// does not take: other kinds of PNG, damaged files and anything else are left to SFML, which
// decodes or reports them as it always has.
bool readRgbaPng(const char* path, PngScratch& scratch, sf::Image& image);
