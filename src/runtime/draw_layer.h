#pragma once
// The draw layer between the scenes and the window. Scenes, pools, fade sprites and captions hand
// it their draws in painter's order; the frame loop flushes them before the frame is presented.
// Draws are deferred within the frame and fog is switched off around the 2D layers and restored
// (the sprites sit at eye depth 0, where fog never changes a colour): nothing a viewer, the console
// or a later frame sees changes. The flush leaves out what cannot change a pixel (clear draws, draws
// off the window, draws beneath a later opaque one that covers the window, the cells of a draw that
// a later opaque part of an image replaces) and narrows the rest (scissored to the cells that
// non-empty parts of the image can reach, nearest sampling where it lands on whole texels, opaque
// images without blending, one-colour images as plain quads), so software OpenGL keeps up.
#include <SFML/Graphics.hpp>
#include <cstdint>
#include <vector>

// How handed-in draws reach the window.
enum class DrawMode {
    Layer,       // deferred to the flush, leaving out and narrowing what cannot change a pixel
    Everything,  // drawn at once, every call as the scene makes it
    Nothing,     // dropped: the scenes' logic runs without any drawing
};

// The texels of one image tile whose alpha is above 0, as a box within the tile; right and
// bottom are exclusive, and an empty tile has right 0.
struct TileBox {
    std::uint8_t left = 0, top = 0, right = 0, bottom = 0;
};

// What the layer knows of one decoded image, worked out once at load.
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
};

// One handed-in draw, copied when handed in: the pools re-position one shared sprite per slot.
struct DeferredDraw {
    sf::Sprite sprite;
    int text = -1;  // index into DrawLayer::texts; -1 for a sprite
};

struct DrawLayer {
    DrawMode mode = DrawMode::Layer;
    std::vector<DeferredDraw> draws;  // this frame's, in painter's order
    std::vector<sf::Text> texts;      // kept across frames so their storage is reused
    std::size_t textCount = 0;
    std::vector<char> cells;          // scratch: window cells a draw can reach
    std::vector<char> covered;        // scratch: window cells that later opaque draws replace
    // For each draw, the index into `hidden` of the cells that later draws replace; -1 for none.
    std::vector<int> hiddenFor;
    std::vector<std::vector<char>> hidden;
    std::vector<sf::IntRect> scissors;  // scratch: those cells as rectangles, in cells
};

constexpr int drawCellSize = 16;  // pixels, for window cells and image tiles alike

ImageFacts imageFacts(const sf::Image& image);

void setDrawMode(DrawMode mode);

void drawSprite(sf::RenderWindow& window, const sf::Sprite& sprite);
void drawText(sf::RenderWindow& window, const sf::Text& text);

// Draws what the frame handed in so far into the window and forgets it.
void flushDraws(sf::RenderWindow& window);
