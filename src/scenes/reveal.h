#pragma once
// The four-phase reveal of scenes 06 to 10: black overlay away, back with the stacked
// hexagon layers, layers out and verse in, verse out.
#include <SFML/Graphics/RenderWindow.hpp>

struct Reveal {
    float blackAlpha = 255.0f;  // 0-255, the black.png overlay
    int phase = 0;              // 0 to 3
    float phaseTimer = 0.0f;    // seconds in the current phase
    float crossfadeTimer = 0.0f;  // seconds in the cross-fade that ends phase 0
    float layerAlpha = 0.0f;    // 0-255, every stacked layer
    float layerScale = 1.5f;    // scale of the newest layer
    float captionAlpha = 0.0f;  // 0-255
    bool bubblesOn = false;     // set when phase 0 ends, never cleared
};

// The first frame of a reveal scene: the last scene's bubbles drift on in freed slots, the scene
// announces itself and its verse is set up as the caption.
void openRevealScene(const char* sceneLine, const char* verse);
// One frame of the phase machine, advanced by frameDelta.
void advanceReveal(Reveal& reveal);
// Colours of the black overlay, the caption and layers h1..h<layerCount>; the newest layer's scale.
void applyRevealColours(const Reveal& reveal, int layerCount);
// Draws layers h1..h<layerCount> in stacking order.
void drawRevealLayers(sf::RenderWindow& window, int layerCount);
