// Scene 11 (module order 16): hexagon pulses released at the centre ever faster while scene 10's
// last bubbles rise away; the pulses stop after 7.059 s ("done" from then on), then the picture
// fades to white over the last half bar, which the flash scene takes over.
#include "effects/bubbles.h"
#include "effects/hex_pulses.h"
#include "runtime/alpha.h"
#include "runtime/console.h"
#include "scenes/demo_state.h"
#include "runtime/draw_layer.h"
#include "scenes/scenes.h"

void scene11(sf::RenderWindow& window)
{
    Scene11State& scene = demo.scenes.scene11;
    const float frameDelta = demo.clock.frameDelta;

    if (scene.firstFrame) {
        scene.firstFrame = false;
        printLine("scene 11");
    }

    // The release reads the hold time of the previous frame: it is tested before the phase step.
    if (scene.holdTime < twoBars + halfBar) {
        scene.pulseTimer += frameDelta;
        scene.pulseRate += 0.5f * frameDelta;
        if (scene.pulseRate > 4.0f)
            scene.pulseRate = 4.0f;
        if (scene.pulseTimer > oneBeat / scene.pulseRate) {
            scene.pulseTimer = 0.0f;
            scene.nextPulseRotation += 0.1f;
            spawnHexPulse(scene.nextPulseRotation);
        }
    } else {
        printLine("done");
    }

    scene.phaseTimer += frameDelta;
    switch (scene.phase) {
    case 0:
        scene.blackAlpha = 255.0f - scene.phaseTimer / halfBar * 255.0f;
        if (scene.blackAlpha < 0.0f) {
            scene.blackAlpha = 0.0f;
            scene.phase = 1;
            scene.phaseTimer = 0.0f;
        }
        break;
    case 1:
        scene.holdTime += frameDelta;
        if (scene.phaseTimer >= oneBar + twoBars) {
            scene.phase = 2;
            scene.phaseTimer = 0.0f;
        }
        break;
    case 2:
        scene.whiteAlpha = scene.phaseTimer / halfBar * 255.0f;
        if (scene.whiteAlpha > 255.0f)
            scene.whiteAlpha = 255.0f;
        break;
    default:
        break;
    }

    sf::Sprite& white = sprite(Image::White);
    white.setColor(alphaColour(scene.whiteAlpha));
    // The opening fade only times phase 0: the overlay gets its colour but is never drawn here.
    sprite(Image::Black).setColor(alphaColour(scene.blackAlpha));

    updateDrawHexPulses(window);
    updateDrawBubbles(window);
    drawSprite(window, white);
}
