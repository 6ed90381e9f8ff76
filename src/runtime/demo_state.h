#pragma once
// DemoState: the one static block that holds every long-lived value of the demo.
#include <SFML/Graphics.hpp>
#include <cstdint>

#include "effects/fade_sprite.h"
#include "runtime/catalogue.h"
#include "runtime/draw_layer.h"
#include "runtime/timeline.h"
#include "scenes/caption.h"
#include "scenes/reveal.h"

struct BubblePool;
struct HexPulsePool;
struct GlitterPool;
struct SparkPool;

struct OpeningSceneState {
    bool firstFrame = true;
    CaptionFader fader;
};

struct Scene04State {
    bool firstFrame = true;
    float phaseTimer = 0.0f;    // seconds
    int phase = 0;              // 0 to 5
    float captionAlpha = 0.0f;  // 0-255
    float overlayAlpha = 0.0f;  // 0-255, white, black and wall layers
    float zoomScale = 1.0f;     // white and wall layers
    float blackScale = 1.0f;    // black layer
};

struct Scene05State {
    bool firstFrame = true;
    Reveal reveal{255.0f, 0, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, false};  // h1 starts at scale 0
    float bubbleSpawnTimer = 0.0f;  // seconds
    float glintGrowth = 1.0f;       // growth factor of the six glint layers
};

struct Scene06State {
    bool firstFrame = true;
    Reveal reveal{255.0f, 0, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, false};  // h2 starts at scale 0
    float glitterSpawnTimer = 0.0f;  // seconds
    float bubbleSpawnTimer = 0.0f;   // seconds
};

struct Scene07State {
    bool firstFrame = true;
    Reveal reveal;
    float sceneClock = 0.0f;         // seconds since the first frame
    float flareTimer = 0.0f;         // seconds since the last flare step
    int flareCount = 0;
    float slowScroll = 0.0f;         // pixels, parallax layers
    float fastScroll = 0.0f;         // pixels, the strip
    float bubbleSpawnTimer = 0.0f;   // seconds
};

struct Scene08State {
    bool firstFrame = true;
    Reveal reveal;
    float overlayTimer = 0.0f;       // seconds since the first frame
    float bubbleSpawnTimer = 0.0f;   // seconds
    bool overlay1Shown = false;
    bool overlay2Shown = false;
    bool overlay3Shown = false;
};

struct Scene09State {
    bool firstFrame = true;
    Reveal reveal;
    float glintScale = 1.0f;
    float skullAlpha = 255.0f;       // 0-255
    float skullScale = 1.0f;
    float bubbleSpawnTimer = 0.0f;   // seconds
};

struct Scene10State {
    bool firstFrame = true;
    Reveal reveal;
    float sparkSpawnTimer = 0.0f;    // seconds
    float bubbleSpawnTimer = 0.0f;   // seconds
};

struct Scene11State {
    bool firstFrame = true;
    float pulseRate = 0.1f;          // pulses per beat
    float pulseTimer = 0.0f;         // seconds since the last pulse
    float nextPulseRotation = 0.0f;  // degrees, start rotation of the next pulse
    float holdTime = 0.0f;           // seconds in phase 1
    int phase = 0;                   // 0 to 2
    float phaseTimer = 0.0f;         // seconds
    float blackAlpha = 0.0f;         // 0-255
    float whiteAlpha = 0.0f;         // 0-255
};

struct FlashState {
    float jitterTimer = 0.0f;  // seconds since the last size jitter
    float gantzScale = 1.0f;
    int phase = 0;             // 0 hold, 1 fade to black
    float phaseTimer = 0.0f;   // seconds
};

struct CreditsState {
    float creditsClock = 0.0f;  // seconds since the first frame
    float fadeOutTimer = 0.0f;  // seconds in the closing fade
    float blackAlpha = 0.0f;    // 0-255
};

struct DemoState {
    // Scene 07's flares and glint, in draw order.
    FadeSprite fadeSprites[5] = {
        {0.0f, false, 0, 0, &sprites[static_cast<int>(Image::LandscapeFlare1)]},
        {0.0f, false, 0, 0, &sprites[static_cast<int>(Image::LandscapeFlare2)]},
        {0.0f, false, 0, 0, &sprites[static_cast<int>(Image::LandscapeFlare3)]},
        {0.0f, false, 0, 0, &sprites[static_cast<int>(Image::LandscapeFlare4)]},
        {0.0f, false, 0, 1, &sprites[static_cast<int>(Image::LandscapeStar)]},
    };

    // Effect pools, allocated once at start-up and never released.
    BubblePool* bubblePool = nullptr;      // 20 slots
    HexPulsePool* hexPulsePool = nullptr;  // 50 slots
    GlitterPool* glitterPool = nullptr;    // 100 slots
    SparkPool* sparkPool = nullptr;        // 250 slots

    // Audio handles.
    std::uint32_t syncMusic = 0;         // the timeline module
    std::uint32_t soundtrackStream = 0;  // the MP3, opened by scene 02

    float frameDelta = 0.0f;  // seconds between the starts of the last two frames
    bool quitRequested = false;

    // Content. The block holds no GL resource: it is constructed before main, and SFML's first
    // texture would reach for a display.
    Catalogue* catalogue = nullptr;  // made by the program once its window is open
    sf::Sprite sprites[imageCount];
    sf::Text captionText;
    sf::Clock demoClock;
    DrawLayer drawLayer;

    // Each scene's own state.
    OpeningSceneState scene01;
    OpeningSceneState scene02;
    OpeningSceneState scene03;
    Scene04State scene04;
    Scene05State scene05;
    Scene06State scene06;
    Scene07State scene07;
    Scene08State scene08;
    Scene09State scene09;
    Scene10State scene10;
    Scene11State scene11;
    FlashState flash;
    CreditsState credits;
};

extern DemoState demo;

inline sf::Sprite& sprite(Image image)
{
    return demo.sprites[static_cast<int>(image)];
}
