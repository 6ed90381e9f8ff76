// Scene 05, module orders 4 and 5: six glint layers grow as the black clears, then black and
// the h1 hexagon return and bubbles begin to rise. Beats: black gone at half a bar, cross-fade
// from 8.2355 s, "HEJ!!!" and the verse from 14.118 s, verse out from 17.6475 s.
#include "effects/bubbles.h"
#include "runtime/alpha.h"
#include "runtime/console.h"
#include "runtime/demo_state.h"
#include "scenes/caption.h"
#include "scenes/scenes.h"
#include "scenes/verses.h"

namespace {

constexpr Image glintLayers[] = {Image::Glint1_1, Image::Glint1_2, Image::Glint1_3,
                                 Image::Glint1_4, Image::Glint1_5, Image::Glint1_6};
// Back to front, each layer grows faster than the one behind it.
constexpr float glintGrowthRates[] = {0.75f, 0.9f, 1.5f, 1.75f, 2.5f, 3.45f};

// This scene's variant of the reveal: one layer, glints growing through the opening, "HEJ!!!".
void advanceScene05Phase(Scene05State& scene)
{
    const float halfBar = demo.halfBar;
    scene.phaseTimer += demo.frameDelta;

    switch (scene.phase) {
    case 0:
        // 9.412 is fourBars, fixed: the black returns in the last half bar of four.
        if (scene.phaseTimer < 9.412 - halfBar) {
            scene.blackAlpha = static_cast<float>(255.0 - 255.0 * scene.phaseTimer / halfBar);
            if (scene.blackAlpha < 0.0f)
                scene.blackAlpha = 0.0f;
        } else {
            scene.crossfadeTimer += demo.frameDelta;
            const double progress = static_cast<double>(scene.crossfadeTimer) / halfBar;
            // One rounding, so the black and the layer can never disagree.
            const float crossfadeAlpha = static_cast<float>(255.0 * progress);
            scene.blackAlpha = crossfadeAlpha;
            scene.layerAlpha = crossfadeAlpha;
            scene.layerScale = static_cast<float>(1.5 - 0.5 * progress);
            if (scene.blackAlpha >= 255.0f) {
                scene.bubblesOn = true;
                scene.phase = 1;
                scene.blackAlpha = 255.0f;
                scene.layerAlpha = 255.0f;
                scene.layerScale = 1.0f;
                scene.phaseTimer = 0.0f;
            }
        }
        // Behind the opaque black the glints snap back to their natural size.
        scene.glintGrowth = static_cast<float>(0.25 * scene.phaseTimer / (halfBar + demo.twoBars));
        break;
    case 1:
        if (scene.phaseTimer >= demo.twoBars) {
            scene.phaseTimer = 0.0f;
            printLine("HEJ!!!");
            scene.phase = 2;
        }
        break;
    case 2: {
        const double progress = static_cast<double>(scene.phaseTimer) / halfBar;
        scene.layerAlpha = static_cast<float>(255.0 - 255.0 * progress);
        if (scene.layerAlpha < 0.0f)
            scene.layerAlpha = 0.0f;
        scene.captionAlpha = static_cast<float>(255.0 * progress);
        if (scene.captionAlpha > 255.0f)
            scene.captionAlpha = 255.0f;
        if (scene.phaseTimer >= demo.twoBars - halfBar) {
            scene.phaseTimer = 0.0f;
            scene.phase = 3;
        }
        break;
    }
    case 3:
        scene.captionAlpha = static_cast<float>(255.0 - 255.0 * scene.phaseTimer / halfBar);
        if (scene.captionAlpha < 0.0f)
            scene.captionAlpha = 0.0f;
        break;
    default:
        break;
    }
}

}  // namespace

void scene05(sf::RenderWindow& window)
{
    Scene05State& scene = demo.scene05;

    if (scene.bubblesOn)
        stepBubbleEmitter(scene.bubbleSpawnTimer);

    if (scene.firstFrame) {
        freeAllBubbles();
        // Scene 04 leaves its zoom on these two.
        sprite(Image::Black).setScale(1.0f, 1.0f);
        sprite(Image::White).setScale(1.0f, 1.0f);
        scene.firstFrame = false;
        printLine("scene 05");
        setupCaption(58, scene05Verse, 500.0f);
    }

    advanceScene05Phase(scene);

    for (int layer = 0; layer < 6; ++layer) {
        const float glintScale = 1.0f + scene.glintGrowth * glintGrowthRates[layer];
        sprite(glintLayers[layer]).setScale(glintScale, glintScale);
    }

    demo.captionText.setFillColor(alphaColour(scene.captionAlpha));
    sf::Sprite& hexagonLayer = sprite(Image::H1);
    hexagonLayer.setColor(alphaColour(scene.layerAlpha));
    hexagonLayer.setScale(scene.layerScale, scene.layerScale);
    sprite(Image::Black).setColor(alphaColour(scene.blackAlpha));

    for (Image glint : glintLayers)
        window.draw(sprite(glint));
    window.draw(sprite(Image::Black));
    updateDrawBubbles(window);
    window.draw(hexagonLayer);
    window.draw(demo.captionText);
}
