#pragma once
// White and yellow sparks bursting out of the window centre (scene 10).
#include <SFML/Graphics.hpp>

// Spark slots are reused, never allocated while the demo runs.
struct Spark {
    int x;          // pixels, derived each update
    int y;          // pixels, derived each update
    float alpha;    // 0-1
    bool active;
    int kind;       // 0 white, 1 yellow
    float life;     // seconds before the fade starts; goes on below 0
    float spin;     // degrees
    float angle;    // radians, direction of flight
    float speed;    // pixels per second
    float radius;   // pixels flown from the centre
    float centreX;  // pixels
    float centreY;  // pixels
};

struct SparkPool {
    static constexpr int size = 250;
    Spark slots[size];
};

void createSparkPool();
void spawnSpark(int kind, float speed, float angle, float life);
void updateSparks();
void drawSparks(sf::RenderWindow& window);
