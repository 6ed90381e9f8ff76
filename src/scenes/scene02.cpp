// Scene 02, module order 1: the soundtrack starts, and the group's credit line fades in over a
// bar, holds for two bars and fades out over a bar.
#include "audio/bass.h"
#include "runtime/alpha.h"
#include "runtime/console.h"
#include "scenes/demo_state.h"
#include "runtime/draw_layer.h"
#include "scenes/caption.h"
#include "scenes/scenes.h"
#include "scenes/verses.h"

void scene02(sf::RenderWindow& window)
{
    OpeningSceneState& scene = demo.scenes.scene02;
    if (scene.firstFrame) {
        scene.firstFrame = false;
        // Opened and started once per run; without the file the demo simply plays silent.
        demo.clock.soundtrackStream = BASS_StreamCreateFile(false, soundtrackFile, 0, 0, 0);
        BASS_ChannelPlay(demo.clock.soundtrackStream, false);
        printLine("scene 02");
        setupCaption(titleCaptionSize, scene02Credit, 300.0f);
    }

    advanceCaptionFader(scene.fader, oneBar, twoBars, oneBar);

    demo.content.captionText.setFillColor(alphaColour(scene.fader.alpha));
    drawText(window, demo.content.captionText);
}
