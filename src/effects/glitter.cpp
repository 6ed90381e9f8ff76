#include "effects/glitter.h"

#include "runtime/alpha.h"
#include "effects/pools.h"
#include "runtime/draw_layer.h"
#include "runtime/state_rooms.h"

// Allocated on the first call only; a later call just frees and zeroes every slot.
void createGlitterPool()
{
    if (!statePools().glitterPool)
        statePools().glitterPool = new GlitterPool{};
    else
        *statePools().glitterPool = GlitterPool{};
}

void spawnGlitter(int x, int y)
{
    for (GlitterPoint& point : statePools().glitterPool->slots) {
        if (point.active)
            continue;
        point.state = 0;
        point.alpha = 0.0f;
        point.x = x;
        point.y = y;
        point.active = true;
        return;
    }
}

// No hold at full brightness: a point turns as soon as it passes 1.
void updateGlitter()
{
    const float dt = stateClock().frameDelta;
    for (GlitterPoint& point : statePools().glitterPool->slots) {
        if (!point.active)
            continue;
        if (point.state == 0) {
            point.alpha = point.alpha + 4.0f * dt;
            if (point.alpha > 1.0f) {
                point.alpha = 1.0f;
                point.state = 1;
            }
        } else if (point.state == 1) {
            point.alpha = point.alpha - 4.0f * dt;
            if (point.alpha < 0.0f) {
                point.alpha = 0.0f;
                point.active = false;
            }
        }
    }
}

void drawGlitter(sf::RenderWindow& window)
{
    sf::Sprite& glitter = sprite(Image::Glitter);
    for (const GlitterPoint& point : statePools().glitterPool->slots) {
        if (!point.active)
            continue;
        glitter.setPosition(static_cast<float>(point.x), static_cast<float>(point.y));
        glitter.setColor(unitAlphaColour(point.alpha));
        drawSprite(window, glitter);
    }
}
