// Scene 10 (module orders 14-15): white and yellow sparks stream out of the centre from the first
// frame, under the halo and glint images; the black overlay clears over the first half bar and comes
// back with six hexagon layers at 8.2355 s; the layers give way to the verse from 14.118 s.
#include "effects/bubbles.h"
#include "effects/random.h"
#include "effects/sparks.h"
#include "scenes/demo_state.h"
#include "runtime/draw_layer.h"
#include "scenes/reveal.h"
#include "scenes/scenes.h"
#include "scenes/verses.h"

namespace {

constexpr int layerCount = 6;  // h1 to h6
constexpr int whiteSpark = 0;
constexpr int yellowSpark = 1;
// Not 2 pi to full precision: the sparks' directions stop just short of a full turn.
constexpr float fullTurn = 6.28318f;

struct SparkDraw {
    float speed;  // pixels per second
    float life;   // seconds
    float angle;  // radians
};

// One spark's random values, drawn in the order speed, life, angle.
SparkDraw drawSpark(float maxSpeed)
{
    SparkDraw draw;
    draw.speed = randomRange(65.0f, maxSpeed);
    draw.life = randomRange(2.0f, 2.7f);
    draw.angle = randomRange(0.0f, fullTurn);
    return draw;
}

}  // namespace

void scene10(sf::RenderWindow& window)
{
    Scene10State& scene = demo.scenes.scene10;

    if (scene.reveal.bubblesOn)
        stepBubbleEmitter(scene.bubbleSpawnTimer);

    // The emitter runs before the set-up, so the very first frame already has its two sparks.
    scene.sparkSpawnTimer += demo.clock.frameDelta;
    if (scene.sparkSpawnTimer > 0.0005f) {
        const SparkDraw yellow = drawSpark(90.0f);
        scene.sparkSpawnTimer = 0.0f;
        spawnSpark(yellowSpark, yellow.speed, yellow.angle, yellow.life);
        const SparkDraw white = drawSpark(80.0f);
        spawnSpark(whiteSpark, white.speed, white.angle, white.life);
    }

    if (scene.firstFrame) {
        scene.firstFrame = false;
        openRevealScene("scene 10", scene10Verse);
    }

    advanceReveal(scene.reveal);

    applyRevealColours(scene.reveal, layerCount);

    updateSparks();
    drawSparks(window);
    drawSprite(window, sprite(Image::Halo));
    drawSprite(window, sprite(Image::CentralStar));
    drawSprite(window, sprite(Image::Black));
    updateDrawBubbles(window);
    drawRevealLayers(window, layerCount);
    drawText(window, demo.content.captionText);
}
