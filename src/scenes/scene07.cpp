// Scene 07, module orders 8 and 9: a landscape scrolls left in parallax, four flares flash one
// per beat and a glint stays, then h1 to h3 stack over the returning black. Beats: flares from
// ten beats (5.8825 s), cross-fade from 8.2355 s, verse in from 14.118 s, out from 17.6475 s.
#include "effects/bubbles.h"
#include "effects/fade_sprite.h"
#include "scenes/demo_state.h"
#include "runtime/draw_layer.h"
#include "scenes/reveal.h"
#include "scenes/scenes.h"
#include "scenes/verses.h"

#include <cmath>

namespace {

// Where each flash sits in demo.pools.fadeSprites, which holds them in draw order.
enum FadeSpriteIndex { flare1, flare2, flare3, flare4, glint };

// The flares light up from the last to the first; the glint comes with the last flare and stays.
void showFlaresOfStep(int flareCount)
{
    FadeSprite* fadeSprites = demo.pools.fadeSprites;
    switch (flareCount) {
    case 1:
        showFadeSprite(fadeSprites[flare4]);
        break;
    case 2:
        showFadeSprite(fadeSprites[flare3]);
        break;
    case 3:
        showFadeSprite(fadeSprites[flare2]);
        break;
    case 4:
        showFadeSprite(fadeSprites[flare1]);
        showFadeSprite(fadeSprites[glint]);
        break;
    default:
        break;
    }
}

// A scrolling layer placed on whole output pixels: sampled between texels, a layer is softer on
// some frames than on others, and its sharpness flickers as it moves.
float onWholePixels(float x)
{
    const float scale = pictureScale();
    return std::round(x * scale) / scale;
}

}  // namespace

void scene07(sf::RenderWindow& window)
{
    Scene07State& scene = demo.scenes.scene07;

    scene.sceneClock += demo.clock.frameDelta;

    if (scene.sceneClock > twoBars + halfBar) {
        scene.flareTimer += demo.clock.frameDelta;
        // The overshoot is dropped, so a late frame delays the next flares but never skips one.
        if (scene.flareTimer > oneBeat) {
            scene.flareTimer = 0.0f;
            ++scene.flareCount;
            showFlaresOfStep(scene.flareCount);
        }
    }

    if (scene.reveal.bubblesOn)
        stepBubbleEmitter(scene.bubbleSpawnTimer);

    if (scene.firstFrame) {
        scene.firstFrame = false;
        openRevealScene("scene 07", scene07Verse);
    }

    scene.slowScroll -= 24.0f * demo.clock.frameDelta;
    scene.fastScroll -= 500.0f * demo.clock.frameDelta;

    advanceReveal(scene.reveal);

    applyRevealColours(scene.reveal, 3);
    sprite(Image::RangeFar).setPosition(onWholePixels(scene.slowScroll + 125.0f), 0.0f);
    sprite(Image::RangeMiddle).setPosition(onWholePixels(2.0f * scene.slowScroll + 120.0f), 0.0f);
    sprite(Image::RangeNear).setPosition(onWholePixels(4.0f * scene.slowScroll + 100.0f), 0.0f);
    const float strip = onWholePixels(scene.fastScroll);
    sprite(Image::GroundStrip).setPosition(strip, 0.0f);
    sprite(Image::GroundStripWide).setPosition(strip + 4096.0f, 0.0f);
    sprite(Image::GroundStripNarrow).setPosition(strip + 1280.0f, 0.0f);
    sprite(Image::GroundStripMiddle).setPosition(strip + 2240.0f, 0.0f);

    drawSprite(window, sprite(Image::LandscapeSky));
    drawSprite(window, sprite(Image::RangeFar));
    drawSprite(window, sprite(Image::RangeMiddle));
    drawSprite(window, sprite(Image::RangeNear));
    // The strip's first piece comes round again further along.
    sf::Sprite& stripStart = sprite(Image::GroundStrip);
    drawSprite(window, stripStart);
    stripStart.setPosition(strip + 3820.0f, 0.0f);
    drawSprite(window, stripStart);
    drawSprite(window, sprite(Image::GroundStripWide));
    drawSprite(window, sprite(Image::GroundStripNarrow));
    drawSprite(window, sprite(Image::GroundStripMiddle));
    for (FadeSprite& fadeSprite : demo.pools.fadeSprites) {
        updateFadeSprite(fadeSprite);
        drawFadeSprite(fadeSprite, window);
    }
    drawSprite(window, sprite(Image::LandscapeForeground));
    drawSprite(window, sprite(Image::Black));
    updateDrawBubbles(window);
    drawRevealLayers(window, 3);
    drawText(window, demo.content.captionText);
}
