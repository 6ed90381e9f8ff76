// The audio stand-in with a sound device. OpenAL's null backend consumes the output in real time,
// so the reported position must follow the wall clock, behind it only by the output latency.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/bass.h"
#include "support/support.h"

using Clock = std::chrono::steady_clock;

TEST(AudioDevice, PositionFollowsTheFramesPlayedNotThoseDecodedAhead)
{
    ASSERT_EQ(setenv("ALSOFT_DRIVERS", "null", 1), 0);
    const std::string module = writeFastTimeline();
    ::testing::internal::CaptureStderr();
    ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
    const HMUSIC music = BASS_MusicLoad(false, module.c_str(), 0, 0, BASS_MUSIC_LOOP, 0);
    ASSERT_NE(music, 0u);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // let the output settle

    const Clock::time_point beforePlay = Clock::now();
    ASSERT_TRUE(BASS_ChannelPlay(music, false));
    const Clock::time_point afterPlay = Clock::now();
    double mostAhead = -1;
    double mostBehind = 0;
    double lastHeard = 0;
    while (secondsBetween(afterPlay, Clock::now()) < 2.0) {
        const Clock::time_point beforeQuery = Clock::now();
        const QWORD position = BASS_ChannelGetPosition(music, BASS_POS_MUSIC_ORDER);
        const Clock::time_point afterQuery = Clock::now();
        ASSERT_NE(position, ~QWORD(0));
        const double rowStart = ((position & 0xFFFF) * 64 + (position >> 16 & 0xFFFF)) * fastTimelineRowSeconds;
        // The module's loop is 627 ms long; count only the first pass.
        if (rowStart < lastHeard)
            break;
        lastHeard = rowStart;
        mostAhead = std::max(mostAhead, rowStart - secondsBetween(beforePlay, afterQuery));
        mostBehind = std::max(mostBehind, secondsBetween(afterPlay, beforeQuery) - (rowStart + fastTimelineRowSeconds));
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
    }
    const std::string errors = ::testing::internal::GetCapturedStderr();
    std::cout << "ahead at most " << mostAhead * 1000 << " ms, behind at most " << mostBehind * 1000 << " ms\n";
    EXPECT_GT(lastHeard, 0.5) << "the position advanced";
    // Reporting the decoded position instead would run about 200 ms ahead: three 50 ms blocks
    // queued, plus the device's own latency.
    EXPECT_LT(mostAhead, 0.08) << "the position never runs ahead of what has been played";
    EXPECT_LT(mostBehind, 0.1) << "the position keeps up with the clock";
    EXPECT_EQ(errors.find("no sound device"), std::string::npos) << errors;
}
