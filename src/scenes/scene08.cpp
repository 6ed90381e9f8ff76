// Scene 08, module orders 10 and 11: three images join the glint4 background one by one as the
// black clears, then h1 to h4 stack over the returning black. Beats: images at 3.0, 4.25 and
// 6.0 s, cross-fade from 8.2355 s, verse in from 14.118 s, verse out from 17.6475 s.
#include "effects/bubbles.h"
#include "scenes/demo_state.h"
#include "runtime/draw_layer.h"
#include "scenes/reveal.h"
#include "scenes/scenes.h"
#include "scenes/verses.h"

void scene08(sf::RenderWindow& window)
{
    Scene08State& scene = demo.scenes.scene08;

    if (scene.reveal.bubblesOn)
        stepBubbleEmitter(scene.bubbleSpawnTimer);

    if (scene.firstFrame) {
        scene.firstFrame = false;
        openRevealScene("scene 08", scene08Verse);
    }

    // Fixed seconds, not beats; each image stays once it has appeared.
    scene.overlayTimer += demo.clock.frameDelta;
    if (scene.overlayTimer >= 3.0f)
        scene.overlay1Shown = true;
    if (scene.overlayTimer >= 4.25f)
        scene.overlay2Shown = true;
    if (scene.overlayTimer >= 6.0f)
        scene.overlay3Shown = true;

    advanceReveal(scene.reveal);

    applyRevealColours(scene.reveal, 4);

    drawSprite(window, sprite(Image::Planet));
    if (scene.overlay1Shown)
        drawSprite(window, sprite(Image::Moon));
    if (scene.overlay2Shown)
        drawSprite(window, sprite(Image::Constellation));
    if (scene.overlay3Shown)
        drawSprite(window, sprite(Image::Sunrise));
    drawSprite(window, sprite(Image::Black));
    updateDrawBubbles(window);
    drawRevealLayers(window, 4);
    drawText(window, demo.content.captionText);
}
