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
//
// The scenes draw in design pixels, a 1280 x 720 picture. The layer frames that picture in its
// output (the window, or an off-screen image for captures) at the largest 16:9 size, centred with
// black bars, and draws at the output's own resolution: images of more texels than design pixels
// are drawn at their design size, and captions are set at the output's size.
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
    unsigned density = 1;    // texels per design pixel, across and down
    bool mipmapped = false;  // with our own mipmaps, which SFML knows nothing of
};

// One handed-in draw, copied when handed in: the pools re-position one shared sprite per slot.
struct DeferredDraw {
    sf::Sprite sprite;
    int text = -1;  // index into DrawLayer::texts; -1 for a sprite
};

constexpr unsigned designWidth = 1280;
constexpr unsigned designHeight = 720;

// Where the design's picture lands in the output.
struct PictureFrame {
    sf::Vector2u outputSize{designWidth, designHeight};
    sf::IntRect pixels{0, 0, int(designWidth), int(designHeight)};  // in the output, top row first
    sf::Transform toPixels;  // design pixels to pixels of the picture, counted from its corner
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
};

constexpr int drawCellSize = 16;  // output pixels for picture cells, texels for image tiles

ImageFacts imageFacts(const sf::Image& image);

void setDrawMode(DrawMode mode);

// The picture's frame in an output of this size: the largest 16:9 rectangle, centred.
PictureFrame pictureFrame(sf::Vector2u outputSize);
// Frames the picture in the output for `window` (see outputOf) and points its view at it; again
// whenever the output changes size.
void framePicture(sf::RenderWindow& window);
// Output pixels per design pixel, down the picture: of a frame, and of the picture framed now.
float scaleOf(const PictureFrame& frame);
float pictureScale();
// Draws go to `texture` instead of the window from now on (null: back to the window).
void setOffscreenOutput(sf::RenderTexture* texture);
sf::RenderTarget& outputOf(sf::RenderWindow& window);
// Clears an off-screen output to black for a new frame; the window is cleared by the frame loop.
void clearOffscreenOutput();

void drawSprite(sf::RenderWindow& window, const sf::Sprite& sprite);
void drawText(sf::RenderWindow& window, const sf::Text& text);

// Draws what the frame handed in so far into the output and forgets it.
void flushDraws(sf::RenderWindow& window);
