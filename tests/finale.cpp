// Scenes 09 to 11, the flash and the credits, frame by frame at 60 frames per second, with small
// solid test pictures standing in for the content where what the viewer sees is the point.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include "effects/bubbles.h"
#include "effects/hex_pulses.h"
#include "effects/random.h"
#include "effects/sparks.h"
#include "runtime/assets.h"
#include "scenes/demo_state.h"
#include "scenes/scenes.h"
#include "support/support.h"
#include "support/tier.h"

namespace {

constexpr float frame = 1.0f / 60.0f;

// A test picture for one image: opaque colour inside `inside` (the whole image if empty), clear
// elsewhere. The sprite keeps the origin and position the catalogue gave it.
void showAs(Image image, unsigned width, unsigned height, sf::Color colour, sf::IntRect inside = {})
{
    giveTestPicture(image, width, height, inside.width ? sf::Color::Transparent : colour, inside, colour);
}

void hide(Image image)
{
    static const sf::Texture emptyTexture;
    sprite(image).setTexture(emptyTexture, true);
}

// One frame drawn on a freshly cleared window, as the frame loop does; returns what it printed.
std::string frameOf(void (*scene)(sf::RenderWindow&), float frameDelta = frame)
{
    testWindow().clear(sf::Color::Black);
    return captureConsole([&] { runFrameOf(scene, frameDelta); });
}

// The next values of the demo's random sequence for the given ranges, drawn in a forked copy of
// this process so that the sequence here is left where it is.
std::vector<float> upcomingDraws(const std::vector<std::pair<float, float>>& ranges)
{
    std::vector<float> values(ranges.size());
    int channel[2];
    if (pipe(channel) != 0)
        return {};
    const pid_t child = fork();
    if (child == 0) {
        for (std::size_t i = 0; i < ranges.size(); ++i)
            values[i] = randomRange(ranges[i].first, ranges[i].second);
        const ssize_t written = write(channel[1], values.data(), values.size() * sizeof(float));
        _exit(written == static_cast<ssize_t>(values.size() * sizeof(float)) ? 0 : 1);
    }
    close(channel[1]);
    const ssize_t got = read(channel[0], values.data(), values.size() * sizeof(float));
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (got != static_cast<ssize_t>(values.size() * sizeof(float)))
        return {};
    return values;
}

int activeSparks()
{
    int count = 0;
    for (const Spark& spark : demo.pools.sparkPool->slots)
        count += spark.active ? 1 : 0;
    return count;
}

class Finale : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        testWindow();
        // Loading from an empty directory places every sprite as the catalogue says, with no picture.
        char directory[] = "/tmp/finale-XXXXXX";
        char previous[PATH_MAX];
        ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
        ASSERT_NE(mkdtemp(directory), nullptr);
        ASSERT_EQ(chdir(directory), 0);
        captureConsole([] { loadAssets(testCatalogue(), 1.0f); });
        ASSERT_EQ(chdir(previous), 0);
        rmdir(directory);
        createSparkPool();
        createHexPulsePool();
        createBubblePool();
    }

    void SetUp() override
    {
        for (int image = 0; image < imageCount; ++image) {
            hide(static_cast<Image>(image));
            demo.content.sprites[image].setColor(sf::Color::White);
        }
        createSparkPool();
        createHexPulsePool();
        createBubblePool();
    }
};

