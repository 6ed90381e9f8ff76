#pragma once
// DemoState: the one static block that holds every long-lived value of the demo, in rooms. Each
// room is declared by the layer that owns it; this header, above them all, puts them together.
#include "effects/pools.h"
#include "runtime/catalogue.h"
#include "runtime/draw_layer.h"
#include "runtime/state_rooms.h"
#include "runtime/timeline.h"
#include "scenes/scene_states.h"

struct DemoState {
    DemoContent content;
    DemoClock clock;
    DrawLayer draw;
    DemoPools pools{{
        {0.0f, false, 0, 0, &content.sprites[static_cast<int>(Image::LandscapeFlare1)]},
        {0.0f, false, 0, 0, &content.sprites[static_cast<int>(Image::LandscapeFlare2)]},
        {0.0f, false, 0, 0, &content.sprites[static_cast<int>(Image::LandscapeFlare3)]},
        {0.0f, false, 0, 0, &content.sprites[static_cast<int>(Image::LandscapeFlare4)]},
        {0.0f, false, 0, 1, &content.sprites[static_cast<int>(Image::LandscapeStar)]},
    }};
    SceneStates scenes;
};

extern DemoState demo;
