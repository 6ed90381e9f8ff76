// The four-phase reveal driven frame by frame: when each phase starts, the values a change
// sets, the clamps, and how the alphas reach the shared sprites.
#include <gtest/gtest.h>
#include <vector>

#include "scenes/demo_state.h"
#include "scenes/reveal.h"
#include "support/support.h"

namespace {

// Runs the reveal over the given frames and checks, frame by frame, everything that must hold
// on any frame sequence. Returns the time of the frame on which each phase (1 to 3) began.
std::vector<double> driveReveal(Reveal reveal, const std::vector<float>& frames)
{
    const float startScale = reveal.layerScale;
    std::vector<double> phaseStart(4, -1.0);
    double crossfadeStart = -1.0, crossfadeFrame = 0.0, time = 0.0;
    for (float frameDelta : frames) {
        const Reveal before = reveal;
        demo.clock.frameDelta = frameDelta;
        advanceReveal(reveal);
        time += frameDelta;
        SCOPED_TRACE(testing::Message() << "frame ending at " << time << " s");

        EXPECT_TRUE(reveal.phase == before.phase || reveal.phase == before.phase + 1);
        for (float alpha : {reveal.blackAlpha, reveal.layerAlpha, reveal.captionAlpha}) {
            EXPECT_GE(alpha, 0.0f);
            EXPECT_LE(alpha, 255.0f);
        }
        EXPECT_EQ(reveal.bubblesOn, reveal.phase > 0);
        if (reveal.phase < 2) {
            EXPECT_EQ(reveal.captionAlpha, 0.0f);
        }
        if (reveal.phase == 0 && reveal.crossfadeTimer == 0.0f) {
            EXPECT_EQ(reveal.layerAlpha, 0.0f);
            EXPECT_EQ(reveal.layerScale, startScale);
        }
        if (reveal.phase == 0 && reveal.crossfadeTimer > 0.0f) {
            EXPECT_EQ(reveal.blackAlpha, reveal.layerAlpha);
            EXPECT_NEAR(reveal.layerScale, 1.5f - 0.5f * reveal.blackAlpha / 255.0f, 1e-5f);
            if (before.crossfadeTimer == 0.0f) {
                crossfadeStart = time;
                crossfadeFrame = frameDelta;
                EXPECT_EQ(reveal.crossfadeTimer, frameDelta);
            }
        }
        if (reveal.phase == before.phase)
            continue;
        phaseStart[reveal.phase] = time;
        EXPECT_EQ(reveal.phaseTimer, 0.0f);
        if (reveal.phase == 1) {
            EXPECT_EQ(reveal.blackAlpha, 255.0f);
            EXPECT_EQ(reveal.layerAlpha, 255.0f);
            EXPECT_EQ(reveal.layerScale, 1.0f);
        }
        if (reveal.phase == 3) {
            EXPECT_EQ(reveal.layerAlpha, 0.0f);
        }
    }
    // The cross-fade begins on the first frame at or after 8.2355 s and counts that whole frame.
    EXPECT_GE(crossfadeStart, 8.2355 - 1e-4);
    EXPECT_LT(crossfadeStart - crossfadeFrame, 8.2355 + 1e-4);
    EXPECT_GE(phaseStart[1] - (crossfadeStart - crossfadeFrame), halfBar - 1e-4);
    return phaseStart;
}

// Each phase lasts its nominal time, plus at most the frame that ends it.
void expectPhaseLengths(const std::vector<double>& phaseStart, double longestFrame)
{
    EXPECT_NEAR(phaseStart[1], 9.412, longestFrame + 1e-4);
    const double holds[] = {0.0, 0.0, 4.706, 3.5295};
    for (int phase = 2; phase <= 3; ++phase) {
        const double length = phaseStart[phase] - phaseStart[phase - 1];
        EXPECT_GE(length, holds[phase] - 1e-4) << "phase " << phase - 1;
        EXPECT_LE(length, holds[phase] + longestFrame + 1e-4) << "phase " << phase - 1;
    }
}

}  // namespace

