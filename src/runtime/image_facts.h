#pragma once
// What the draw layer knows of one decoded image, worked out once at load, off the GL thread: the
// texels that can change a pixel, tile by tile, and whether it is opaque or a single colour.
#include <SFML/Graphics/Color.hpp>
#include <SFML/Graphics/Image.hpp>
#include <SFML/Graphics/Rect.hpp>
#include <cstdint>
#include <vector>

constexpr int drawCellSize = 16;  // output pixels for picture cells, texels for image tiles

// The texels of one image tile whose alpha is above 0, as a box within the tile; right and
// bottom are exclusive, and an empty tile has right 0.
struct TileBox {
    std::uint8_t left = 0, top = 0, right = 0, bottom = 0;
};

struct ImageFacts {
    bool known = false;
    sf::Vector2u size;
    sf::IntRect alphaBox;    // the texels whose alpha is above 0; empty if there are none
    bool opaque = false;     // every texel has alpha 255
    bool oneColour = false;  // every texel is `colour`
    sf::Color colour;
    unsigned tilesAcross = 0;
    std::vector<TileBox> tileBoxes;  // for each drawCellSize-square texel tile, row by row
    std::vector<bool> opaqueTiles;   // the same tiles with every alpha 255
    bool anyOpaqueTile = false;
    float density = 1.0f;    // texels per design pixel, across and down
    // Over blocks of alphaBlockSize texels square, with a leading row and column of zeros: how
    // many blocks above and to the left of each hold a texel with any alpha.
    unsigned blocksAcross = 0;
    std::vector<std::uint32_t> alphaBlockSums;
};

constexpr int alphaBlockSize = 4;

ImageFacts imageFacts(const sf::Image& image);
// Whether a block that a rectangle of the image's texels touches holds a texel with any alpha:
// never false where such a texel lies within the rectangle.
bool alphaWithin(const ImageFacts& facts, const sf::FloatRect& texels);
