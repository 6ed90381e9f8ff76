// The timeline: which scene each module order runs, and what a frame does at orders 19 and 20 and
// without a module, with the audio stand-in playing a real module offline.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>

#include "audio/bass.h"
#include "audio/bass_offline.h"
#include "demo/demo.h"
#include "scenes/demo_state.h"
#include "support/support.h"

namespace {

// Speed 1 at 255 BPM with one row a pattern: each order lasts one tick, 432 frames at 44.1 kHz.
constexpr std::uint64_t orderFrames = 432;

HMUSIC playOneTickTimeline()
{
    const std::string path = ::testing::TempDir() + "one-tick-timeline.xm";
    const std::string command = NERETHVAL_BUILD_DIR "/tools/sync/make-sync " + path + " 1 1 255";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    bassSetOfflineMode(true);
    EXPECT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
    const HMUSIC music = BASS_MusicLoad(false, path.c_str(), 0, 0, BASS_MUSIC_LOOP, 0);
    EXPECT_TRUE(BASS_ChannelPlay(music, false));
    return music;
}

}  // namespace

TEST(Timeline, EachOrderReachesItsSceneAndTwoOrderScenesShareOneSlot)
{
    const SceneFunction expected[] = {scene01, scene02, scene03, scene04, scene05,    scene05,     scene06,
                                      scene06, scene07, scene07, scene08, scene08,    scene09,     scene09,
                                      scene10, scene10, scene11, flashScene, creditsScene};
    for (unsigned order = 0; order < 19; ++order)
        EXPECT_EQ(sceneForOrder(order), expected[order]) << "order " << order;
    EXPECT_EQ(std::set<SceneFunction>(std::begin(expected), std::end(expected)).size(), 13u)
        << "thirteen different scenes";
    // Progress bars and timings name what the timeline shows: one name per scene.
    for (unsigned a = 0; a < 19; ++a)
        for (unsigned b = 0; b < 19; ++b)
            EXPECT_EQ(sceneForOrder(a) == sceneForOrder(b), std::string(sceneLabel(a)) == sceneLabel(b)) << a << " " << b;
    EXPECT_STREQ(sceneLabel(19), "black");
    EXPECT_STREQ(sceneLabel(endOrder), "end");
    EXPECT_STREQ(sceneLabel(0xFFFF), "black");
    EXPECT_EQ(sceneForOrder(19), nullptr);
    EXPECT_EQ(sceneForOrder(20), nullptr) << "order 20 ends the demo instead";
    for (unsigned order = 21; order <= 0xFFFF; ++order)
        ASSERT_EQ(sceneForOrder(order), nullptr) << "order " << order;
}

TEST(Timeline, Order19IsBlackAndOrder20PrintsEndOnceAndEndsAfterThatFrame)
{
    sf::RenderWindow& window = testWindow();
    demo.clock.syncMusic = playOneTickTimeline();
    demo.clock.quitRequested = false;
    bassRenderOffline(19 * orderFrames, nullptr);

    unsigned order = 0;
    std::string console = captureConsole([&] { order = drawFrame(window); });
    EXPECT_EQ(order, 19u);
    EXPECT_EQ(console, "");
    EXPECT_FALSE(demo.clock.quitRequested);
    EXPECT_EQ(windowPixel(640, 360), sf::Color::Black);
    EXPECT_TRUE(presentFrame(window));

    bassRenderOffline(orderFrames, nullptr);
    console = captureConsole([&] { order = drawFrame(window); });
    EXPECT_EQ(order, 20u);
    EXPECT_EQ(console, "end?\n");
    EXPECT_TRUE(demo.clock.quitRequested);
    EXPECT_TRUE(presentFrame(window)) << "the order-20 frame is still presented";
    demo.clock.quitRequested = false;
}

TEST(Timeline, WithoutAModuleEveryFrameIsBlackAndNothingEnds)
{
    sf::RenderWindow& window = testWindow();
    demo.clock.syncMusic = BASS_MusicLoad(false, "no-such-sync.xm", 0, 0, BASS_MUSIC_LOOP, 0);
    EXPECT_EQ(demo.clock.syncMusic, 0u);
    EXPECT_FALSE(BASS_ChannelPlay(demo.clock.syncMusic, false));
    demo.clock.quitRequested = false;
    for (int frame = 0; frame < 3; ++frame) {
        unsigned order = 0;
        const std::string console = captureConsole([&] { order = drawFrame(window); });
        EXPECT_EQ(order, 0xFFFFu) << "a failed query reads as order 65535";
        EXPECT_EQ(console, "");
        EXPECT_EQ(windowPixel(640, 360), sf::Color::Black);
        EXPECT_TRUE(presentFrame(window));
    }
    EXPECT_FALSE(demo.clock.quitRequested);
}
