#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "effects/bubbles.h"
#include "effects/random.h"
#include "scenes/demo_state.h"

namespace {

const char* const freshModeVariable = "NERETHVAL_FRESH_DRAWS";
constexpr int freshCount = 64;

// The first values of this process's sequence, taken before any test draws. A child started in a
// fresh-draws mode skips this so that its own first draws go to the mode.
std::vector<double> drawFirst()
{
    std::vector<double> draws;
    if (!std::getenv(freshModeVariable))
        for (int i = 0; i < freshCount; ++i)
            draws.push_back(nextRandom());
    return draws;
}
const std::vector<double> firstDraws = drawFirst();

// Starts this test program again in a mode and returns the values it prints.
std::vector<double> freshProcess(const std::string& mode)
{
    const std::string command = std::string(freshModeVariable) + "=" + mode + " " +
                                std::filesystem::read_symlink("/proc/self/exe").string() +
                                " --gtest_also_run_disabled_tests --gtest_filter=FreshProcess.DISABLED_PrintDraws";
    std::vector<double> values;
    FILE* pipe = popen(command.c_str(), "r");
    char line[256];
    while (pipe && std::fgets(line, sizeof line, pipe))
        if (std::strncmp(line, "draw ", 5) == 0)
            values.push_back(std::strtod(line + 5, nullptr));
    if (pipe)
        pclose(pipe);
    return values;
}

float fromDraw(float min, float max, double r)
{
    return static_cast<float>(min + r * (max - min) / 32767.0);
}

TEST(FreshProcess, DISABLED_PrintDraws)
{
    const std::string mode = std::getenv(freshModeVariable) ? std::getenv(freshModeVariable) : "";
    if (mode == "raw")
        for (int i = 0; i < freshCount; ++i)
            std::printf("draw %d\n", nextRandom());
    if (mode == "range")
        for (int i = 0; i < freshCount; ++i)
            std::printf("draw %.17g\n", randomRange(0.08f, 0.25f));
    if (mode == "bubble") {
        createBubblePool();
        spawnRandomBubble();
        const Bubble& b = demo.pools.bubblePool->slots[0];
        for (float value : {b.x, b.y, b.alpha, b.scale, b.riseSpeed, b.life})
            std::printf("draw %.17g\n", value);
    }
    std::fflush(stdout);
}

TEST(RandomSequence, EveryRunDrawsTheSameSequence)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));  // a clock-seeded run would differ
    EXPECT_EQ(freshProcess("raw"), firstDraws);
    EXPECT_NE(firstDraws.front(), firstDraws.back());
}

TEST(RandomRange, ProductAndQuotientAreDoubleAndTheResultIsFloat)
{
    const std::vector<double> values = freshProcess("range");
    ASSERT_EQ(values.size(), firstDraws.size());
    int floatOnlyWouldDiffer = 0;
    for (size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ(values[i], fromDraw(0.08f, 0.25f, firstDraws[i])) << "draw " << i;
        const float r = static_cast<float>(firstDraws[i]);
        floatOnlyWouldDiffer += values[i] != 0.08f + r * (0.25f - 0.08f) / 32767.0f;
    }
    EXPECT_GT(floatOnlyWouldDiffer, 0) << "these draws cannot tell float from double arithmetic";
}

TEST(RandomRange, RandomBubbleDrawsXAlphaScaleRiseSpeedLifeInThatOrder)
{
    const std::vector<double> bubble = freshProcess("bubble");
    ASSERT_EQ(bubble.size(), 6u);
    EXPECT_EQ(bubble[0], static_cast<int>(fromDraw(0.0f, 1280.0f, firstDraws[0])));
    EXPECT_EQ(bubble[1], 700.0);
    EXPECT_EQ(bubble[2], fromDraw(0.08f, 0.25f, firstDraws[1]));
    EXPECT_EQ(bubble[3], fromDraw(0.15f, 0.4f, firstDraws[2]));
    EXPECT_EQ(bubble[4], fromDraw(50.0f, 90.0f, firstDraws[3]));
    EXPECT_EQ(bubble[5], fromDraw(1.5f, 2.8f, firstDraws[4]));
}

TEST(RandomRange, BothEndsOccurAndNothingOutside)
{
    bool sawMin = false;
    bool sawMax = false;
    for (int i = 0; i < (1 << 22) && !(sawMin && sawMax); ++i) {
        const float value = randomRange(2.5f, 7.75f);
        ASSERT_TRUE(value >= 2.5f && value <= 7.75f) << value;
        sawMin = sawMin || value == 2.5f;
        sawMax = sawMax || value == 7.75f;
    }
    EXPECT_TRUE(sawMin);
    EXPECT_TRUE(sawMax);
}

}  // namespace
