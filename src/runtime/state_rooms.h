#pragma once
// The state block's rooms that this layer owns: the content and the clock. The block itself
// (DemoState demo) is assembled above, beside the scenes; code of this layer and of the effects
// reaches its rooms through the calls below.
#include <SFML/Graphics/Sprite.hpp>
#include <SFML/Graphics/Text.hpp>
#include <SFML/System/Clock.hpp>
#include <cstdint>

#include "runtime/image_manifest.h"

struct Catalogue;

// What the scenes draw: the catalogue's images as placed sprites and the one shared caption. The
// room holds no GL resource: the block is constructed before main, and SFML's first texture would
// reach for a display.
struct DemoContent {
    Catalogue* catalogue = nullptr;  // made by the program once its window is open
    sf::Sprite sprites[imageCount];
    sf::Text captionText;
};

// The demo's time, its audio handles and the quit request.
struct DemoClock {
    sf::Clock demoClock;
    float frameDelta = 0.0f;             // seconds between the starts of the last two frames
    std::uint32_t syncMusic = 0;         // the timeline module
    std::uint32_t soundtrackStream = 0;  // the MP3, opened by scene 02
    bool quitRequested = false;
};

DemoContent& stateContent();
DemoClock& stateClock();

inline sf::Sprite& sprite(Image image)
{
    return stateContent().sprites[static_cast<int>(image)];
}
