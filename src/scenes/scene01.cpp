// Scene 01, module order 0: the poem's first line on black, fading in over a bar, held for two
// bars, fading out over a bar.
#include "runtime/alpha.h"
#include "runtime/console.h"
#include "scenes/demo_state.h"
#include "runtime/draw_layer.h"
#include "scenes/caption.h"
#include "scenes/scenes.h"
#include "scenes/verses.h"

void scene01(sf::RenderWindow& window)
{
    OpeningSceneState& scene = demo.scenes.scene01;
    if (scene.firstFrame) {
        scene.firstFrame = false;
        printLine("scene 01");
        setupCaption(openingCaptionSize, scene01Verse, 260.0f);
    }

    advanceCaptionFader(scene.fader, oneBar, twoBars, oneBar);

    demo.content.captionText.setFillColor(alphaColour(scene.fader.alpha));
    drawText(window, demo.content.captionText);
}
