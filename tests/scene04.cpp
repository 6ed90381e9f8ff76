// Scene 04: the six-phase course on the beat grid, long frames, and the end of the zoom-out.
#include <gtest/gtest.h>
#include <vector>

#include "runtime/demo_state.h"
#include "scenes/scenes.h"
#include "support/support.h"

namespace {

void startScene04()
{
    demo.scene04 = Scene04State{};
    captureConsole([] { runFrameOf(scene04, 0.0f); });
}

void expectLayerAlpha(int alpha)
{
    EXPECT_EQ(sprite(Image::White).getColor().a, alpha);
    EXPECT_EQ(sprite(Image::Black).getColor().a, alpha);
    EXPECT_EQ(sprite(Image::Wall).getColor().a, alpha);
}

}  // namespace

TEST(Scene04, PhasesStartOnTheBeatGridAtSixtyFramesPerSecond)
{
    const float frame = 1.0f / 60.0f;
    const double nominalLengths[] = {demo.halfBar, demo.oneBar, demo.halfBar, demo.halfBar, demo.oneBar};
    startScene04();
    std::vector<double> starts = {0.0};
    double clock = 0.0;
    while (clock < 20.0) {
        const int phase = demo.scene04.phase;
        runFrameOf(scene04, frame);
        clock += frame;
        if (demo.scene04.phase != phase) {
            EXPECT_EQ(demo.scene04.phase, phase + 1);
            starts.push_back(clock);
        }
        const Scene04State& scene = demo.scene04;
        EXPECT_GE(scene.blackScale, 0.0f);
        EXPECT_GE(scene.overlayAlpha, 0.0f);
        EXPECT_LE(scene.overlayAlpha, 255.0f);
        if (scene.phase <= 1) {
            expectLayerAlpha(0);
        }
        if (scene.phase >= 3) {
            EXPECT_EQ(demo.captionText.getFillColor().a, 0);
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
    EXPECT_EQ(demo.scene04.blackScale, 0.0f);
    EXPECT_EQ(demo.scene04.overlayAlpha, 0.0f) << "held at 0 long after the zoom-out ends";
    expectLayerAlpha(0);
    EXPECT_FLOAT_EQ(sprite(Image::Wall).getScale().x, demo.scene04.zoomScale);
}

TEST(Scene04, AFrameLongerThanAPhaseAdvancesOnePhaseOnly)
{
    startScene04();
    const float longFrame = 3.0f;  // longer than any phase
    for (int phase = 1; phase <= 5; ++phase) {
        runFrameOf(scene04, longFrame);
        EXPECT_EQ(demo.scene04.phase, phase);
        EXPECT_EQ(demo.scene04.phaseTimer, 0.0f);
    }
    EXPECT_EQ(demo.scene04.blackScale, 0.0f) << "clamped, never negative";
    EXPECT_EQ(sprite(Image::Black).getScale(), sf::Vector2f(0.0f, 0.0f));
    expectLayerAlpha(255);
    runFrameOf(scene04, longFrame);
    EXPECT_EQ(demo.scene04.overlayAlpha, 0.0f) << "a fade far past 0 stays at 0";
    expectLayerAlpha(0);
}

TEST(Scene04, CrossFadeEndsJustAfterHalfABarWithTheLayersOpaque)
{
    startScene04();
    runFrameOf(scene04, 3.0f);
    runFrameOf(scene04, 3.0f);
    ASSERT_EQ(demo.scene04.phase, 2);
    runFrameOf(scene04, demo.halfBar);
    EXPECT_EQ(demo.scene04.phase, 2) << "a caption alpha of 0 is not below 0";
    EXPECT_GE(demo.scene04.captionAlpha, 0.0f);
    EXPECT_EQ(demo.captionText.getFillColor().a, 0);
    runFrameOf(scene04, 0.001f);
    EXPECT_EQ(demo.scene04.phase, 3);
    EXPECT_EQ(demo.scene04.overlayAlpha, 255.0f);
    expectLayerAlpha(255);
}
