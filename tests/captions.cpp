// Captions: centring, the fade-in / hold / fade-out course, and the verses' lengths.
#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include <vector>

#include "runtime/alpha.h"
#include "scenes/demo_state.h"
#include "scenes/caption.h"
#include "scenes/verses.h"
#include "support/support.h"

namespace {

// Durations and steps that are exact in binary, so every threshold is met exactly.
constexpr float fadeIn = 0.5f;
constexpr float hold = 1.0f;
constexpr float fadeOut = 0.5f;

void step(CaptionFader& fader, float frameDelta)
{
    demo.clock.frameDelta = frameDelta;
    advanceCaptionFader(fader, fadeIn, hold, fadeOut);
}

int drawnAlpha(const CaptionFader& fader)
{
    return alphaColour(fader.alpha).a;
}

std::vector<std::size_t> lineLengths(const char* verse)
{
    std::vector<std::size_t> lengths;
    std::string rest = verse;
    for (std::size_t end; (end = rest.find('\n')) != std::string::npos; rest.erase(0, end + 1))
        lengths.push_back(end);
    lengths.push_back(rest.size());
    return lengths;
}

}  // namespace

TEST(CaptionFader, RunsItsCourseWithExactBoundaries)
{
    CaptionFader fader;
    step(fader, 0.125f);
    EXPECT_EQ(fader.phase, 0);
    EXPECT_FLOAT_EQ(fader.alpha, 63.75f);
    EXPECT_EQ(drawnAlpha(fader), 63);

    step(fader, 0.0f);  // two frames in one clock tick change nothing
    EXPECT_EQ(fader.elapsed, 0.125f);
    EXPECT_FLOAT_EQ(fader.alpha, 63.75f);

    for (int frame = 0; frame < 3; ++frame)
        step(fader, 0.125f);
    EXPECT_EQ(fader.phase, 1) << "elapsed reaching fadeIn exactly ends the fade-in";
    EXPECT_EQ(fader.elapsed, 0.0f);
    EXPECT_EQ(drawnAlpha(fader), 255);

    for (int frame = 0; frame < 7; ++frame)
        step(fader, 0.125f);
    EXPECT_EQ(fader.phase, 1);
    step(fader, 0.125f);
    EXPECT_EQ(fader.phase, 2) << "elapsed reaching hold exactly ends the hold";
    EXPECT_EQ(drawnAlpha(fader), 255) << "the frame that ends the hold still draws 255";

    step(fader, 0.125f);
    EXPECT_FLOAT_EQ(fader.alpha, 191.25f);
    step(fader, 0.37375f);  // alpha 0.6375: drawn as 0
    EXPECT_GT(fader.alpha, 0.0f);
    EXPECT_EQ(drawnAlpha(fader), 0);
    step(fader, 0.25f);
    EXPECT_EQ(fader.alpha, 0.0f) << "the fade-out clamps at 0";
    step(fader, 10.0f);
    EXPECT_EQ(fader.phase, 2);
    EXPECT_EQ(fader.alpha, 0.0f);
    EXPECT_FLOAT_EQ(fader.elapsed, 10.74875f);
}

TEST(CaptionFader, LongFramesAdvanceOnePhaseAndNeverOvershoot)
{
    CaptionFader fader;
    step(fader, 3.0f);
    EXPECT_EQ(fader.phase, 1);
    EXPECT_EQ(fader.alpha, 255.0f);
    EXPECT_EQ(fader.elapsed, 0.0f);
    step(fader, 3.0f);
    EXPECT_EQ(fader.phase, 2);
    EXPECT_EQ(fader.alpha, 255.0f);
    step(fader, 3.0f);
    EXPECT_EQ(fader.alpha, 0.0f);
}

TEST(SetupCaption, CentresAFreshCaptionWhateverTheLastSceneLeft)
{
    testWindow();
    ASSERT_TRUE(testCatalogue().captionFont.loadFromFile(NERETHVAL_BUILD_DIR "/data/Quillon8.ttf"));
    demo.content.captionText = sf::Text();
    demo.content.captionText.setFillColor(sf::Color(255, 255, 255, 0));
    demo.content.captionText.setPosition(17.0f, 900.0f);
    demo.content.captionText.setCharacterSize(12);

    setupCaption(64, "Vesmira Crew presents", 300.0f);
    const sf::Text& caption = demo.content.captionText;
    EXPECT_EQ(caption.getFont(), &testCatalogue().captionFont);
    EXPECT_EQ(caption.getFillColor(), sf::Color(255, 255, 255, 255));
    EXPECT_EQ(caption.getCharacterSize(), 64u);
    EXPECT_EQ(caption.getString().toAnsiString(), "Vesmira Crew presents");
    const double width = caption.getGlobalBounds().width;
    EXPECT_GT(width, 100.0);
    EXPECT_EQ(caption.getPosition(), sf::Vector2f(static_cast<float>(640.0 - width * 0.5), 300.0f));
}

TEST(Verses, HaveTheirExactLengthsInPlainAscii)
{
    using Lengths = std::vector<std::size_t>;
    const std::pair<const char*, Lengths> verses[] = {
        {scene01Verse, {71}}, {scene02Credit, {21}}, {scene05Verse, {34, 44}},
        {scene06Verse, {26, 44}}, {scene07Verse, {28, 37}}, {scene08Verse, {28, 39}},
        {scene09Verse, {27, 37}}, {scene10Verse, {41, 31}},
    };
    for (const auto& [verse, lengths] : verses)
        EXPECT_EQ(lineLengths(verse), lengths) << verse;
    EXPECT_EQ(lineLengths(scene04Verse).size(), 4u);
    EXPECT_EQ(std::strlen(scene04Verse), 136u);
    EXPECT_EQ(std::string(scene02Credit), "Vesmira Crew presents");

    for (const char* verse : {scene01Verse, scene04Verse, scene05Verse, scene06Verse, scene07Verse,
                              scene08Verse, scene09Verse, scene10Verse})
        for (const char* c = verse; *c; ++c)
            EXPECT_TRUE(*c == '\n' || (*c >= ' ' && *c <= '~')) << verse;
}

TEST(Verses, FitTheWindowInTheCaptionFont)
{
    testWindow();
    ASSERT_TRUE(testCatalogue().captionFont.loadFromFile(NERETHVAL_BUILD_DIR "/data/Quillon8.ttf"));
    const std::pair<const char*, unsigned> captions[] = {
        {scene01Verse, 44}, {scene02Credit, 64}, {scene04Verse, 64}, {scene05Verse, 58},
        {scene06Verse, 58}, {scene07Verse, 58}, {scene08Verse, 58}, {scene09Verse, 58},
        {scene10Verse, 58},
    };
    for (const auto& [verse, size] : captions) {
        setupCaption(size, verse, 500.0f);
        const sf::FloatRect bounds = demo.content.captionText.getGlobalBounds();
        EXPECT_GE(bounds.left, 20.0f) << verse;
        EXPECT_LE(bounds.left + bounds.width, 1260.0f) << verse;
    }
}
