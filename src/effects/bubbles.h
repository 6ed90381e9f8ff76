#pragma once
// Rising, fading hexagon bubbles that scenes 05 to 11 share.
#include <SFML/Graphics.hpp>

// Bubble slots are reused, never allocated while the demo runs.
struct Bubble {
    float x;          // pixels, left edge
    float y;          // pixels, top edge; falls while rising
    float alpha;      // 0-1
    float life;       // seconds before the fade starts; goes on below 0
    float riseSpeed;  // pixels per second
    bool active;      // a spawn may not take this slot
    float scale;
};

struct BubblePool {
    static constexpr int size = 20;
    Bubble slots[size];
};

void createBubblePool();
void spawnBubble(int x, int y, float riseSpeed, float life, float alpha, float scale);
void updateDrawBubbles(sf::RenderWindow& window);
void freeAllBubbles();
void spawnRandomBubble();
void stepBubbleEmitter(float& timer);
