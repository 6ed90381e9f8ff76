#pragma once
// Glitter points that flash up and die away in half a second (scene 06).
#include <SFML/Graphics.hpp>

// Glitter slots are reused, never allocated while the demo runs.
struct GlitterPoint {
    int x;        // pixels
    int y;        // pixels
    float alpha;  // 0-1
    bool active;
    int state;    // 0 brightening, 1 dying away
};

struct GlitterPool {
    static constexpr int size = 100;
    GlitterPoint slots[size];
};

void createGlitterPool();
void spawnGlitter(int x, int y);
void updateGlitter();
void drawGlitter(sf::RenderWindow& window);
