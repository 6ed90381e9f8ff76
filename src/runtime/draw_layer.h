#pragma once
// The draw layer between the scenes and the window. Scenes, pools, fade sprites and captions hand
// it their draws in painter's order; the frame loop flushes them before the frame is presented.
// Draws are deferred within the frame and fog is switched off around the 2D layers and restored
// (the sprites sit at eye depth 0, where fog never changes a colour): nothing a viewer, the console
// or a later frame sees changes. The flush leaves out what cannot change a pixel and narrows the
// rest, so software OpenGL keeps up:
//
//   image_facts.h         what each image's texels allow, worked out at load
//   picture_frame.h       the design's picture framed in the output, and which output that is
//   draw_cells.h          culling and scissors over the picture's cells
//   draw_substitutions.h  cheaper draws of the same pixels, and draws at the output's resolution
//   draw_batches.h        small sprites in a row drawn as a few arrays of triangles
//
// Three routes land a few levels from the pixels of drawing every call, and the frame is then
// approximate: filtered, unturned sprites drawn on Mesa's fast path, turned ones drawn there as
// upright rectangles over their cells, and black veils folded into the draws beneath them
// (draw_layer.cpp).
//
// Images of more texels than design pixels are drawn at their design size, and captions are set
// at the output's size.
#include <SFML/Graphics.hpp>
#include <vector>

#include "runtime/draw_batches.h"
#include "runtime/image_facts.h"
#include "runtime/picture_frame.h"

// How handed-in draws reach the window.
enum class DrawMode {
    Layer,       // deferred to the flush, leaving out and narrowing what cannot change a pixel
    Everything,  // drawn at once, every call as the scene makes it
    Nothing,     // dropped: the scenes' logic runs without any drawing
};

// One handed-in draw, copied when handed in: the pools re-position one shared sprite per slot.
struct DeferredDraw {
    sf::Sprite sprite;
    int text = -1;  // index into DrawLayer::texts; -1 for a sprite
};

struct DrawLayer {
    DrawMode mode = DrawMode::Layer;
    PictureFrame frame;
    sf::RenderTexture* offscreen = nullptr;  // when set, the output instead of the window
    std::vector<DeferredDraw> draws;  // this frame's, in painter's order
    std::vector<sf::Text> texts;      // kept across frames so their storage is reused
    std::size_t textCount = 0;
    std::vector<char> cells;          // scratch: picture cells a draw can reach
    std::vector<char> covered;        // scratch: picture cells that later opaque draws replace
    // For each draw, the index into `hidden` of the cells that later draws replace; -1 for none.
    std::vector<int> hiddenFor;
    std::vector<std::vector<char>> hidden;
    std::vector<sf::IntRect> scissors;  // scratch: those cells as rectangles, in cells
    // For each draw, the share of its colour that the black veils above it let through; 0 for a
    // veil folded into the draws beneath it, which is not drawn.
    std::vector<float> shades;
    SpriteBatches batches;
    bool generalDrawn = false;  // a draw off Mesa's fast path went into the scene being gathered
    bool approximate = false;  // the last flush drew a filtered sprite on the fast path or folded a veil
};

// The state block's draw room; the block is assembled above this layer.
DrawLayer& stateDraw();

void setDrawMode(DrawMode mode);

// Hand the layer a draw of the state block's catalogue images or captions.
void drawSprite(sf::RenderWindow& window, const sf::Sprite& sprite);
void drawText(sf::RenderWindow& window, const sf::Text& text);

// Draws what the frame handed in so far into the output and forgets it.
void flushDraws(sf::RenderWindow& window);
