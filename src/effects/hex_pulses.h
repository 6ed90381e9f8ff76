#pragma once
// Hexagon pulses growing and turning about the window centre (scene 11).
#include <SFML/Graphics.hpp>

// Pulse slots are reused, never allocated while the demo runs.
struct HexPulse {
    float scale;
    float rotation;  // degrees
    bool active;
    float alpha;     // 0-1
    int state;       // 0 fading in, 1 holding, 2 fading out
    float holdLeft;  // seconds
};

struct HexPulsePool {
    static constexpr int size = 50;
    HexPulse slots[size];
};

void createHexPulsePool();
void spawnHexPulse(float rotation);  // rotation: degrees
void updateDrawHexPulses(sf::RenderWindow& window);
