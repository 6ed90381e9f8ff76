// Flash (module order 17): the white left by scene 11 with the gantz image over it, its size
// jittering every 0.075 s; after 8.2355 s the picture fades to black over half a bar.
// Prints the jitter timer on every frame.
#include "effects/random.h"
#include "runtime/alpha.h"
#include "runtime/console.h"
#include "scenes/demo_state.h"
#include "runtime/draw_layer.h"
#include "scenes/scenes.h"

void flashScene(sf::RenderWindow& window)
{
    FlashState& scene = demo.scenes.flash;

    scene.jitterTimer += demo.clock.frameDelta;
    printLine(scene.jitterTimer);
    // Reset to 0 rather than by the period, so a jitter comes every 0.075 s rounded up to frames.
    if (scene.jitterTimer > 0.075f) {
        scene.jitterTimer = 0.0f;
        scene.gantzScale = randomRange(0.95f, 1.05f);
    }

    float overlayAlpha = 0.0f;
    if (scene.phase == 0) {
        scene.phaseTimer += demo.clock.frameDelta;
        if (scene.phaseTimer > oneBar + twoBars + halfBar) {
            scene.phase = 1;
            scene.phaseTimer = 0.0f;
        }
    } else {
        scene.phaseTimer += demo.clock.frameDelta;
        overlayAlpha = scene.phaseTimer / halfBar * 255.0f;
        if (overlayAlpha > 255.0f)
            overlayAlpha = 255.0f;
    }

    sf::Sprite& gantz = sprite(Image::FlashSigil);
    gantz.setScale(scene.gantzScale, scene.gantzScale);
    sprite(Image::Black).setColor(alphaColour(overlayAlpha));

    // white.png keeps the colour scene 11's white-out left on it.
    drawSprite(window, sprite(Image::White));
    drawSprite(window, gantz);
    drawSprite(window, sprite(Image::Black));
}
