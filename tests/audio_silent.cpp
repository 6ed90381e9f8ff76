// The audio stand-in without a sound device: the timeline runs on the steady clock, in silence,
// and says so once on standard error.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "audio/bass.h"
#include "support/support.h"

using Clock = std::chrono::steady_clock;

TEST(AudioWithoutDevice, TimelineAdvancesWithTheClockAndTheSilenceIsReportedOnce)
{
    // No OpenAL backend at all, as on a machine without sound hardware.
    ASSERT_EQ(setenv("ALSOFT_DRIVERS", "none", 1), 0);
    const std::string module = writeFastTimeline();
    ::testing::internal::CaptureStderr();
    HMUSIC music = 0;
    double mostAhead = -1;
    double mostBehind = 0;
    double lastHeard = 0;
    const std::string console = captureConsole([&] {
        ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
        music = BASS_MusicLoad(false, module.c_str(), 0, 0, BASS_MUSIC_LOOP, 0);
        ASSERT_NE(music, 0u);
        const HSTREAM stream = BASS_StreamCreateFile(false, NERETHVAL_TEST_DATA_DIR "/tone441.mp3", 0, 0, 0);
        ASSERT_NE(stream, 0u);
        EXPECT_TRUE(BASS_ChannelPlay(stream, false));

        const Clock::time_point beforePlay = Clock::now();
        ASSERT_TRUE(BASS_ChannelPlay(music, false));
        const Clock::time_point afterPlay = Clock::now();
        while (secondsBetween(afterPlay, Clock::now()) < 0.6) {
            const Clock::time_point beforeQuery = Clock::now();
            const QWORD position = BASS_ChannelGetPosition(music, BASS_POS_MUSIC_ORDER);
            const Clock::time_point afterQuery = Clock::now();
            ASSERT_NE(position, ~QWORD(0));
            const double rowStart = ((position & 0xFFFF) * 64 + (position >> 16 & 0xFFFF)) * fastTimelineRowSeconds;
            lastHeard = rowStart;
            mostAhead = std::max(mostAhead, rowStart - secondsBetween(beforePlay, afterQuery));
            mostBehind = std::max(mostBehind, secondsBetween(afterPlay, beforeQuery) - (rowStart + fastTimelineRowSeconds));
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    const std::string errors = ::testing::internal::GetCapturedStderr();

    EXPECT_GT(lastHeard, 0.5) << "the position advanced";
    EXPECT_LT(mostAhead, 0.001);
    EXPECT_LT(mostBehind, 0.001);
    EXPECT_EQ(console, "") << "standard output carries only the demo's own lines";
    const std::size_t said = errors.find("no sound device");
    ASSERT_NE(said, std::string::npos) << errors;
    EXPECT_EQ(errors.find("no sound device", said + 1), std::string::npos) << "said once: " << errors;
}
