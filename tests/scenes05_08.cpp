// Scenes 05 to 08 played on test pictures: step order on the first frame, the cues of each
// scene, and pixel probes at moments where the picture is known.
#include <gtest/gtest.h>
#include <functional>
#include <string>
#include <vector>

#include "effects/bubbles.h"
#include "effects/glitter.h"
#include "scenes/demo_state.h"
#include "scenes/scenes.h"
#include "scenes/verses.h"
#include "support/support.h"
#include "support/tier.h"

namespace {

const sf::Color black(0, 0, 0), glint1Colour(0, 0, 200), growingGlintColour(255, 0, 255);
const sf::Color layerColours[] = {{255, 0, 0}, {0, 255, 0}, {0, 120, 255}, {255, 255, 0}};
const int layerHalfSizes[] = {300, 200, 120, 50};
const sf::Color glint2Colour(40, 80, 160), stripColour(200, 0, 200), stripPieceColour(0, 200, 200);
const sf::Color landscapeColour(30, 60, 30), foregroundColour(90, 60, 30);
const sf::Color glint4Colour(10, 10, 90), imageColours[] = {{200, 40, 40}, {40, 200, 40}, {40, 40, 200}};
// Thirty frames a second: every cue still lands within a frame, and software GL keeps up.
constexpr double frame = 1.0 / 30;

// Transparent except for an opaque rectangle, like the demo's own art.
void givePicture(Image image, unsigned width, unsigned height, sf::IntRect opaque, sf::Color colour)
{
    giveTestPicture(image, width, height, sf::Color::Transparent, opaque, colour);
}

void giveFullPicture(Image image, sf::Color colour, unsigned width = 1280, unsigned height = 720)
{
    givePicture(image, width, height, {0, 0, int(width), int(height)}, colour);
}

// Test pictures, placed as the catalogue places the real ones, for what the probes look at; given
// afresh for each case, as a case of another area may have loaded the real ones.
void loadTestPictures()
{
    giveFullPicture(Image::Black, black);
    giveFullPicture(Image::WarpNebula, glint1Colour);
    givePicture(Image::WarpBokeh, 1280, 720, {540, 260, 200, 200}, growingGlintColour);
    for (Image image : {Image::Black, Image::White, Image::WarpNebula, Image::WarpGlow, Image::WarpStreaks,
                        Image::WarpHexagon, Image::WarpStar, Image::WarpBokeh}) {
        sprite(image).setOrigin(640, 360);
        sprite(image).setPosition(640, 360);
    }
    for (int layer = 0; layer < 4; ++layer) {
        const int half = layerHalfSizes[layer];
        const Image image = static_cast<Image>(static_cast<int>(Image::EmblemCore) + layer);
        givePicture(image, 720, 720, {360 - half, 360 - half, 2 * half, 2 * half}, layerColours[layer]);
        sprite(image).setOrigin(360, 360);
        sprite(image).setPosition(640, 360);
    }
    giveFullPicture(Image::Gem, glint2Colour);
    giveFullPicture(Image::Glitter, sf::Color(255, 255, 0), 21, 19);
    sprite(Image::Glitter).setOrigin(10, 9);
    giveFullPicture(Image::LandscapeSky, landscapeColour);
    givePicture(Image::LandscapeForeground, 1280, 720, {0, 620, 1280, 100}, foregroundColour);
    giveFullPicture(Image::GroundStrip, stripColour, 200, 500);
    for (Image piece : {Image::GroundStripWide, Image::GroundStripNarrow, Image::GroundStripMiddle})
        giveFullPicture(piece, stripPieceColour, 200, 500);
    giveFullPicture(Image::LandscapeStar, sf::Color(250, 250, 250));
    giveFullPicture(Image::Planet, glint4Colour);
    for (int image = 0; image < 3; ++image)
        giveFullPicture(static_cast<Image>(static_cast<int>(Image::Moon) + image), imageColours[image],
                        600 - 200 * image, 600 - 200 * image);
}

// Every scene from its first frame, with empty pools and unshown flares.
void freshScenes()
{
    loadTestPictures();
    createBubblePool();
    createGlitterPool();
    for (FadeSprite& fadeSprite : demo.pools.fadeSprites) {
        fadeSprite.alpha = 0.0f;
        fadeSprite.visible = false;
        fadeSprite.state = 0;
    }
}

// One frame into a cleared window; returns what it printed.
std::string playFrame(SceneFunction scene, double frameDelta = frame)
{
    testWindow().clear();
    return captureConsole([&] { runFrameOf(scene, static_cast<float>(frameDelta)); });
}

// Plays a scene at a steady frame rate; `check` sees each frame's end time and console lines.
void playScene(SceneFunction scene, double seconds, const std::function<void(double, const std::string&)>& check)
{
    for (int frameCount = 1; frameCount * frame < seconds; ++frameCount) {
        const std::string printed = playFrame(scene);
        check(frameCount * frame, printed);
    }
}

bool firstFrameAt(double time, double moment)
{
    return time >= moment && time - frame < moment;
}

int count(const std::string& printed, const std::string& line)
{
    int found = 0;
    for (size_t at = printed.find(line + "\n"); at != std::string::npos; at = printed.find(line + "\n", at + 1))
        ++found;
    return found;
}

// "bubbles" starts on the frame after the reveal turns emission on, then comes once every frame.
struct BubbleLines {
    int framesOn = 0;
    void check(bool bubblesOn, const std::string& printed)
    {
        EXPECT_EQ(count(printed, "bubbles"), framesOn > 0 ? 1 : 0);
        framesOn += bubblesOn;
    }
};

void expectStackedLayers(int layerCount)
{
    EXPECT_EQ(windowPixel(20, 20), black);
    EXPECT_EQ(windowPixel(200, 360), black);
    for (int layer = 0; layer < layerCount; ++layer)
        EXPECT_EQ(windowPixel(640 + layerHalfSizes[layer] - 10, 360), layerColours[layer]) << "h" << layer + 1;
    EXPECT_EQ(windowPixel(640, 360), layerColours[layerCount - 1]);
}

}  // namespace

