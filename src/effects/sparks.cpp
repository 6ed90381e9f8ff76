#include "effects/sparks.h"

#include <cmath>

#include "runtime/alpha.h"
#include "effects/pools.h"
#include "runtime/draw_layer.h"
#include "runtime/state_rooms.h"

// Allocated on the first call only; a later call just frees and zeroes every slot.
void createSparkPool()
{
    if (!statePools().sparkPool)
        statePools().sparkPool = new SparkPool{};
    else
        *statePools().sparkPool = SparkPool{};
}

void spawnSpark(int kind, float speed, float angle, float life)
{
    for (Spark& spark : statePools().sparkPool->slots) {
        if (spark.active)
            continue;
        spark.life = life;
        spark.centreX = 640.0f;
        spark.centreY = 360.0f;
        spark.angle = angle;
        spark.active = true;
        spark.speed = speed;
        spark.kind = kind;
        spark.x = 640;
        spark.radius = 0.0f;
        spark.y = 360;
        spark.alpha = 0.65f;
        spark.spin = 0.0f;
        return;
    }
}

// Both coordinates are formed in single precision from a cosine and a sine rounded to float,
// so a spark flown straight down or left lands on the whole pixel it aims at.
void updateSparks()
{
    const float dt = stateClock().frameDelta;
    for (Spark& spark : statePools().sparkPool->slots) {
        if (!spark.active)
            continue;
        spark.spin = spark.spin + 40.0f * dt;
        spark.radius = spark.radius + spark.speed * dt;
        const float cosine = static_cast<float>(std::cos(static_cast<double>(spark.angle)));
        spark.x = static_cast<int>(cosine * spark.radius + spark.centreX);
        const float sine = static_cast<float>(std::sin(static_cast<double>(spark.angle)));
        spark.y = static_cast<int>(sine * spark.radius + spark.centreY);
        spark.life = spark.life - dt;
        if (spark.life <= 0.0f) {
            spark.alpha = spark.alpha - 4.0f * dt;
            if (spark.alpha <= 0.0f) {
                spark.alpha = 0.0f;
                spark.active = false;
            }
        }
    }
}

void drawSparks(sf::RenderWindow& window)
{
    for (const Spark& spark : statePools().sparkPool->slots) {
        // A spark of any other kind flies and fades unseen.
        if (!spark.active || (spark.kind != 0 && spark.kind != 1))
            continue;
        sf::Sprite& sparkSprite = sprite(spark.kind == 0 ? Image::WhiteSpark : Image::YellowSpark);
        sparkSprite.setRotation(spark.spin);
        sparkSprite.setPosition(static_cast<float>(spark.x), static_cast<float>(spark.y));
        sparkSprite.setColor(unitAlphaColour(spark.alpha));
        drawSprite(window, sparkSprite);
    }
}
