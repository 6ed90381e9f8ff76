// Scene 04, module order 3: a four-line verse on black; white, black and wall layers fade in as
// the verse fades out; the black layer shrinks away to show the white one; then white and wall
// zoom out and everything fades, the three layers as one picture. Phase starts: 0, half a bar,
// 1.5 bars, 2 bars, 2.5 bars, 3.5 bars.
#include "runtime/alpha.h"
#include "runtime/console.h"
#include "scenes/demo_state.h"
#include "runtime/draw_layer.h"
#include "scenes/caption.h"
#include "scenes/scenes.h"
#include "scenes/verses.h"

namespace {

void enterPhase(Scene04State& scene, int phase)
{
    scene.phase = phase;
    scene.phaseTimer = 0.0f;
}

// One phase change at most per frame; each change drops the timer's overshoot.
void advancePhase(Scene04State& scene)
{
    scene.phaseTimer += demo.clock.frameDelta;
    switch (scene.phase) {
    case 0:  // caption fades in
        scene.captionAlpha = 255.0f * scene.phaseTimer / halfBar;
        if (scene.phaseTimer >= halfBar) {
            scene.captionAlpha = 255.0f;
            enterPhase(scene, 1);
        }
        break;
    case 1:  // caption holds
        if (scene.phaseTimer >= oneBar)
            enterPhase(scene, 2);
        break;
    case 2:  // caption out, layers in
        scene.captionAlpha = 255.0f - 255.0f * scene.phaseTimer / halfBar;
        scene.overlayAlpha = scene.phaseTimer / halfBar * 255.0f;
        if (scene.captionAlpha < 0.0f) {
            scene.captionAlpha = 0.0f;
            scene.overlayAlpha = 255.0f;
            enterPhase(scene, 3);
        }
        break;
    case 3:  // layers hold
        if (scene.phaseTimer >= halfBar)
            enterPhase(scene, 4);
        break;
    case 4:  // black layer shrinks to nothing
        scene.blackScale = 1.0f - scene.phaseTimer / oneBar;
        if (scene.blackScale < 0.0f)
            scene.blackScale = 0.0f;
        if (scene.phaseTimer >= oneBar)
            enterPhase(scene, 5);
        break;
    case 5: {  // white and wall zoom out, all layers fade; lasts until the timeline moves on
        const float progress = scene.phaseTimer / halfBar;
        scene.zoomScale = 1.0f + 0.5f * progress;
        scene.overlayAlpha = 255.0f - 255.0f * progress;
        // Held at 0: below it the alpha's low 8 bits would flash the layers back in.
        if (scene.overlayAlpha < 0.0f)
            scene.overlayAlpha = 0.0f;
        break;
    }
    default:
        break;
    }
}

// The three layers fade in and out together as one picture: each is drawn whole, and what the fade
// leaves is veiled in black. Faded one by one, the white would show through the black and the wall
// as a grey fog long before the black shrinks to let it in.
void drawLayersAsOnePicture(sf::RenderWindow& window, const sf::Sprite& white, const sf::Sprite& black,
                            const sf::Sprite& wall)
{
    const sf::Uint8 layersAlpha = white.getColor().a;
    if (layersAlpha == 0)
        return;
    for (const sf::Sprite* layer : {&white, &black, &wall}) {
        sf::Sprite whole = *layer;
        whole.setColor(sf::Color::White);
        drawSprite(window, whole);
    }
    if (layersAlpha < 255) {
        sf::Sprite veil = black;
        veil.setScale(1.0f, 1.0f);
        veil.setColor(sf::Color(255, 255, 255, 255 - layersAlpha));
        drawSprite(window, veil);
    }
}

}  // namespace

void scene04(sf::RenderWindow& window)
{
    Scene04State& scene = demo.scenes.scene04;
    if (scene.firstFrame) {
        scene.firstFrame = false;
        printLine("scene 04");
        setupCaption(titleCaptionSize, scene04Verse, 300.0f);
    }

    advancePhase(scene);

    sf::Sprite& white = sprite(Image::White);
    sf::Sprite& black = sprite(Image::Black);
    sf::Sprite& wall = sprite(Image::Wall);
    demo.content.captionText.setFillColor(alphaColour(scene.captionAlpha));
    white.setColor(alphaColour(scene.overlayAlpha));
    black.setColor(alphaColour(scene.overlayAlpha));
    wall.setColor(alphaColour(scene.overlayAlpha));

    black.setScale(scene.blackScale, scene.blackScale);
    white.setScale(scene.zoomScale, scene.zoomScale);
    wall.setScale(scene.zoomScale, scene.zoomScale);

    drawLayersAsOnePicture(window, white, black, wall);
    drawText(window, demo.content.captionText);
}
