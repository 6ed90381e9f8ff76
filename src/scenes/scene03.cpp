// Scene 03, module order 2: the title image at the top-left corner, at its natural size, faded
// like the captions before it: in over a bar, held for two bars, out over a bar.
#include "runtime/alpha.h"
#include "runtime/console.h"
#include "scenes/demo_state.h"
#include "runtime/draw_layer.h"
#include "scenes/caption.h"
#include "scenes/scenes.h"

void scene03(sf::RenderWindow& window)
{
    OpeningSceneState& scene = demo.scenes.scene03;
    if (scene.firstFrame) {
        scene.firstFrame = false;
        printLine("scene 03");
    }

    advanceCaptionFader(scene.fader, oneBar, twoBars, oneBar);

    sf::Sprite& title = sprite(Image::Title);
    title.setColor(alphaColour(scene.fader.alpha));
    drawSprite(window, title);
}