FULL_TEST_F(Finale, Scene09SkullFadesOutByFivePointOneSecondsWhileTheBackgroundKeepsMoving)
{
    demo.scenes.scene09 = Scene09State{};
    showAs(Image::Eclipse, 1280, 720, sf::Color::Blue);
    showAs(Image::Skull, 1280, 720, sf::Color::Red);
    showAs(Image::Black, 1280, 720, sf::Color::Black);
    sprite(Image::EmblemFrame).setColor(sf::Color(255, 255, 255, 77));

    std::string output;
    for (int n = 1; n <= 1130; ++n) {  // eight bars
        output += frameOf(scene09);
        const Scene09State& scene = demo.scenes.scene09;
        if (n == 60) {
            EXPECT_FLOAT_EQ(sprite(Image::EmblemRunes).getScale().x, 1.5f) << "newest layer before the cross-fade";
            EXPECT_EQ(output.find("bubbles"), std::string::npos);
        }
        if (n == 180) {  // 3 s: skull at 255 - 150, over the glint, the overlay long gone
            EXPECT_NEAR(windowPixel(640, 360).r, 105, 3);
            EXPECT_NEAR(windowPixel(640, 360).b, 150, 3);
        }
        if (n == 300) {
            EXPECT_GT(scene.skullAlpha, 0.0f) << "still visible at 5 s";
        }
        if (n == 308) {
            EXPECT_EQ(scene.skullAlpha, 0.0f);
            EXPECT_EQ(windowPixel(640, 360), sf::Color::Blue);
        }
        if (n == 600) {  // 10 s, after the cross-fade
            EXPECT_NEAR(sprite(Image::Eclipse).getScale().x, 1.5f, 0.001f);
            EXPECT_NEAR(sprite(Image::Skull).getScale().y, 0.5f, 0.001f);
            EXPECT_EQ(scene.skullAlpha, 0.0f);
            EXPECT_EQ(sprite(Image::EmblemRunes).getColor().a, 255);
            EXPECT_FLOAT_EQ(sprite(Image::EmblemRunes).getScale().x, 1.0f);
            EXPECT_EQ(sprite(Image::EmblemFrame).getColor().a, 77) << "scene 09 stacks five layers, not six";
            EXPECT_EQ(windowPixel(640, 360), sf::Color::Black) << "the background lies under the overlay";
        }
    }
    EXPECT_EQ(demo.scenes.scene09.reveal.phase, 3);
    EXPECT_NEAR(demo.scenes.scene09.glintScale, 1.0f + 0.05f * 1130 * frame, 0.001f);
    EXPECT_NEAR(demo.scenes.scene09.skullScale, 1.0f - 0.05f * 1130 * frame, 0.001f);
    EXPECT_EQ(output.find("scene 09\n"), 0u);
    EXPECT_EQ(output.find("scene 09", 1), std::string::npos) << "announced once";
}

FULL_TEST_F(Finale, Scene10SpawnsTwoSparksOnItsFirstFrameAPixelFromTheCentreUnderTheHalo)
{
    demo.scenes.scene10 = Scene10State{};
    showAs(Image::YellowSpark, 37, 41, sf::Color::Yellow, {18, 20, 1, 1});  // just the origin pixel
    showAs(Image::WhiteSpark, 19, 23, sf::Color::White, {9, 11, 1, 1});

    EXPECT_EQ(frameOf(scene10), "scene 10\n");
    ASSERT_EQ(activeSparks(), 2);
    const Spark& yellow = demo.pools.sparkPool->slots[0];
    EXPECT_EQ(yellow.kind, 1);
    EXPECT_EQ(demo.pools.sparkPool->slots[1].kind, 0);
    for (int i = 0; i < 2; ++i) {
        const Spark& spark = demo.pools.sparkPool->slots[i];
        EXPECT_GT(spark.radius, 1.0f) << "already advanced once";
        EXPECT_LE(std::abs(spark.x - 640), 2);
        EXPECT_LE(std::abs(spark.y - 360), 2);
        const sf::Color drawn = windowPixel(spark.x, spark.y);
        EXPECT_GE(drawn.r, 160) << "each spark is drawn where it flew to";
        EXPECT_GE(drawn.g, 160);
    }

    showAs(Image::Halo, 1280, 720, sf::Color(90, 90, 90));
    frameOf(scene10);
    EXPECT_EQ(activeSparks(), 4);
    EXPECT_EQ(windowPixel(yellow.x, yellow.y), sf::Color(90, 90, 90)) << "sparks lie under the halo";
}

TEST_F(Finale, Scene10FullSparkPoolDropsSpawnsButKeepsTheRandomSequenceInStep)
{
    demo.scenes.scene10 = Scene10State{};
    frameOf(scene10);
    for (Spark& spark : demo.pools.sparkPool->slots) {
        spark.active = true;
        spark.life = 100.0f;
    }
    const std::vector<float> draws = upcomingDraws({{65, 90}, {2, 2.7f}, {0, 6.28318f}, {65, 80},
                                                    {2, 2.7f}, {0, 6.28318f}, {65, 90}, {2, 2.7f},
                                                    {0, 6.28318f}, {65, 80}, {2, 2.7f}, {0, 6.28318f}});
    ASSERT_EQ(draws.size(), 12u);

    frameOf(scene10);
    EXPECT_EQ(demo.scenes.scene10.sparkSpawnTimer, 0.0f);
    demo.pools.sparkPool->slots[17].active = false;
    demo.pools.sparkPool->slots[203].active = false;
    frameOf(scene10);

    EXPECT_EQ(activeSparks(), 250);
    const Spark& yellow = demo.pools.sparkPool->slots[17];
    const Spark& white = demo.pools.sparkPool->slots[203];
    EXPECT_EQ(yellow.kind, 1);
    EXPECT_EQ(yellow.speed, draws[6]) << "the dropped pair still took its six values";
    EXPECT_NEAR(yellow.life + frame, draws[7], 1e-5f);
    EXPECT_EQ(yellow.angle, draws[8]);
    EXPECT_EQ(white.kind, 0);
    EXPECT_EQ(white.speed, draws[9]);
    EXPECT_NEAR(white.life + frame, draws[10], 1e-5f);
    EXPECT_EQ(white.angle, draws[11]);
}

