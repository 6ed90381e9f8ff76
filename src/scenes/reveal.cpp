// The reveal that scenes 06 to 10 share: the black overlay clears over half a bar, returns
// with the stacked hexagon layers in the last half bar of four, the layers hold two bars,
// then give way to the verse, which fades out in the end.
#include "scenes/reveal.h"

#include "effects/bubbles.h"
#include "runtime/alpha.h"
#include "runtime/console.h"
#include "scenes/demo_state.h"
#include "runtime/draw_layer.h"
#include "scenes/caption.h"

namespace {

// The overlay returns in the last half bar of the first four.
bool inCrossfade(const Reveal& reveal)
{
    return reveal.phaseTimer >= fourBarsInDouble - halfBar;
}

sf::Sprite& stackedLayer(int index)
{
    return sprite(static_cast<Image>(static_cast<int>(Image::EmblemCore) + index));
}

}  // namespace

void openRevealScene(const char* sceneLine, const char* verse)
{
    freeAllBubbles();
    printLine(sceneLine);
    setupCaption(verseCaptionSize, verse, 500.0f);
}

void advanceReveal(Reveal& reveal)
{
    reveal.phaseTimer += demo.clock.frameDelta;

    switch (reveal.phase) {
    case 0:
        if (!inCrossfade(reveal)) {
            reveal.blackAlpha = static_cast<float>(255.0 - 255.0 * reveal.phaseTimer / halfBar);
            if (reveal.blackAlpha < 0.0f)
                reveal.blackAlpha = 0.0f;
        } else {
            reveal.crossfadeTimer += demo.clock.frameDelta;
            const double progress = static_cast<double>(reveal.crossfadeTimer) / halfBar;
            // One rounding, so the overlay and the layers can never disagree.
            const float crossfadeAlpha = static_cast<float>(255.0 * progress);
            reveal.blackAlpha = crossfadeAlpha;
            reveal.layerAlpha = crossfadeAlpha;
            reveal.layerScale = static_cast<float>(1.5 - 0.5 * progress);
            if (reveal.blackAlpha >= 255.0f) {
                reveal.bubblesOn = true;
                reveal.blackAlpha = 255.0f;
                reveal.layerAlpha = 255.0f;
                reveal.layerScale = 1.0f;
                reveal.phase = 1;
                reveal.phaseTimer = 0.0f;
            }
        }
        break;
    case 1:
        if (reveal.phaseTimer >= twoBars) {
            reveal.phase = 2;
            reveal.phaseTimer = 0.0f;
        }
        break;
    case 2: {
        const double progress = static_cast<double>(reveal.phaseTimer) / halfBar;
        reveal.layerAlpha = static_cast<float>(255.0 - 255.0 * progress);
        if (reveal.layerAlpha < 0.0f)
            reveal.layerAlpha = 0.0f;
        reveal.captionAlpha = static_cast<float>(255.0 * progress);
        if (reveal.captionAlpha > 255.0f)
            reveal.captionAlpha = 255.0f;
        if (reveal.phaseTimer >= twoBars - halfBar) {
            reveal.phase = 3;
            reveal.phaseTimer = 0.0f;
        }
        break;
    }
    case 3:
        reveal.captionAlpha = static_cast<float>(255.0 - 255.0 * reveal.phaseTimer / halfBar);
        if (reveal.captionAlpha < 0.0f)
            reveal.captionAlpha = 0.0f;
        break;
    default:
        break;
    }
}

void applyRevealColours(const Reveal& reveal, int layerCount)
{
    demo.content.captionText.setFillColor(alphaColour(reveal.captionAlpha));
    for (int index = 0; index < layerCount; ++index)
        stackedLayer(index).setColor(alphaColour(reveal.layerAlpha));
    stackedLayer(layerCount - 1).setScale(reveal.layerScale, reveal.layerScale);
    sprite(Image::Black).setColor(alphaColour(reveal.blackAlpha));
}

void drawRevealLayers(sf::RenderWindow& window, int layerCount)
{
    for (int index = 0; index < layerCount; ++index)
        drawSprite(window, stackedLayer(index));
}