TEST(RevealScenes, EachRunsItsBubbleEmitterBeforeItsFirstFrameSetUp)
{
    struct Case {
        SceneFunction scene;
        bool& bubblesOn;
        float& bubbleSpawnTimer;
        const char* line;
        const char* verse;
    };
    freshScenes();
    const Case cases[] = {
        {scene05, demo.scenes.scene05.reveal.bubblesOn, demo.scenes.scene05.bubbleSpawnTimer, "scene 05", scene05Verse},
        {scene06, demo.scenes.scene06.reveal.bubblesOn, demo.scenes.scene06.bubbleSpawnTimer, "scene 06", scene06Verse},
        {scene07, demo.scenes.scene07.reveal.bubblesOn, demo.scenes.scene07.bubbleSpawnTimer, "scene 07", scene07Verse},
        {scene08, demo.scenes.scene08.reveal.bubblesOn, demo.scenes.scene08.bubbleSpawnTimer, "scene 08", scene08Verse},
    };
    sprite(Image::Black).setScale(3.0f, 3.0f);
    sprite(Image::White).setScale(2.0f, 2.0f);
    for (const Case& scene : cases) {
        SCOPED_TRACE(scene.line);
        createBubblePool();
        // Emission forced on with a due bubble: the first-frame set-up must free what it spawned.
        scene.bubblesOn = true;
        scene.bubbleSpawnTimer = 0.29f;
        EXPECT_EQ(playFrame(scene.scene), std::string("bubbles\n") + scene.line + "\n");
        EXPECT_GT(demo.pools.bubblePool->slots[0].alpha, 0.0f);
        EXPECT_FALSE(demo.pools.bubblePool->slots[0].active);
        EXPECT_EQ(demo.content.captionText.getString(), sf::String(scene.verse));
        EXPECT_EQ(count(playFrame(scene.scene), scene.line), 0);
    }
    EXPECT_EQ(sprite(Image::Black).getScale(), sf::Vector2f(1.0f, 1.0f));
    EXPECT_EQ(sprite(Image::White).getScale(), sf::Vector2f(1.0f, 1.0f));
}

