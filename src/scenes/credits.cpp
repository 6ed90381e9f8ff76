// Credits (module order 18): the credits image comes out of black over the first half bar,
// stays until 7.059 s and is black again from 8.2355 s until the timeline moves on.
#include "runtime/alpha.h"
#include "scenes/demo_state.h"
#include "runtime/draw_layer.h"
#include "scenes/scenes.h"

void creditsScene(sf::RenderWindow& window)
{
    CreditsState& scene = demo.scenes.credits;

    scene.creditsClock += demo.clock.frameDelta;
    if (scene.creditsClock > oneBar + twoBars) {
        scene.fadeOutTimer += demo.clock.frameDelta;
        scene.blackAlpha = scene.fadeOutTimer / halfBar * 255.0f;
        if (scene.blackAlpha > 255.0f)
            scene.blackAlpha = 255.0f;
    } else {
        scene.blackAlpha = 255.0f - scene.creditsClock / halfBar * 255.0f;
        if (scene.blackAlpha < 0.0f)
            scene.blackAlpha = 0.0f;
    }

    // Set before drawing, so whatever the flash scene left on the overlay never shows.
    sprite(Image::Black).setColor(alphaColour(scene.blackAlpha));

    drawSprite(window, sprite(Image::Credits));
    drawSprite(window, sprite(Image::Black));
}
