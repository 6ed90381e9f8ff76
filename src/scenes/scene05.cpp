// Scene 05, module orders 4 and 5: six glint layers grow as the black clears, then black and
// the h1 hexagon return and bubbles begin to rise. Beats: black gone at half a bar, cross-fade
// from 8.2355 s, "HEJ!!!" and the verse from 14.118 s, verse out from 17.6475 s.
#include "effects/bubbles.h"
#include "runtime/console.h"
#include "scenes/demo_state.h"
#include "runtime/draw_layer.h"
#include "scenes/reveal.h"
#include "scenes/scenes.h"
#include "scenes/verses.h"

namespace {

constexpr Image glintLayers[] = {Image::WarpNebula, Image::WarpGlow, Image::WarpStreaks,
                                 Image::WarpHexagon, Image::WarpStar, Image::WarpBokeh};
// Back to front, each layer grows faster than the one behind it.
constexpr float glintGrowthRates[] = {0.75f, 0.9f, 1.5f, 1.75f, 2.5f, 3.45f};

}  // namespace

void scene05(sf::RenderWindow& window)
{
    Scene05State& scene = demo.scenes.scene05;

    if (scene.reveal.bubblesOn)
        stepBubbleEmitter(scene.bubbleSpawnTimer);

    if (scene.firstFrame) {
        scene.firstFrame = false;
        // Scene 04 leaves its zoom on these two.
        sprite(Image::Black).setScale(1.0f, 1.0f);
        sprite(Image::White).setScale(1.0f, 1.0f);
        openRevealScene("scene 05", scene05Verse);
    }

    // The reveal of the later scenes, with one layer; the glints grow while it opens and the
    // end of the hold is greeted.
    const bool opening = scene.reveal.phase == 0;
    const bool holding = scene.reveal.phase == 1;
    advanceReveal(scene.reveal);
    if (holding && scene.reveal.phase == 2)
        printLine("HEJ!!!");
    // Behind the opaque black the glints snap back to their natural size.
    if (opening)
        scene.glintGrowth = static_cast<float>(0.25 * scene.reveal.phaseTimer / (halfBar + twoBars));

    for (int layer = 0; layer < 6; ++layer) {
        const float glintScale = 1.0f + scene.glintGrowth * glintGrowthRates[layer];
        sprite(glintLayers[layer]).setScale(glintScale, glintScale);
    }

    applyRevealColours(scene.reveal, 1);

    for (Image glint : glintLayers)
        drawSprite(window, sprite(glint));
    drawSprite(window, sprite(Image::Black));
    updateDrawBubbles(window);
    drawRevealLayers(window, 1);
    drawText(window, demo.content.captionText);
}
