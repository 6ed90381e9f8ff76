#include <gtest/gtest.h>

#include <cstring>
#include <list>
#include <vector>

#include "effects/bubbles.h"
#include "effects/glitter.h"
#include "effects/hex_pulses.h"
#include "effects/sparks.h"
#include "scenes/demo_state.h"
#include "support/support.h"

namespace {

// Solid test images: a probe reads the image's colour or the black background.
void giveSolidImage(Image image, sf::Color colour, unsigned width, unsigned height, sf::Vector2f origin)
{
    static std::list<sf::Texture> textures;
    sf::Image pixels;
    pixels.create(width, height, colour);
    textures.emplace_back();
    textures.back().loadFromImage(pixels);
    sprite(image) = sf::Sprite(textures.back());
    sprite(image).setOrigin(origin);
}

class Pools : public ::testing::Test {
protected:
    void SetUp() override
    {
        createBubblePool();
        createHexPulsePool();
        createGlitterPool();
        createSparkPool();
        giveSolidImage(Image::BubbleHexagon, sf::Color::White, 8, 8, {0, 0});
        giveSolidImage(Image::PulseHexagon, sf::Color::White, 16, 16, {8, 8});
        sprite(Image::PulseHexagon).setPosition(640, 360);
        giveSolidImage(Image::Glitter, sf::Color::White, 21, 19, {10, 9});
        giveSolidImage(Image::WhiteSpark, sf::Color::White, 19, 23, {9, 11});
        giveSolidImage(Image::YellowSpark, sf::Color::Yellow, 37, 41, {18, 20});
        testWindow().clear(sf::Color::Black);
    }
};

// Fills every slot with spawn(i), then checks that one more spawn changes no byte and that a freed
// slot in the middle is the one the next spawn takes.
template <typename Pool, typename Spawn, typename Tag>
void checkSlotTaking(Pool& pool, Spawn spawn, Tag tag)
{
    for (int i = 0; i < Pool::size; ++i)
        spawn(i + 1);
    for (int i = 0; i < Pool::size; ++i)
        EXPECT_EQ(tag(pool.slots[i]), i + 1) << "slot " << i;
    std::vector<unsigned char> before(sizeof pool);
    std::memcpy(before.data(), &pool, sizeof pool);
    spawn(999);
    EXPECT_EQ(std::memcmp(before.data(), &pool, sizeof pool), 0) << "a full pool must drop the spawn";
    pool.slots[12].active = false;
    pool.slots[7].active = false;
    spawn(999);
    EXPECT_EQ(tag(pool.slots[7]), 999);
    EXPECT_EQ(tag(pool.slots[12]), 13);
}

TEST_F(Pools, SpawnsTakeTheLowestFreeSlotAndAFullPoolDropsThem)
{
    checkSlotTaking(*demo.pools.bubblePool, [](int i) { spawnBubble(i, 700, 60.0f, 2.0f, 0.2f, 0.3f); },
                    [](const Bubble& b) { return static_cast<int>(b.x); });
    checkSlotTaking(*demo.pools.glitterPool, [](int i) { spawnGlitter(i, 5); }, [](const GlitterPoint& g) { return g.x; });
    checkSlotTaking(*demo.pools.sparkPool, [](int i) { spawnSpark(0, static_cast<float>(i), 0.5f, 2.0f); },
                    [](const Spark& s) { return static_cast<int>(s.speed); });
    checkSlotTaking(*demo.pools.hexPulsePool,
                    [](int i) { spawnHexPulse(static_cast<float>(i)); },
                    [](const HexPulse& p) { return static_cast<int>(p.rotation); });
}

TEST_F(Pools, CreatingAgainReusesTheSameStorageWithEverySlotFree)
{
    BubblePool* bubbles = demo.pools.bubblePool;
    SparkPool* sparks = demo.pools.sparkPool;
    spawnBubble(1, 2, 3.0f, 4.0f, 0.5f, 1.0f);
    spawnSpark(1, 2.0f, 3.0f, 4.0f);
    createBubblePool();
    createSparkPool();
    EXPECT_EQ(demo.pools.bubblePool, bubbles);
    EXPECT_EQ(demo.pools.sparkPool, sparks);
    EXPECT_FALSE(bubbles->slots[0].active);
    EXPECT_EQ(bubbles->slots[0].alpha, 0.0f);
    EXPECT_FALSE(sparks->slots[0].active);
}

TEST_F(Pools, BubbleFadesFromLifeExactlyZeroAndFreesOnlyBelowZero)
{
    spawnBubble(12, 700, 40.0f, 0.5f, 0.25f, 0.75f);
    const Bubble& bubble = demo.pools.bubblePool->slots[0];
    EXPECT_EQ(bubble.riseSpeed, 40.0f);
    EXPECT_EQ(bubble.life, 0.5f);
    EXPECT_EQ(bubble.scale, 0.75f);
    const float alphas[] = {0.25f, 0.1875f, 0.125f, 0.0625f, 0.0f, 0.0f};
    const bool active[] = {true, true, true, true, true, false};
    for (int frame = 0; frame < 6; ++frame) {
        runFrameOf(updateDrawBubbles, 0.25f);
        EXPECT_EQ(bubble.alpha, alphas[frame]) << "frame " << frame + 1;
        EXPECT_EQ(bubble.active, active[frame]) << "frame " << frame + 1;
        EXPECT_EQ(bubble.y, 700.0f - 10.0f * (frame + 1));
    }
    spawnBubble(12, 700, 40.0f, 0.25f, 0.25f, 0.75f);
    runFrameOf(updateDrawBubbles, 2.0f);  // longer than the whole life and fade
    EXPECT_FALSE(bubble.active);
    EXPECT_EQ(bubble.alpha, 0.0f);
}

TEST_F(Pools, FreedBubblesStayOnScreenAndFadedOnesDrawNothing)
{
    spawnBubble(200, 300, 40.0f, 5.0f, 1.0f, 2.0f);
    spawnBubble(400, 300, 40.0f, 0.0f, 0.0625f, 2.0f);  // fades to exactly 0 this frame
    freeAllBubbles();
    EXPECT_FALSE(demo.pools.bubblePool->slots[0].active);
    EXPECT_EQ(demo.pools.bubblePool->slots[0].alpha, 1.0f);
    runFrameOf(updateDrawBubbles, 0.25f);
    EXPECT_EQ(windowPixel(213, 303), sf::Color::White);  // risen to y 290, 16 pixels square
    EXPECT_EQ(windowPixel(203, 307), sf::Color::Black);
    EXPECT_EQ(windowPixel(405, 295), sf::Color::Black);
    spawnBubble(600, 700, 40.0f, 5.0f, 1.0f, 2.0f);
    EXPECT_EQ(demo.pools.bubblePool->slots[0].x, 600.0f);
}

TEST_F(Pools, EmitterPrintsEveryCallAndSpawnsOnlyPastHalfABeat)
{
    float timer = 0.0f;
    demo.clock.frameDelta = 0.5f * oneBeat;
    EXPECT_EQ(captureConsole([&] { stepBubbleEmitter(timer); }), "bubbles\n");
    EXPECT_EQ(timer, 0.5f * oneBeat);
    EXPECT_FALSE(demo.pools.bubblePool->slots[0].active);
    EXPECT_EQ(captureConsole([&] { stepBubbleEmitter(timer); }), "bubbles\n");
    EXPECT_EQ(timer, 0.0f);
    EXPECT_TRUE(demo.pools.bubblePool->slots[0].active);
    EXPECT_FALSE(demo.pools.bubblePool->slots[1].active);
}

TEST_F(Pools, HexPulseFadesInHoldsAWholeSecondThenFadesOut)
{
    spawnHexPulse(3.5f);
    const HexPulse& pulse = demo.pools.hexPulsePool->slots[0];
    EXPECT_EQ(pulse.scale, 0.01f);
    EXPECT_EQ(pulse.holdLeft, 1.0f);
    // alpha exactly 1 and exactly 0 each last one more frame; holdLeft exactly 0 ends the hold
    const float alphas[] = {0.25f, 0.5f, 0.75f, 1, 1, 1, 1, 1, 1, 0.75f, 0.5f, 0.25f, 0, 0};
    const int states[] = {0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2};
    for (int frame = 0; frame < 14; ++frame) {
        runFrameOf(updateDrawHexPulses, 0.25f);
        EXPECT_EQ(pulse.alpha, alphas[frame]) << "frame " << frame + 1;
        EXPECT_EQ(pulse.state, states[frame]) << "frame " << frame + 1;
        EXPECT_EQ(pulse.active, frame < 13) << "frame " << frame + 1;
    }
    EXPECT_EQ(pulse.holdLeft, 0.0f);
    EXPECT_EQ(pulse.rotation, 3.5f + 14 * 2.0f);
    EXPECT_NEAR(pulse.scale, 0.01f + 14 * 0.25f, 1e-5f);
    runFrameOf(updateDrawHexPulses, 0.25f);
    EXPECT_EQ(pulse.rotation, 3.5f + 14 * 2.0f) << "a free pulse is not advanced";
}

TEST_F(Pools, HexPulseDrawsScaledAndTurnedAboutTheCentre)
{
    spawnHexPulse(37.0f);
    demo.pools.hexPulsePool->slots[1] = HexPulse{20.0f, 0.0f, false, 1.0f, 1, 1.0f};
    runFrameOf(updateDrawHexPulses, 1.0f);  // turned to 45 degrees, scale 1.01, alpha exactly 1
    EXPECT_EQ(windowPixel(640, 360), sf::Color::White);
    EXPECT_EQ(windowPixel(649, 360), sf::Color::White);  // a corner of the turned square
    EXPECT_EQ(windowPixel(646, 353), sf::Color::Black);  // a corner of an unturned one
    EXPECT_EQ(windowPixel(700, 360), sf::Color::Black);  // the inactive slot's extent
}

TEST_F(Pools, GlitterBrightensAndDiesInAQuarterSecondEach)
{
    spawnGlitter(100, 100);
    const GlitterPoint& point = demo.pools.glitterPool->slots[0];
    const float alphas[] = {0.25f, 0.5f, 0.75f, 1, 1, 0.75f, 0.5f, 0.25f, 0, 0};
    for (int frame = 0; frame < 10; ++frame) {
        runFrameOf([](sf::RenderWindow&) { updateGlitter(); }, 0.0625f);
        EXPECT_EQ(point.alpha, alphas[frame]) << "frame " << frame + 1;
        EXPECT_EQ(point.state, frame < 4 ? 0 : 1) << "frame " << frame + 1;
        EXPECT_EQ(point.active, frame < 9) << "frame " << frame + 1;
    }
}

TEST_F(Pools, GlitterOverAQuarterSecondFlashesFullyThenDies)
{
    spawnGlitter(100, 140);
    spawnGlitter(300, 260);
    demo.pools.glitterPool->slots[1].active = false;
    demo.pools.glitterPool->slots[1].alpha = 0.5f;
    runFrameOf([](sf::RenderWindow& window) { updateGlitter(); drawGlitter(window); }, 0.3f);
    EXPECT_EQ(demo.pools.glitterPool->slots[1].alpha, 0.5f) << "an inactive point is not advanced";
    EXPECT_EQ(windowPixel(100, 140), sf::Color::White);
    EXPECT_EQ(windowPixel(90, 131), sf::Color::White);  // the image's top-left, origin (10, 9)
    EXPECT_EQ(windowPixel(89, 131), sf::Color::Black);
    EXPECT_EQ(windowPixel(300, 260), sf::Color::Black);
    runFrameOf([](sf::RenderWindow&) { updateGlitter(); }, 0.3f);
    EXPECT_FALSE(demo.pools.glitterPool->slots[0].active);
}

TEST_F(Pools, SparkFadesFromLifeExactlyZeroAndFreesAtAlphaExactlyZero)
{
    spawnSpark(0, 100.0f, 0.0f, 0.25f);
    const Spark& spark = demo.pools.sparkPool->slots[0];
    runFrameOf([](sf::RenderWindow&) { updateSparks(); }, 0.125f);
    EXPECT_EQ(spark.x, 652);  // moved already on the first update
    EXPECT_EQ(spark.spin, 5.0f);
    EXPECT_EQ(spark.alpha, 0.65f);
    runFrameOf([](sf::RenderWindow&) { updateSparks(); }, 0.125f);
    EXPECT_EQ(spark.life, 0.0f);
    EXPECT_EQ(spark.alpha, 0.65f - 0.5f);
    EXPECT_TRUE(spark.active);
    runFrameOf([](sf::RenderWindow&) { updateSparks(); }, 0.125f);
    EXPECT_FALSE(spark.active);
    EXPECT_EQ(spark.alpha, 0.0f);

    spawnSpark(0, 100.0f, 0.0f, 0.125f);
    demo.pools.sparkPool->slots[0].alpha = 0.5f;
    runFrameOf([](sf::RenderWindow&) { updateSparks(); }, 0.125f);
    EXPECT_FALSE(spark.active) << "alpha exactly 0 frees a spark at once";
}

TEST_F(Pools, SparksDrawByKindWhereTheyHaveFlown)
{
    const float pi = 3.14159265f;
    spawnSpark(0, 200.0f, 0.0f, 5.0f);
    spawnSpark(1, 200.0f, pi, 5.0f);
    spawnSpark(2, 200.0f, pi / 2, 5.0f);
    runFrameOf([](sf::RenderWindow& window) { updateSparks(); drawSparks(window); }, 0.5f);
    const Spark* slots = demo.pools.sparkPool->slots;
    EXPECT_EQ(slots[0].x, 740);
    EXPECT_EQ(slots[0].y, 360);
    // Cosine and sine are rounded to float, so the straight flights land on whole pixels.
    EXPECT_EQ(slots[2].x, 640);
    EXPECT_EQ(slots[2].y, 460);
    EXPECT_EQ(slots[1].x, 540);
    EXPECT_EQ(slots[1].y, 360);
    const sf::Color white = windowPixel(740, 360);
    const sf::Color yellow = windowPixel(540, 360);
    EXPECT_NEAR(white.r, 165, 1);  // alpha 0.65
    EXPECT_EQ(white.b, white.r);
    EXPECT_NEAR(yellow.g, 165, 1);
    EXPECT_EQ(yellow.b, 0);
    EXPECT_EQ(windowPixel(640, 460), sf::Color::Black) << "kind 2 is never drawn";
    EXPECT_EQ(windowPixel(640, 360), sf::Color::Black) << "nothing left at the spawn point";
}

}  // namespace