FULL_TEST_F(Finale, Scene11ReleasesQuickeningPulsesUntilTheHoldBoundThenWhitesOut)
{
    demo.scenes.scene11 = Scene11State{};
    showAs(Image::White, 1280, 720, sf::Color::Green);
    showAs(Image::Black, 1280, 720, sf::Color::Red);

    std::vector<int> releases;  // frame numbers
    int firstDone = 0;
    int whiteFrom = 0;
    for (int n = 1; n <= 700; ++n) {
        const Scene11State before = demo.scenes.scene11;
        const std::string output = frameOf(scene11);
        const Scene11State& scene = demo.scenes.scene11;
        const bool released = scene.nextPulseRotation != before.nextPulseRotation;
        if (released && releases.empty()) {
            EXPECT_EQ(scene.nextPulseRotation, 0.1f);
            EXPECT_NEAR(demo.pools.hexPulsePool->slots[0].rotation, 0.1f + 8.0f * frame, 1e-4f) << "starts at 0.1 degrees";
        }
        if (released)
            releases.push_back(n);
        if (before.holdTime >= twoBars + halfBar) {
            firstDone = firstDone ? firstDone : n;
            EXPECT_EQ(output, "done\n") << "frame " << n;
            EXPECT_FALSE(released) << "frame " << n;
            EXPECT_EQ(scene.pulseRate, before.pulseRate);
        } else {
            EXPECT_EQ(output.find("done"), std::string::npos) << "frame " << n;
        }
        if (scene.phase < 2) {
            EXPECT_EQ(sprite(Image::White).getColor().a, 0) << "frame " << n;
            if (n % 30 == 0) {
                EXPECT_EQ(windowPixel(5, 5), sf::Color::Black) << "black.png is coloured, never drawn";
            }
        } else if (scene.whiteAlpha == 255.0f) {
            whiteFrom = whiteFrom ? whiteFrom : n;
        } else {
            EXPECT_EQ(whiteFrom, 0) << "white-out stays at 255 once there";
        }
    }

    ASSERT_GE(releases.size(), 20u);
    EXPECT_NEAR(releases[0] * frame, 0.99f, 0.02f);
    for (std::size_t i = 2; i < releases.size(); ++i)
        EXPECT_LE(releases[i] - releases[i - 1], releases[i - 1] - releases[i - 2]) << "the gap only shrinks";
    EXPECT_NEAR((releases.back() - releases[releases.size() - 2]) * frame, 0.16f, 0.02f);
    EXPECT_NEAR(firstDone * frame, 7.059f, 0.04f);
    EXPECT_NEAR(whiteFrom * frame, 9.412f, 0.04f);
    EXPECT_EQ(windowPixel(640, 360), sf::Color::Green);
}

TEST_F(Finale, Scene11LongFramesReleaseOnePulseAndAdvanceOnePhaseAtMost)
{
    demo.scenes.scene11 = Scene11State{};
    frameOf(scene11, 3.0f);
    EXPECT_EQ(demo.scenes.scene11.nextPulseRotation, 0.1f);
    EXPECT_EQ(demo.scenes.scene11.phase, 1);
    EXPECT_EQ(demo.scenes.scene11.holdTime, 0.0f);
    frameOf(scene11, 3.0f);
    frameOf(scene11, 3.0f);
    EXPECT_FLOAT_EQ(demo.scenes.scene11.nextPulseRotation, 0.3f);
    EXPECT_EQ(demo.scenes.scene11.phase, 1);
    EXPECT_EQ(frameOf(scene11, 3.0f), "done\n");
    EXPECT_EQ(demo.scenes.scene11.phase, 2);
    EXPECT_EQ(demo.scenes.scene11.whiteAlpha, 0.0f);
    frameOf(scene11, 3.0f);
    EXPECT_EQ(demo.scenes.scene11.whiteAlpha, 255.0f);
    EXPECT_FLOAT_EQ(demo.scenes.scene11.nextPulseRotation, 0.3f);
}

