// Scene 09 (module orders 12-13): the glint image slowly grows while the skull over it shrinks
// and fades out (gone at about 5.1 s); the black overlay clears over the first half bar and comes
// back with five hexagon layers at 8.2355 s; the layers give way to the verse from 14.118 s.
#include "effects/bubbles.h"
#include "runtime/alpha.h"
#include "scenes/demo_state.h"
#include "runtime/draw_layer.h"
#include "scenes/reveal.h"
#include "scenes/scenes.h"
#include "scenes/verses.h"

namespace {

constexpr int layerCount = 5;  // h1 to h5

}  // namespace

void scene09(sf::RenderWindow& window)
{
    Scene09State& scene = demo.scenes.scene09;

    if (scene.reveal.bubblesOn)
        stepBubbleEmitter(scene.bubbleSpawnTimer);

    if (scene.firstFrame) {
        scene.firstFrame = false;
        openRevealScene("scene 09", scene09Verse);
    }

    // The background keeps moving in every phase, even once the overlay hides it.
    scene.glintScale += 0.05f * demo.clock.frameDelta;
    scene.skullScale -= 0.05f * demo.clock.frameDelta;
    scene.skullAlpha -= 50.0f * demo.clock.frameDelta;
    if (scene.skullAlpha < 0.0f)
        scene.skullAlpha = 0.0f;

    advanceReveal(scene.reveal);

    applyRevealColours(scene.reveal, layerCount);
    sf::Sprite& glint = sprite(Image::Eclipse);
    sf::Sprite& skull = sprite(Image::Skull);
    skull.setColor(alphaColour(scene.skullAlpha));
    glint.setScale(scene.glintScale, scene.glintScale);
    skull.setScale(scene.skullScale, scene.skullScale);

    drawSprite(window, glint);
    drawSprite(window, skull);
    drawSprite(window, sprite(Image::Black));
    updateDrawBubbles(window);
    drawRevealLayers(window, layerCount);
    drawText(window, demo.content.captionText);
}
