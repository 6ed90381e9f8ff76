// The opening orders: the first verse, the credit line with the soundtrack's start, the title.
#include <gtest/gtest.h>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "audio/bass.h"
#include "audio/bass_offline.h"
#include "scenes/demo_state.h"
#include "scenes/scenes.h"
#include "support/support.h"

namespace fs = std::filesystem;

namespace {

// Console lines, each with the soundtrack handle as it was when the line was written.
class LineWatcher : public std::streambuf {
public:
    struct Line {
        std::string text;
        std::uint32_t soundtrackStream;
    };
    std::vector<Line> lines;

protected:
    int overflow(int c) override
    {
        if (c == '\n') {
            lines.push_back({current, demo.clock.soundtrackStream});
            current.clear();
        } else if (c != traits_type::eof()) {
            current += static_cast<char>(c);
        }
        return c;
    }

private:
    std::string current;
};

bool soundtrackAudible()
{
    std::vector<std::int16_t> pcm(2 * 2 * 44100);
    bassRenderOffline(2 * 44100, pcm.data());
    for (std::int16_t sample : pcm)
        if (sample != 0)
            return true;
    return false;
}

void loadCaptionFont()
{
    testWindow();
    ASSERT_TRUE(testCatalogue().captionFont.loadFromFile(NERETHVAL_BUILD_DIR "/data/Quillon8.ttf"));
}

}  // namespace

TEST(Opening, AnnouncesEachSceneOnceAndStartsTheSoundtrackOnceBeforeSceneTwo)
{
    loadCaptionFont();
    bassSetOfflineMode(true);
    BASS_Init(-1, 44100, 0, nullptr, nullptr);
    const fs::path previous = fs::current_path();
    fs::current_path(NERETHVAL_BUILD_DIR "/data");  // where the soundtrack file is

    LineWatcher watcher;
    std::streambuf* console = std::cout.rdbuf(&watcher);
    for (SceneFunction scene : {scene01, scene02, scene03})
        for (int frame = 0; frame < 3; ++frame)
            runFrameOf(scene, 1.0f / 60.0f);
    const std::uint32_t stream = demo.clock.soundtrackStream;
    const bool audible = soundtrackAudible();
    runFrameOf(scene02, 1.0f / 60.0f);
    std::cout.rdbuf(console);
    fs::current_path(previous);

    ASSERT_EQ(watcher.lines.size(), 3u);
    EXPECT_EQ(watcher.lines[0].text, "scene 01");
    EXPECT_EQ(watcher.lines[0].soundtrackStream, 0u) << "no soundtrack before order 1";
    EXPECT_EQ(watcher.lines[1].text, "scene 02");
    EXPECT_NE(watcher.lines[1].soundtrackStream, 0u) << "opened before \"scene 02\" is written";
    EXPECT_EQ(watcher.lines[2].text, "scene 03");
    EXPECT_EQ(demo.clock.soundtrackStream, watcher.lines[1].soundtrackStream) << "opened once only";
    EXPECT_EQ(stream, watcher.lines[1].soundtrackStream);
    EXPECT_TRUE(audible) << "the soundtrack plays";
}

TEST(Opening, SceneOneFadesItsVerseInFromTheFirstFrame)
{
    loadCaptionFont();
    const std::pair<float, int> firstFrames[] = {{0.009f, 0}, {1.0f / 60.0f, 1}, {0.5f, 54}, {5.0f, 255}};
    for (const auto& [frameDelta, alpha] : firstFrames) {
        demo.scenes.scene01 = OpeningSceneState{};
        captureConsole([&] { runFrameOf(scene01, frameDelta); });
        EXPECT_EQ(demo.content.captionText.getFillColor().a, alpha) << frameDelta;
    }
    EXPECT_EQ(demo.content.captionText.getCharacterSize(), 44u);
    EXPECT_EQ(demo.content.captionText.getPosition().y, 260.0f);
}

TEST(Opening, SceneThreeDrawsTheTitleAtTheTopLeftWithTheFadersAlpha)
{
    sf::RenderWindow& window = testWindow();
    sf::Image image;
    image.create(40, 30, sf::Color(200, 100, 40));
    ASSERT_TRUE(testCatalogue().textures[static_cast<int>(Image::Title)].loadFromImage(image));
    sprite(Image::Title) = sf::Sprite(testCatalogue().textures[static_cast<int>(Image::Title)]);
    demo.scenes.scene03 = OpeningSceneState{};

    window.clear(sf::Color::Black);
    captureConsole([] { runFrameOf(scene03, oneBar * 0.5f); });  // alpha 127.5
    sf::Color half = windowPixel(0, 0);
    EXPECT_NEAR(half.r, 100, 2);
    EXPECT_NEAR(half.g, 50, 2);

    window.clear(sf::Color::Black);
    runFrameOf(scene03, oneBar);  // reaches the hold
    EXPECT_EQ(windowPixel(0, 0), sf::Color(200, 100, 40));
    EXPECT_EQ(windowPixel(39, 29), sf::Color(200, 100, 40));
    EXPECT_EQ(windowPixel(40, 10), sf::Color::Black) << "natural size";
    EXPECT_EQ(windowPixel(10, 30), sf::Color::Black) << "natural size";

    runFrameOf(scene03, twoBars);
    window.clear(sf::Color::Black);
    runFrameOf(scene03, oneBar);  // fully faded out
    EXPECT_EQ(windowPixel(0, 0), sf::Color::Black);
}
