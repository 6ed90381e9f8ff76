#pragma once
// The state block's pools room: the particle pools and scene 07's fade sprites. Code of this layer
// reaches it through statePools(); the block is assembled above, beside the scenes.
#include "effects/fade_sprite.h"

struct BubblePool;
struct HexPulsePool;
struct GlitterPool;
struct SparkPool;

struct DemoPools {
    FadeSprite fadeSprites[5];  // scene 07's flares and glint, in draw order

    // Allocated once at start-up and never released.
    BubblePool* bubblePool = nullptr;      // 20 slots
    HexPulsePool* hexPulsePool = nullptr;  // 50 slots
    GlitterPool* glitterPool = nullptr;    // 100 slots
    SparkPool* sparkPool = nullptr;        // 250 slots
};

DemoPools& statePools();