FULL_TEST(Scene05, GrowsTheGlintsThenHoldsH1AndSaysHejOnce)
{
    freshScenes();
    const Scene05State& scene = demo.scenes.scene05;
    const float growthRates[] = {0.75f, 0.9f, 1.5f, 1.75f, 2.5f, 3.45f};
    BubbleLines bubbles;
    int hej = 0;
    playScene(scene05, 19.5, [&](double time, const std::string& printed) {
        SCOPED_TRACE(testing::Message() << time << " s");
        bubbles.check(scene.reveal.bubblesOn, printed);
        if (count(printed, "HEJ!!!")) {
            ++hej;
            EXPECT_NEAR(time, 14.118, 2 * frame);
        }
        for (int layer = 0; layer < 6; ++layer) {
            const double growth = scene.reveal.phase == 0 ? 0.25 * time / (1.1765 + 4.706) : 0.0;
            const Image glint = static_cast<Image>(static_cast<int>(Image::WarpNebula) + layer);
            EXPECT_NEAR(sprite(glint).getScale().x, 1.0 + growth * growthRates[layer], 1e-3);
        }
        if (bubbles.framesOn == 1) {
            EXPECT_NEAR(time, 9.412, frame);
            EXPECT_EQ(sprite(Image::Black).getColor().a, 255);
            EXPECT_EQ(sprite(Image::EmblemCore).getColor().a, 255);
            EXPECT_EQ(sprite(Image::EmblemCore).getScale(), sf::Vector2f(1.0f, 1.0f));
        }
        if (firstFrameAt(time, 8.0)) {
            EXPECT_EQ(windowPixel(20, 20), glint1Colour);
            EXPECT_EQ(windowPixel(790, 360), growingGlintColour);
        }
        if (firstFrameAt(time, 12.0))
            expectStackedLayers(1);
    });
    EXPECT_EQ(hej, 1);
    EXPECT_EQ(scene.reveal.phase, 3);
    EXPECT_EQ(demo.content.captionText.getFillColor().a, 0);
}

TEST(Scene06, SpawnsTwoGlitterPointsPerFrameInTheirRectangles)
{
    freshScenes();
    // Ten frames: a point lives half a second, so none has died yet.
    for (int frameCount = 0; frameCount < 10; ++frameCount)
        playFrame(scene06);
    for (int slot = 0; slot < 20; ++slot) {
        const GlitterPoint& point = demo.pools.glitterPool->slots[slot];
        const sf::IntRect rectangle = slot % 2 == 0 ? sf::IntRect(426, 369, 491, 102) : sf::IntRect(547, 367, 179, 176);
        EXPECT_TRUE(point.active) << slot;
        EXPECT_TRUE(sf::IntRect(rectangle.left, rectangle.top, rectangle.width + 1, rectangle.height + 1)
                        .contains(point.x, point.y))
            << "slot " << slot << " at " << point.x << ", " << point.y;
    }
    EXPECT_FALSE(demo.pools.glitterPool->slots[20].active);
}

TEST(Scene06, AFullGlitterPoolDropsSpawnsWhileTheTimerStillResets)
{
    freshScenes();
    for (int slot = 0; slot < GlitterPool::size; ++slot)
        spawnGlitter(-50, -50);
    playFrame(scene06);
    for (const GlitterPoint& point : demo.pools.glitterPool->slots)
        EXPECT_EQ(point.x, -50);
    EXPECT_EQ(demo.scenes.scene06.glitterSpawnTimer, 0.0f);

    demo.pools.glitterPool->slots[7].active = false;
    playFrame(scene06, 0.0004);
    EXPECT_FALSE(demo.pools.glitterPool->slots[7].active);
    EXPECT_FLOAT_EQ(demo.scenes.scene06.glitterSpawnTimer, 0.0004f);
}

