#pragma once
// Batches: small sprites handed in one after another (a pool's sparks, say) drawn as a few arrays
// of triangles instead of one draw each. Software OpenGL spends far longer setting up a draw than
// filling a small sprite's pixels. A sprite joins an earlier batch only past the draws it does not
// overlap, so every pixel still takes its draws in painter's order, and each sprite's triangles are
// the two its own quad is cut into, at the same corners: the pixels are those of drawing it alone.
#include <SFML/Graphics.hpp>
#include <vector>

struct BatchedSprite {
    sf::Sprite sprite;
    sf::FloatRect reach;  // in pixels of the picture
    int batch = 0;        // how many batches of other images must come before it
};

struct SpriteBatches {
    std::vector<BatchedSprite> waiting;  // in painter's order
    std::vector<sf::Vertex> vertices;    // scratch
};

// Whether a sprite placed so in the picture is small enough that its own draw costs more than
// scissoring saves: at most 64 design pixels across and down, at `scale` pixels per design pixel.
// A quad's corners in a sprite's order (top left, bottom left, top right, bottom right) appended
// as the two triangles that SFML's strip cuts a sprite into, each in the strip's own vertex order.
void appendQuad(std::vector<sf::Vertex>& vertices, const sf::Vertex (&corners)[4]);
bool worthBatching(const sf::Sprite& sprite, const sf::Transform& placement, float scale);
void addToBatches(SpriteBatches& batches, const sf::Sprite& sprite, const sf::Transform& placement);
// Draws the waiting sprites and forgets them.
void drawBatches(SpriteBatches& batches, sf::RenderTarget& output);
