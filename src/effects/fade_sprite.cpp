#include "effects/fade_sprite.h"

#include "runtime/alpha.h"
#include "runtime/draw_layer.h"
#include "runtime/state_rooms.h"

// The state is left as it is, so an instance is good for one appearance per run.
void showFadeSprite(FadeSprite& fadeSprite)
{
    fadeSprite.alpha = 0.0f;
    fadeSprite.visible = true;
}

void updateFadeSprite(FadeSprite& fadeSprite)
{
    if (!fadeSprite.visible)
        return;
    const float dt = stateClock().frameDelta;
    switch (fadeSprite.state) {
    case 0:
        fadeSprite.alpha = fadeSprite.alpha + 4.0f * dt;
        if (fadeSprite.alpha > 1.0f) {
            fadeSprite.alpha = 1.0f;
            fadeSprite.state = fadeSprite.holdAfterFadeIn != 0 ? 2 : 1;
        }
        break;
    case 1:
        fadeSprite.alpha = fadeSprite.alpha - 4.0f * dt;
        if (fadeSprite.alpha < 0.0f) {
            fadeSprite.alpha = 0.0f;
            fadeSprite.visible = false;
        }
        break;
    default:
        break;  // holding at full opacity
    }
}

void drawFadeSprite(FadeSprite& fadeSprite, sf::RenderWindow& window)
{
    if (!fadeSprite.visible)
        return;
    fadeSprite.sprite->setColor(unitAlphaColour(fadeSprite.alpha));
    drawSprite(window, *fadeSprite.sprite);
}