FULL_TEST(Scene06, ShowsGlitterUncoveredThenTwoLayersOverBlack)
{
    freshScenes();
    BubbleLines bubbles;
    playScene(scene06, 12.1, [&](double time, const std::string& printed) {
        SCOPED_TRACE(testing::Message() << time << " s");
        bubbles.check(demo.scenes.scene06.reveal.bubblesOn, printed);
        if (firstFrameAt(time, 4.0)) {
            EXPECT_EQ(windowPixel(20, 20), glint2Colour);
            EXPECT_EQ(windowPixel(640, 200), glint2Colour);
            const GlitterPoint* brightest = &demo.pools.glitterPool->slots[0];
            for (const GlitterPoint& point : demo.pools.glitterPool->slots)
                brightest = point.active && point.alpha > brightest->alpha ? &point : brightest;
            EXPECT_GT(windowPixel(brightest->x, brightest->y).r, 200);
        }
        if (firstFrameAt(time, 12.0))
            expectStackedLayers(2);
    });
    EXPECT_GT(bubbles.framesOn * frame, 2.5);
}

FULL_TEST(Scene07, ScrollsFlashesFlaresOnTheBeatAndStacksThreeLayers)
{
    freshScenes();
    const Scene07State& scene = demo.scenes.scene07;
    const std::vector<std::vector<int>> shownByStep = {{3}, {2}, {1}, {0, 4}};
    std::vector<double> steps;
    bool wasVisible[5] = {};
    playScene(scene07, 12.1, [&](double time, const std::string&) {
        SCOPED_TRACE(testing::Message() << time << " s");
        std::vector<int> shown;
        for (int record = 0; record < 5; ++record) {
            if (demo.pools.fadeSprites[record].visible && !wasVisible[record])
                shown.push_back(record);
            wasVisible[record] = demo.pools.fadeSprites[record].visible;
        }
        if (scene.sceneClock <= 5.8825f) {
            EXPECT_EQ(scene.flareTimer, 0.0f);
        }
        ASSERT_LE(scene.flareCount, static_cast<int>(steps.size()) + 1);
        if (scene.flareCount > static_cast<int>(steps.size())) {
            steps.push_back(time);
            if (steps.size() <= shownByStep.size()) {
                EXPECT_EQ(shown, shownByStep[steps.size() - 1]);
            }
        } else {
            EXPECT_TRUE(shown.empty());
        }
        if (firstFrameAt(time, 6.0)) {
            // The strip's first piece, seen the second time round, then the next piece.
            EXPECT_NEAR(scene.fastScroll, -3000.0f, 1.0f);
            EXPECT_EQ(windowPixel(900, 300), stripColour);
            EXPECT_EQ(windowPixel(1150, 300), stripPieceColour);
            EXPECT_EQ(windowPixel(600, 300), landscapeColour);
            EXPECT_EQ(windowPixel(600, 650), foregroundColour);
        }
        if (firstFrameAt(time, 12.0))
            expectStackedLayers(3);
    });
    ASSERT_GE(steps.size(), 4u);
    EXPECT_NEAR(steps[0], 6.47075, 2 * frame);
    for (size_t step = 1; step < steps.size(); ++step) {
        EXPECT_GE(steps[step] - steps[step - 1], 0.58825 - 1e-4);
        EXPECT_LE(steps[step] - steps[step - 1], 0.58825 + frame + 1e-4);
    }
    EXPECT_TRUE(demo.pools.fadeSprites[4].visible);
    EXPECT_EQ(demo.pools.fadeSprites[4].alpha, 1.0f);
}

