#include <gtest/gtest.h>

#include "effects/fade_sprite.h"
#include "runtime/alpha.h"
#include "scenes/demo_state.h"
#include "support/support.h"

namespace {

class FadeSprites : public ::testing::Test {
protected:
    void SetUp() override
    {
        sf::Image pixels;
        pixels.create(16, 16, sf::Color::White);
        texture.loadFromImage(pixels);
        image.setTexture(texture, true);
        testWindow().clear(sf::Color::Black);
    }

    // One frame as scene 07 runs it: a cleared window, update, then draw.
    void frame(FadeSprite& fadeSprite, float frameDelta)
    {
        testWindow().clear(sf::Color::Black);
        runFrameOf([&](sf::RenderWindow& window) {
            updateFadeSprite(fadeSprite);
            drawFadeSprite(fadeSprite, window);
        }, frameDelta);
    }

    sf::Texture texture;
    sf::Sprite image;
    FadeSprite flare{0.0f, false, 0, 0, &image};
    FadeSprite glint{0.0f, false, 0, 1, &image};
};

TEST_F(FadeSprites, FlareFadesInThenOutAndHidesOnlyBelowZero)
{
    flare.alpha = 0.5f;
    frame(flare, 0.0625f);
    EXPECT_EQ(flare.alpha, 0.5f) << "a hidden sprite is not advanced";
    EXPECT_EQ(windowPixel(4, 4), sf::Color::Black) << "a hidden sprite is not drawn";
    showFadeSprite(flare);
    // alpha exactly 1 stays fading in for one more frame; exactly 0 stays shown for one more frame
    const float alphas[] = {0.25f, 0.5f, 0.75f, 1, 1, 0.75f, 0.5f, 0.25f, 0, 0};
    for (int step = 0; step < 10; ++step) {
        frame(flare, 0.0625f);
        EXPECT_EQ(flare.alpha, alphas[step]) << "frame " << step + 1;
        EXPECT_EQ(flare.state, step < 4 ? 0 : 1) << "frame " << step + 1;
        EXPECT_EQ(flare.visible, step < 9) << "frame " << step + 1;
    }
}

TEST_F(FadeSprites, GlintHoldsAfterAFadeInLongerThanAQuarterSecond)
{
    showFadeSprite(glint);
    frame(glint, 0.25f);
    EXPECT_EQ(glint.alpha, 1.0f);
    EXPECT_EQ(glint.state, 0) << "exactly a quarter second reaches 1 without passing it";
    frame(glint, 0.0f);
    EXPECT_EQ(glint.state, 0);
    showFadeSprite(glint);
    frame(glint, 0.3f);
    EXPECT_EQ(glint.state, 2);
    EXPECT_EQ(windowPixel(4, 4), sf::Color::White) << "the frame that passes 1 draws fully opaque";
    for (int step = 0; step < 20; ++step)
        frame(glint, 0.1f);
    EXPECT_EQ(glint.alpha, 1.0f);
    EXPECT_TRUE(glint.visible);
}

TEST_F(FadeSprites, ShowingAgainDoesNotRestartTheFade)
{
    showFadeSprite(flare);
    frame(flare, 0.3f);
    frame(flare, 0.3f);
    ASSERT_FALSE(flare.visible);
    showFadeSprite(flare);
    frame(flare, 0.0625f);
    EXPECT_FALSE(flare.visible) << "a faded-out flare vanishes without a second fade-in";
    EXPECT_EQ(windowPixel(4, 4), sf::Color::Black);

    glint.state = 2;
    glint.alpha = 1.0f;
    showFadeSprite(glint);
    frame(glint, 0.0625f);
    EXPECT_TRUE(glint.visible);
    EXPECT_EQ(glint.alpha, 0.0f) << "a held glint shown again stays transparent";
}

TEST(AlphaConvention, TruncatesTowardZeroAndKeepsTheLowEightBits)
{
    EXPECT_EQ(alphaColour(254.9f), sf::Color(255, 255, 255, 254));
    EXPECT_EQ(unitAlphaColour(0.999f), sf::Color(255, 255, 255, 254));
    EXPECT_EQ(unitAlphaColour(1.0f).a, 255);
    EXPECT_EQ(alphaColour(-0.9f).a, 0) << "toward zero, not down";
    EXPECT_EQ(alphaColour(256.5f).a, 0);
    EXPECT_EQ(alphaColour(300.0f).a, 44);
}

TEST_F(FadeSprites, DrawAppliesTheConvertedAlpha)
{
    showFadeSprite(flare);
    flare.alpha = 0.999f;
    drawFadeSprite(flare, testWindow());
    EXPECT_EQ(image.getColor().a, 254);
    EXPECT_NEAR(windowPixel(4, 4).r, 254, 1);
}

}  // namespace
