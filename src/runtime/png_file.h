#pragma once
// Reading PNG files strictly: a quick reader for the one kind our content is (8-bit RGBA, not
// interlaced), libpng for every other kind a user may put in its place. Neither shows a file
// that zlib, the reference inflater, refuses, or one whose critical chunks fail their CRC.
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

// Which reader took a file.
enum class PngRead {
    Quick,   // our content's kind
    Libpng,  // any other kind of PNG
    Failed,  // not a PNG file, damaged, or larger than its data could fill: `image` is untouched
};

// Reads a PNG file of any colour type and bit depth into `image` as 8-bit RGBA: grey is spread
// to the three colours, 16-bit samples keep their high byte, and no alpha channel means opaque.
PngRead readPng(const char* path, PngScratch& scratch, sf::Image& image);
