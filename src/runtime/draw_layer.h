#pragma once
// The draw layer between the scenes and the window. Scenes, pools, fade sprites and captions hand
// it their draws in painter's order; the frame loop flushes them before the frame is presented.
#include <SFML/Graphics.hpp>
#include <vector>

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
    std::vector<DeferredDraw> draws;  // this frame's, in painter's order
    std::vector<sf::Text> texts;      // kept across frames so their storage is reused
    std::size_t textCount = 0;
};

void setDrawMode(DrawMode mode);

void drawSprite(sf::RenderWindow& window, const sf::Sprite& sprite);
void drawText(sf::RenderWindow& window, const sf::Text& text);

// Draws what the frame handed in so far into the window and forgets it.
void flushDraws(sf::RenderWindow& window);
