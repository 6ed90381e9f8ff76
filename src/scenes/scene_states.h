#pragma once
// Each scene's own state: plain records, so that the whole scenes room goes back to its first
// frame by one value reset.
#include "scenes/caption.h"
#include "scenes/reveal.h"

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

struct SceneStates {
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