TEST(Scene07, ScrollsFromTheFirstFrameAndALongFrameTakesOneFlareStep)
{
    freshScenes();
    const Scene07State& scene = demo.scenes.scene07;
    playFrame(scene07, 0.1);
    EXPECT_FLOAT_EQ(sprite(Image::RangeFar).getPosition().x, 123.0f) << "122.6, on the nearest whole pixel";
    EXPECT_FLOAT_EQ(sprite(Image::GroundStripNarrow).getPosition().x, 1230.0f);
    playFrame(scene07, 5.7);
    EXPECT_EQ(scene.flareTimer, 0.0f);
    playFrame(scene07, 2.0);
    EXPECT_EQ(scene.flareCount, 1);
    EXPECT_TRUE(demo.pools.fadeSprites[3].visible);
    EXPECT_FALSE(demo.pools.fadeSprites[2].visible);
    playFrame(scene07, 0.5);
    EXPECT_EQ(scene.flareCount, 1);
    playFrame(scene07, 0.1);
    EXPECT_EQ(scene.flareCount, 2);
    EXPECT_TRUE(demo.pools.fadeSprites[2].visible);

    // 8.4 s in: the parallax at 24, 48 and 96 pixels per second, the strip at 500, each on the
    // nearest whole pixel (-76.6, -283.2 and -706.4 for the parallax).
    const std::pair<Image, float> expected[] = {
        {Image::RangeFar, -77.0f},  {Image::RangeMiddle, -283.0f},   {Image::RangeNear, -706.0f},  {Image::GroundStrip, -380.0f},
        {Image::GroundStripWide, -104.0f}, {Image::GroundStripNarrow, -2920.0f}, {Image::GroundStripMiddle, -1960.0f}};
    for (const auto& [image, x] : expected) {
        EXPECT_NEAR(sprite(image).getPosition().x, x, 0.01f) << static_cast<int>(image);
        EXPECT_EQ(sprite(image).getPosition().y, 0.0f);
    }
}

FULL_TEST(Scene08, ShowsEachImageFromItsFirstFrameAtItsTimeThenFourLayers)
{
    freshScenes();
    const Scene08State& scene = demo.scenes.scene08;
    const double imageTimes[] = {3.0, 4.25, 6.0};
    bool wasShown[3] = {};
    playScene(scene08, 12.1, [&](double time, const std::string&) {
        SCOPED_TRACE(testing::Message() << time << " s");
        const bool shown[3] = {scene.overlay1Shown, scene.overlay2Shown, scene.overlay3Shown};
        for (int image = 0; image < 3; ++image) {
            if (shown[image] && !wasShown[image]) {
                EXPECT_GE(time, imageTimes[image] - 1e-3) << "image " << image + 1;
                EXPECT_LT(time - frame, imageTimes[image] + 1e-3) << "image " << image + 1;
            }
            wasShown[image] = shown[image];
        }
        if (firstFrameAt(time, 7.0)) {
            for (int image = 0; image < 3; ++image)
                EXPECT_EQ(windowPixel(500 - 200 * image, 500 - 200 * image), imageColours[image]);
            EXPECT_EQ(windowPixel(1000, 100), glint4Colour);
        }
        if (firstFrameAt(time, 12.0))
            expectStackedLayers(4);
    });
    EXPECT_TRUE(wasShown[2]);
}

TEST(Scene08, ALongFrameShowsSeveralImagesAtOnce)
{
    freshScenes();
    const Scene08State& scene = demo.scenes.scene08;
    playFrame(scene08, 3.0);
    EXPECT_TRUE(scene.overlay1Shown);
    EXPECT_FALSE(scene.overlay2Shown);
    playFrame(scene08, 3.0);
    EXPECT_TRUE(scene.overlay2Shown);
    EXPECT_TRUE(scene.overlay3Shown);
    EXPECT_EQ(windowPixel(100, 100), imageColours[2]);
    EXPECT_EQ(windowPixel(300, 300), imageColours[1]);
}
