// Scene 04: the six-phase course on the beat grid, long frames, and the end of the zoom-out.
#include <gtest/gtest.h>
#include <vector>

#include "scenes/demo_state.h"
#include "scenes/scenes.h"
#include "support/support.h"

namespace {

void startScene04()
{
    demo.scenes.scene04 = Scene04State{};
    captureConsole([] { runFrameOf(scene04, 0.0f); });
}

void expectLayerAlpha(int alpha)
{
    EXPECT_EQ(sprite(Image::White).getColor().a, alpha);
    EXPECT_EQ(sprite(Image::Black).getColor().a, alpha);
    EXPECT_EQ(sprite(Image::Wall).getColor().a, alpha);
}

// A test picture for a layer, placed as the catalogue places it: opaque colour with an optional
// clear window in the middle.
void giveLayer(Image image, sf::Color colour, sf::IntRect window = {})
{
    giveTestPicture(image, 1280, 720, colour, window);
    sprite(image).setOrigin(640, 360);
    sprite(image).setPosition(640, 360);
}

// Runs the scene to `seconds` into it at 60 frames a second on a cleared window.
void playScene04To(double seconds)
{
    startScene04();
    for (double clock = 0.0; clock < seconds; clock += 1.0 / 60) {
        testWindow().clear(sf::Color::Black);
        captureConsole([] { runFrameOf(scene04, 1.0f / 60); });
    }
}

}  // namespace

TEST(Scene04, PhasesStartOnTheBeatGridAtSixtyFramesPerSecond)
{
    const float frame = 1.0f / 60.0f;
    const double nominalLengths[] = {halfBar, oneBar, halfBar, halfBar, oneBar};
    startScene04();
    std::vector<double> starts = {0.0};
    double clock = 0.0;
    while (clock < 20.0) {
        const int phase = demo.scenes.scene04.phase;
        runFrameOf(scene04, frame);
        clock += frame;
        if (demo.scenes.scene04.phase != phase) {
            EXPECT_EQ(demo.scenes.scene04.phase, phase + 1);
            starts.push_back(clock);
        }
        const Scene04State& scene = demo.scenes.scene04;
        EXPECT_GE(scene.blackScale, 0.0f);
        EXPECT_GE(scene.overlayAlpha, 0.0f);
        EXPECT_LE(scene.overlayAlpha, 255.0f);
        if (scene.phase <= 1) {
            expectLayerAlpha(0);
        }
        if (scene.phase >= 3) {
            EXPECT_EQ(demo.content.captionText.getFillColor().a, 0);
        }
    }
    // Each phase lasts its nominal length, up to one frame more as the overshoot is dropped.
    ASSERT_EQ(starts.size(), 6u);
    for (int phase = 0; phase < 5; ++phase) {
        const double length = starts[phase + 1] - starts[phase];
        EXPECT_GE(length, nominalLengths[phase] - 1e-4) << "phase " << phase;
        EXPECT_LE(length, nominalLengths[phase] + frame + 1e-4) << "phase " << phase;
    }
    EXPECT_NEAR(starts[5], 8.2355, 5 * frame);
    EXPECT_EQ(demo.scenes.scene04.blackScale, 0.0f);
    EXPECT_EQ(demo.scenes.scene04.overlayAlpha, 0.0f) << "held at 0 long after the zoom-out ends";
    expectLayerAlpha(0);
    EXPECT_FLOAT_EQ(sprite(Image::Wall).getScale().x, demo.scenes.scene04.zoomScale);
}

TEST(Scene04, AFrameLongerThanAPhaseAdvancesOnePhaseOnly)
{
    startScene04();
    const float longFrame = 3.0f;  // longer than any phase
    for (int phase = 1; phase <= 5; ++phase) {
        runFrameOf(scene04, longFrame);
        EXPECT_EQ(demo.scenes.scene04.phase, phase);
        EXPECT_EQ(demo.scenes.scene04.phaseTimer, 0.0f);
    }
    EXPECT_EQ(demo.scenes.scene04.blackScale, 0.0f) << "clamped, never negative";
    EXPECT_EQ(sprite(Image::Black).getScale(), sf::Vector2f(0.0f, 0.0f));
    expectLayerAlpha(255);
    runFrameOf(scene04, longFrame);
    EXPECT_EQ(demo.scenes.scene04.overlayAlpha, 0.0f) << "a fade far past 0 stays at 0";
    expectLayerAlpha(0);
}

TEST(Scene04, CrossFadeEndsJustAfterHalfABarWithTheLayersOpaque)
{
    startScene04();
    runFrameOf(scene04, 3.0f);
    runFrameOf(scene04, 3.0f);
    ASSERT_EQ(demo.scenes.scene04.phase, 2);
    runFrameOf(scene04, halfBar);
    EXPECT_EQ(demo.scenes.scene04.phase, 2) << "a caption alpha of 0 is not below 0";
    EXPECT_GE(demo.scenes.scene04.captionAlpha, 0.0f);
    EXPECT_EQ(demo.content.captionText.getFillColor().a, 0);
    runFrameOf(scene04, 0.001f);
    EXPECT_EQ(demo.scenes.scene04.phase, 3);
    EXPECT_EQ(demo.scenes.scene04.overlayAlpha, 255.0f);
    expectLayerAlpha(255);
}

TEST(Scene04, LayersFadeInAndOutAsOnePictureWithNoWhiteShowingThrough)
{
    const sf::Color stone(0, 40, 140);  // no red: any red is white showing through
    testCatalogue().captionFont = sf::Font();  // no glyphs: only the layers reach a pixel
    giveLayer(Image::White, sf::Color::White);
    giveLayer(Image::Black, sf::Color::Black);
    giveLayer(Image::Wall, stone, {540, 260, 200, 200});
    const sf::Vector2i windowCentre(640, 360), wallStone(100, 100);

    playScene04To(oneBar + halfBar + halfBar / 2);  // halfway through the fade-in
    ASSERT_EQ(demo.scenes.scene04.phase, 2);
    const int fadeIn = sprite(Image::Wall).getColor().a;
    EXPECT_EQ(windowPixel(windowCentre.x, windowCentre.y), sf::Color::Black) << "the black still hides the white";
    EXPECT_EQ(windowPixel(wallStone.x, wallStone.y).r, 0) << "no white under the stone";
    EXPECT_NEAR(windowPixel(wallStone.x, wallStone.y).b, stone.b * fadeIn / 255, 2);

    playScene04To(fourBars - halfBar / 2);  // halfway through the fade-out
    ASSERT_EQ(demo.scenes.scene04.phase, 5);
    const int fadeOut = sprite(Image::Wall).getColor().a;
    EXPECT_NEAR(windowPixel(windowCentre.x, windowCentre.y).g, fadeOut, 2) << "the light in the window dims";
    EXPECT_EQ(windowPixel(wallStone.x, wallStone.y).r, 0) << "the stone dims, not greys";
    EXPECT_NEAR(windowPixel(wallStone.x, wallStone.y).b, stone.b * fadeOut / 255, 2);
    EXPECT_EQ(sprite(Image::Black).getColor().a, fadeOut) << "the sprites keep their own alpha";
}
