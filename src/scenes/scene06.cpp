// Scene 06, module orders 6 and 7: glitter sparkles over the glint2 background as the black
// clears, then h1 and h2 stack over the returning black and bubbles rise. Beats: black gone at
// half a bar, cross-fade from 8.2355 s, verse in from 14.118 s, verse out from 17.6475 s.
#include "effects/bubbles.h"
#include "effects/glitter.h"
#include "effects/random.h"
#include "scenes/demo_state.h"
#include "runtime/draw_layer.h"
#include "scenes/reveal.h"
#include "scenes/scenes.h"
#include "scenes/verses.h"

namespace {

// One glitter point somewhere in a rectangle; y is drawn before x, the random sequence is shared.
void spawnGlitterIn(float top, float bottom, float left, float right)
{
    const int y = static_cast<int>(randomRange(top, bottom));
    const int x = static_cast<int>(randomRange(left, right));
    spawnGlitter(x, y);
}

}  // namespace

void scene06(sf::RenderWindow& window)
{
    Scene06State& scene = demo.scenes.scene06;

    if (scene.reveal.bubblesOn)
        stepBubbleEmitter(scene.bubbleSpawnTimer);

    if (scene.firstFrame) {
        scene.firstFrame = false;
        openRevealScene("scene 06", scene06Verse);
    }

    // The threshold is far below a frame, so in practice two points come every frame.
    scene.glitterSpawnTimer += demo.clock.frameDelta;
    if (scene.glitterSpawnTimer > 0.0005f) {
        scene.glitterSpawnTimer = 0.0f;
        spawnGlitterIn(369.0f, 471.0f, 426.0f, 917.0f);
        spawnGlitterIn(367.0f, 543.0f, 547.0f, 726.0f);
    }

    advanceReveal(scene.reveal);

    applyRevealColours(scene.reveal, 2);

    drawSprite(window, sprite(Image::Gem));
    updateGlitter();
    drawGlitter(window);
    drawSprite(window, sprite(Image::Black));
    updateDrawBubbles(window);
    drawRevealLayers(window, 2);
    drawText(window, demo.content.captionText);
}