TEST_F(Finale, FlashPrintsItsJitterTimerAndJittersOnlyWhenItPasses0075)
{
    demo.scenes.flash = FlashState{};
    const std::vector<float> draws = upcomingDraws({{0.95f, 1.05f}});
    ASSERT_EQ(draws.size(), 1u);

    const char* const firstLines[] = {"0.0166667\n", "0.0333333\n", "0.05\n", "0.0666667\n", "0.0833333\n",
                                      "0.0166667\n"};
    for (int n = 0; n < 6; ++n) {
        EXPECT_EQ(frameOf(flashScene), firstLines[n]);
        const float expected = n < 4 ? 1.0f : draws[0];
        EXPECT_EQ(sprite(Image::FlashSigil).getScale(), sf::Vector2f(expected, expected)) << "frame " << n + 1;
    }

    int jitters = 0;
    for (int n = 0; n < 600; ++n) {
        const float scaleBefore = demo.scenes.flash.gantzScale;
        const float printed = std::stof(frameOf(flashScene));
        const float scale = sprite(Image::FlashSigil).getScale().x;
        if (printed > 0.075f) {
            ++jitters;
            EXPECT_GE(scale, 0.95f);
            EXPECT_LE(scale, 1.05f);
        } else {
            EXPECT_EQ(scale, scaleBefore) << "no jitter on a frame that printed " << printed;
        }
    }
    EXPECT_EQ(jitters, 120);
}

FULL_TEST_F(Finale, FlashHoldsThenFadesToBlackAndStaysThere)
{
    demo.scenes.flash = FlashState{};
    demo.scenes.flash.phaseTimer = 7.0f;  // well into the hold
    sprite(Image::White).setColor(sf::Color::White);  // as scene 11's white-out leaves it
    showAs(Image::White, 1280, 720, sf::Color::Green);
    showAs(Image::FlashSigil, 1280, 720, sf::Color::Blue, {540, 260, 200, 200});
    showAs(Image::Black, 1280, 720, sf::Color::Black);

    for (int n = 1; n <= 200; ++n) {
        const int phaseBefore = demo.scenes.flash.phase;
        frameOf(flashScene);
        const sf::Uint8 overlay = sprite(Image::Black).getColor().a;
        if (phaseBefore == 0) {
            EXPECT_EQ(overlay, 0) << "frame " << n;
        }
        if (n == 30) {
            EXPECT_EQ(windowPixel(640, 360), sf::Color::Blue);
            EXPECT_EQ(windowPixel(10, 10), sf::Color::Green);
        }
        if (7.0f + n * frame > 8.2355f + halfBar + 2 * frame) {
            EXPECT_EQ(overlay, 255) << "frame " << n;
        }
    }
    EXPECT_EQ(demo.scenes.flash.phase, 1);
    EXPECT_EQ(windowPixel(640, 360), sf::Color::Black);
    EXPECT_EQ(windowPixel(10, 10), sf::Color::Black);
}

FULL_TEST_F(Finale, CreditsComeOutOfBlackHoldAndGoBackToBlack)
{
    demo.scenes.credits = CreditsState{};
    const sf::Color orange(250, 140, 20);
    showAs(Image::Credits, 1280, 720, orange);
    showAs(Image::Black, 1280, 720, sf::Color::Black);
    sprite(Image::Black).setColor(sf::Color(255, 255, 255, 0));  // whatever the flash left

    EXPECT_EQ(frameOf(creditsScene), "");
    EXPECT_EQ(sprite(Image::Black).getColor().a, 251);
    EXPECT_LE(windowPixel(640, 360).r, 5) << "nearly opaque black on the first frame";

    for (int n = 2; n <= 660; ++n) {
        frameOf(creditsScene);
        const float clock = demo.scenes.credits.creditsClock;
        const sf::Uint8 overlay = sprite(Image::Black).getColor().a;
        if (clock >= halfBar && clock <= oneBar + twoBars) {
            EXPECT_EQ(overlay, 0) << "clear at " << clock;
        }
        if (clock >= 8.2355f) {
            EXPECT_EQ(overlay, 255) << "black again at " << clock;
        }
        if (n == 200) {
            EXPECT_EQ(windowPixel(640, 360), orange);
        }
    }
    EXPECT_EQ(windowPixel(640, 360), sf::Color::Black);
}

}  // namespace
