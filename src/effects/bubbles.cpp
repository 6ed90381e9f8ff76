#include "effects/bubbles.h"

#include "effects/random.h"
#include "runtime/alpha.h"
#include "runtime/console.h"
#include "effects/pools.h"
#include "runtime/draw_layer.h"
#include "runtime/state_rooms.h"
#include "runtime/timeline.h"

// Allocated on the first call only; a later call just frees and zeroes every slot.
void createBubblePool()
{
    if (!statePools().bubblePool)
        statePools().bubblePool = new BubblePool{};
    else
        *statePools().bubblePool = BubblePool{};
}

void spawnBubble(int x, int y, float riseSpeed, float life, float alpha, float scale)
{
    for (Bubble& bubble : statePools().bubblePool->slots) {
        if (bubble.active)
            continue;
        bubble.riseSpeed = riseSpeed;
        bubble.active = true;
        bubble.life = life;
        bubble.alpha = alpha;
        bubble.x = static_cast<float>(x);
        bubble.y = static_cast<float>(y);
        bubble.scale = scale;
        return;
    }
}

// Every slot moves and draws, free or not: a freed bubble drifts on until a spawn takes its slot.
void updateDrawBubbles(sf::RenderWindow& window)
{
    const float dt = stateClock().frameDelta;
    sf::Sprite& bubbleSprite = sprite(Image::BubbleHexagon);
    for (Bubble& bubble : statePools().bubblePool->slots) {
        bubble.y = bubble.y - bubble.riseSpeed * dt;
        bubble.life = bubble.life - dt;
        if (bubble.life <= 0.0f) {
            bubble.alpha = bubble.alpha - 0.25f * dt;
            if (bubble.alpha < 0.0f) {
                bubble.alpha = 0.0f;
                bubble.active = false;
            }
        }
        bubbleSprite.setPosition(bubble.x, bubble.y);
        bubbleSprite.setScale(bubble.scale, bubble.scale);
        bubbleSprite.setColor(unitAlphaColour(bubble.alpha));
        drawSprite(window, bubbleSprite);
    }
}

void freeAllBubbles()
{
    for (Bubble& bubble : statePools().bubblePool->slots)
        bubble.active = false;
}

// One draw per statement: the order of draws from the shared sequence is fixed.
void spawnRandomBubble()
{
    const int x = static_cast<int>(randomRange(0.0f, 1280.0f));
    const float alpha = randomRange(0.08f, 0.25f);
    const float scale = randomRange(0.15f, 0.4f);
    const float riseSpeed = randomRange(50.0f, 90.0f);
    const float life = randomRange(1.5f, 2.8f);
    spawnBubble(x, 700, riseSpeed, life, alpha, scale);
}

void stepBubbleEmitter(float& timer)
{
    printLine("bubbles");
    timer = timer + stateClock().frameDelta;
    if (timer > 0.5f * oneBeat) {
        timer = 0.0f;
        spawnRandomBubble();
    }
}
