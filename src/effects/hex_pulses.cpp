#include "effects/hex_pulses.h"

#include "runtime/alpha.h"
#include "effects/pools.h"
#include "runtime/draw_layer.h"
#include "runtime/state_rooms.h"

// Allocated on the first call only; a later call just frees and zeroes every slot.
void createHexPulsePool()
{
    if (!statePools().hexPulsePool)
        statePools().hexPulsePool = new HexPulsePool{};
    else
        *statePools().hexPulsePool = HexPulsePool{};
}

void spawnHexPulse(float rotation)
{
    for (HexPulse& pulse : statePools().hexPulsePool->slots) {
        if (pulse.active)
            continue;
        pulse.scale = 0.01f;
        pulse.active = true;
        pulse.rotation = rotation;
        pulse.state = 0;
        pulse.alpha = 0.0f;
        pulse.holdLeft = 1.0f;
        return;
    }
}

void updateDrawHexPulses(sf::RenderWindow& window)
{
    const float dt = stateClock().frameDelta;
    sf::Sprite& hexagon = sprite(Image::PulseHexagon);
    for (HexPulse& pulse : statePools().hexPulsePool->slots) {
        if (!pulse.active)
            continue;
        pulse.scale = pulse.scale + dt;
        pulse.rotation = pulse.rotation + 8.0f * dt;
        switch (pulse.state) {
        case 0:
            pulse.alpha = pulse.alpha + dt;
            if (pulse.alpha > 1.0f) {
                pulse.alpha = 1.0f;
                pulse.state = 1;
            }
            break;
        case 1:
            pulse.holdLeft = pulse.holdLeft - dt;
            if (pulse.holdLeft <= 0.0f)
                pulse.state = 2;
            break;
        case 2:
            pulse.alpha = pulse.alpha - dt;
            if (pulse.alpha < 0.0f) {
                pulse.alpha = 0.0f;
                pulse.active = false;
            }
            break;
        default:
            break;
        }
        // The frame that frees a pulse still draws it, fully transparent.
        hexagon.setScale(pulse.scale, pulse.scale);
        hexagon.setColor(unitAlphaColour(pulse.alpha));
        hexagon.setRotation(pulse.rotation);
        drawSprite(window, hexagon);
    }
}