TEST(Reveal, PhasesStartOnTheBeatAt60FramesPerSecond)
{
    const std::vector<double> phaseStart = driveReveal(demo.scenes.scene06.reveal, std::vector<float>(1200, 1.0f / 60));
    expectPhaseLengths(phaseStart, 1.0 / 60);
    EXPECT_NEAR(phaseStart[2], 14.118, 2.0 / 60);
    EXPECT_NEAR(phaseStart[3], 17.6475, 3.0 / 60);
}

TEST(Reveal, PhasesKeepTheirLengthsOverAnIrregularFrameSequence)
{
    const float pattern[] = {0.004f, 0.0f, 0.0331f, 0.0167f, 0.1f, 0.0079f, 0.05f, 0.0f, 0.0213f};
    std::vector<float> frames;
    for (int frame = 0; frames.size() < 1500; ++frame)
        frames.push_back(pattern[frame % 9]);
    expectPhaseLengths(driveReveal(demo.scenes.scene07.reveal, frames), 0.1);
}

TEST(Reveal, ALongFrameAdvancesOnePhaseOnlyAndClampsItsValues)
{
    Reveal reveal = demo.scenes.scene08.reveal;
    demo.clock.frameDelta = 1.0f / 60;
    advanceReveal(reveal);
    EXPECT_GT(reveal.blackAlpha, 251.0f);
    EXPECT_LT(reveal.blackAlpha, 255.0f);

    demo.clock.frameDelta = 20.0f;
    // A change comes after the row of the phase it leaves: phase 2's row clamps the caption.
    const float expectedCaption[] = {0.0f, 0.0f, 0.0f, 255.0f};
    for (int phase = 1; phase <= 3; ++phase) {
        advanceReveal(reveal);
        EXPECT_EQ(reveal.phase, phase);
        EXPECT_EQ(reveal.captionAlpha, expectedCaption[phase]);
    }
    EXPECT_EQ(reveal.layerAlpha, 0.0f);
    EXPECT_EQ(reveal.layerScale, 1.0f);
    advanceReveal(reveal);
    EXPECT_EQ(reveal.phase, 3);
    EXPECT_EQ(reveal.captionAlpha, 0.0f);
}

TEST(Reveal, ColoursReachTheOverlayCaptionAndOnlyTheStackedLayers)
{
    sprite(Image::EmblemSatellites).setScale(0.7f, 0.7f);
    sprite(Image::EmblemBlades).setColor(sf::Color(255, 255, 255, 77));
    sprite(Image::EmblemBlades).setScale(2.0f, 2.0f);
    Reveal reveal;
    reveal.blackAlpha = 254.9f;
    reveal.layerAlpha = 128.7f;
    reveal.captionAlpha = 0.9f;
    reveal.layerScale = 1.25f;
    applyRevealColours(reveal, 3);

    EXPECT_EQ(sprite(Image::Black).getColor(), sf::Color(255, 255, 255, 254));
    EXPECT_EQ(demo.content.captionText.getFillColor(), sf::Color(255, 255, 255, 0));
    for (Image layer : {Image::EmblemCore, Image::EmblemSatellites, Image::EmblemDial})
        EXPECT_EQ(sprite(layer).getColor(), sf::Color(255, 255, 255, 128));
    EXPECT_EQ(sprite(Image::EmblemDial).getScale(), sf::Vector2f(1.25f, 1.25f));
    EXPECT_EQ(sprite(Image::EmblemSatellites).getScale(), sf::Vector2f(0.7f, 0.7f));
    EXPECT_EQ(sprite(Image::EmblemBlades).getColor().a, 77);
    EXPECT_EQ(sprite(Image::EmblemBlades).getScale(), sf::Vector2f(2.0f, 2.0f));
}
