// The audio stand-in with a sound device: OpenAL Soft's wave writer, which consumes the output in
// real time and keeps it in a file. The position must follow what has been played, and every
// stream must be heard whole, within one frame of the position that started it.
#include <gtest/gtest.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <mpg123.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "audio/bass.h"
#include "support/support.h"

using Clock = std::chrono::steady_clock;

namespace {

const std::string deviceWav = ::testing::TempDir() + "device.wav";

// Once per process: OpenAL reads its configuration when it is first used. Small device periods
// (two of 256 frames) as on a low-latency output; 16-bit samples with no dither or limiter, so the
// file holds the streams' own samples.
void startWaveDevice()
{
    static const bool started = [] {
        const std::string config = ::testing::TempDir() + "alsoft.conf";
        std::ofstream(config) << "[general]\ndrivers = wave\nperiod_size = 256\nperiods = 2\nfrequency = 44100\n"
                                 "sample-type = int16\ndither = false\noutput-limiter = false\n[wave]\nfile = "
                              << deviceWav << "\n";
        setenv("ALSOFT_CONF", config.c_str(), 1);
        setenv("ALSOFT_DRIVERS", "wave", 1);
        return BASS_Init(-1, 44100, 0, nullptr, nullptr) != 0;
    }();
    ASSERT_TRUE(started);
}

// The frames the device has mixed since it opened: OpenAL's device clock, in nanoseconds.
std::int64_t mixedFrames()
{
    static const auto getInteger64 =
        reinterpret_cast<LPALCGETINTEGER64VSOFT>(alcGetProcAddress(nullptr, "alcGetInteger64vSOFT"));
    ALCint64SOFT nanoseconds = 0;
    getInteger64(alcGetContextsDevice(alcGetCurrentContext()), ALC_DEVICE_CLOCK_SOFT, 1, &nanoseconds);
    // The clock is whole frames truncated to nanoseconds: rounding gives the frames back.
    return (nanoseconds * 44100 + 500000000) / 1000000000;
}

double mixedSeconds()
{
    return double(mixedFrames()) / 44100.0;
}

// The interleaved 16-bit stereo frames of the device's file so far, and where they start in it.
std::vector<std::int16_t> recordedFrames(std::uint64_t& dataStart)
{
    std::ifstream file(deviceWav, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    dataStart = bytes.find("data") + 8;
    std::vector<std::int16_t> frames((bytes.size() - dataStart) / 4 * 2);
    std::copy_n(bytes.data() + dataStart, frames.size() * 2, reinterpret_cast<char*>(frames.data()));
    return frames;
}

// The right channel of the whole MP3 as libmpg123 decodes it, gapless.
std::vector<std::int16_t> decodedRight(const std::string& path)
{
    mpg123_handle* mp3 = mpg123_new(nullptr, nullptr);
    mpg123_param(mp3, MPG123_ADD_FLAGS, MPG123_GAPLESS | MPG123_FORCE_STEREO | MPG123_QUIET, 0);
    mpg123_format_none(mp3);
    mpg123_format(mp3, 44100, MPG123_STEREO, MPG123_ENC_SIGNED_16);
    std::vector<std::int16_t> right;
    if (mpg123_open(mp3, path.c_str()) == MPG123_OK) {
        std::int16_t pcm[2048];
        int result = MPG123_OK;
        while (result == MPG123_OK || result == MPG123_NEW_FORMAT) {
            std::size_t bytes = 0;
            result = mpg123_read(mp3, pcm, sizeof(pcm), &bytes);
            for (std::size_t i = 1; i < bytes / 2; i += 2)
                right.push_back(pcm[i]);
        }
    }
    mpg123_delete(mp3);
    return right;
}

}  // namespace

TEST(AudioDevice, PositionFollowsTheFramesPlayedNotThoseDecodedAhead)
{
    startWaveDevice();
    const std::string module = writeFastTimeline();
    ::testing::internal::CaptureStderr();
    const HMUSIC music = BASS_MusicLoad(false, module.c_str(), 0, 0, BASS_MUSIC_LOOP, 0);
    ASSERT_NE(music, 0u);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // let the output settle

    // Judged against the device's own clock: on a busy machine its mixer may fall behind the wall
    // clock, and the position must follow the mixer, not the wall.
    const double beforePlay = mixedSeconds();
    ASSERT_TRUE(BASS_ChannelPlay(music, false));
    const double afterPlay = mixedSeconds();
    double mostAhead = -1;
    double mostBehind = 0;
    double lastHeard = 0;
    const Clock::time_point started = Clock::now();
    while (mixedSeconds() - afterPlay < 2.0) {
        ASSERT_LT(secondsBetween(started, Clock::now()), 120.0) << "the device's clock stands still";
        const double beforeQuery = mixedSeconds();
        const QWORD position = BASS_ChannelGetPosition(music, BASS_POS_MUSIC_ORDER);
        const double afterQuery = mixedSeconds();
        ASSERT_NE(position, ~QWORD(0));
        const double rowStart = ((position & 0xFFFF) * 64 + (position >> 16 & 0xFFFF)) * fastTimelineRowSeconds;
        ASSERT_GE(rowStart, lastHeard) << "the position never goes back";
        lastHeard = rowStart;
        mostAhead = std::max(mostAhead, rowStart - (afterQuery - beforePlay));
        mostBehind = std::max(mostBehind, (beforeQuery - afterPlay) - (rowStart + fastTimelineRowSeconds));
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
    }
    const std::string errors = ::testing::internal::GetCapturedStderr();
    std::cout << "ahead at most " << mostAhead * 1000 << " ms, behind at most " << mostBehind * 1000 << " ms\n";
    EXPECT_GT(lastHeard, 0.5) << "the position advanced";
    // Reporting the decoded position instead would run about 740 ms ahead: 32 buffers of 1024
    // frames queued, plus the device's own latency.
    EXPECT_LT(mostAhead, 0.03) << "the position never runs ahead of what has been played";
    // A position that left out the queue would lag by its whole 740 ms.
    EXPECT_LT(mostBehind, 0.3) << "the position keeps up with the clock";
    EXPECT_EQ(errors.find("no sound device"), std::string::npos) << errors;
}

// The recording shows where each order begins (the timeline clicks on the left at every order's
// first row) and where the MP3 is heard (the tone alone on the right). Everything is judged on the
// device's own sample clock, the frames its writer has mixed: a busy machine that starves the
// writer or this thread delays both the recording and the answers alike.
TEST(AudioDevice, StreamsAreHeardWholeWithinAFrameOfThePositionThatStartedThem)
{
    startWaveDevice();
    const std::string module = ::testing::TempDir() + "clicks.xm";
    const std::string command = NERETHVAL_BUILD_DIR "/tools/sync/make-sync --clicks " + module + " 64 1 255";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    const std::string toneMp3 = NERETHVAL_TEST_DATA_DIR "/tone441.mp3";
    const HMUSIC music = BASS_MusicLoad(false, module.c_str(), 0, 0, BASS_MUSIC_LOOP, 0);
    ASSERT_NE(music, 0u);
    ASSERT_TRUE(alcIsExtensionPresent(alcGetContextsDevice(alcGetCurrentContext()), "ALC_SOFT_device_clock"));

    // Like the demo's frame loop, but every 2 ms; each answer is bracketed by the mixed frames
    // before and after it. It runs until the device has mixed three orders and a half (with a
    // generous limit in wall time, should the device stop).
    constexpr unsigned orders = 4;
    constexpr std::int64_t orderFrames = 64 * 432;
    struct Answer {
        std::int64_t mixedBefore;
        std::int64_t mixedAfter;
        unsigned order;
    };
    std::vector<Answer> answers;
    std::int64_t playBefore = -1;
    std::int64_t playAfter = -1;
    const std::int64_t begin = mixedFrames();
    const Clock::time_point start = Clock::now();
    ASSERT_TRUE(BASS_ChannelPlay(music, false));
    while (mixedFrames() < begin + orderFrames * 7 / 2 && secondsBetween(start, Clock::now()) < 60) {
        Answer answer{mixedFrames(), 0, 0};
        answer.order = BASS_ChannelGetPosition(music, BASS_POS_MUSIC_ORDER) & 0xFFFF;
        answer.mixedAfter = mixedFrames();
        answers.push_back(answer);
        if (answer.order == 1 && playBefore < 0) {
            playBefore = mixedFrames();
            ASSERT_TRUE(BASS_ChannelPlay(BASS_StreamCreateFile(false, toneMp3.c_str(), 0, 0, 0), false));
            playAfter = mixedFrames();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    ASSERT_GE(playBefore, 0) << "order 1 was never given";

    // The file's frame n is the device's mixed frame n: the file holds all but what the writer's
    // stdio buffer keeps back (4 KiB, 1024 frames). The device is paused while both are read, so
    // that a writer preempted between mixing a period and writing it cannot be caught halfway.
    const auto pauseDevice = reinterpret_cast<LPALCDEVICEPAUSESOFT>(alcGetProcAddress(nullptr, "alcDevicePauseSOFT"));
    const auto resumeDevice =
        reinterpret_cast<LPALCDEVICERESUMESOFT>(alcGetProcAddress(nullptr, "alcDeviceResumeSOFT"));
    ALCdevice* device = alcGetContextsDevice(alcGetCurrentContext());
    pauseDevice(device);
    std::uint64_t dataStart = 0;
    const std::vector<std::int16_t> recorded = recordedFrames(dataStart);
    const long long frameCount = static_cast<long long>(recorded.size() / 2);
    const std::int64_t mixed = mixedFrames();
    resumeDevice(device);
    ASSERT_LE(frameCount, mixed);
    ASSERT_GE(frameCount + 1024 + 256, mixed) << "the recording and the device's clock count the same frames";

    // The tone is the same on both sides, so left minus right is the timeline's clicks alone.
    std::vector<long long> clicks;
    for (long long frame = begin; frame < frameCount; ++frame)
        if (std::abs(recorded[2 * frame] - recorded[2 * frame + 1]) > 1000 &&
            (clicks.empty() || frame - clicks.back() > 4410))
            clicks.push_back(frame);
    ASSERT_GE(clicks.size(), orders) << "one click per order, order 0's included";

    // Every answer names the order whose click had been mixed by then, and not the one before it
    // once the next click had been mixed: each within a 60 Hz frame of the device's clock.
    const std::int64_t frame = 44100 / 60;
    std::vector<int> firstAnswer(orders, -1);
    for (std::size_t i = 0; i < answers.size(); ++i) {
        const Answer& answer = answers[i];
        ASSERT_LT(answer.order, orders) << "answer " << i;
        if (firstAnswer[answer.order] < 0)
            firstAnswer[answer.order] = static_cast<int>(i);
        EXPECT_LE(clicks[answer.order], answer.mixedAfter + frame)
            << "order " << answer.order << " given before its first frame was mixed";
        if (answer.order + 1 < orders) {
            EXPECT_GT(clicks[answer.order + 1], answer.mixedBefore - frame)
                << "order " << answer.order << " still given after order " << answer.order + 1 << " was mixed";
        }
    }
    for (unsigned order = 0; order < orders; ++order) {
        ASSERT_GE(firstAnswer[order], 0) << "order " << order << " was given";
        const Answer& answer = answers[static_cast<std::size_t>(firstAnswer[order])];
        std::cout << "order " << order << " first given " << (answer.mixedBefore - clicks[order]) * 1000.0 / 44100
                  << " to " << (answer.mixedAfter - clicks[order]) * 1000.0 / 44100
                  << " ms of mixed sound after its click\n";
    }

    // The tone ends abruptly, so its last sound places the whole MP3 in the recording.
    const std::vector<std::int16_t> tone = decodedRight(toneMp3);
    ASSERT_EQ(tone.size(), 44100u);
    long long lastSound = frameCount - 1;
    while (lastSound > 0 && recorded[2 * lastSound + 1] == 0)
        --lastSound;
    long long lastToneSound = static_cast<long long>(tone.size()) - 1;
    while (lastToneSound > 0 && tone[lastToneSound] == 0)
        --lastToneSound;
    const long long mp3Start = lastSound - lastToneSound;
    long long firstHeard = lastToneSound + 1;
    while (firstHeard > 0 && mp3Start + firstHeard - 1 >= 0 &&
           recorded[2 * (mp3Start + firstHeard - 1) + 1] == tone[firstHeard - 1])
        --firstHeard;
    EXPECT_EQ(firstHeard, 0) << "the first MP3 sample heard";
    std::cout << "MP3 sample 0 mixed " << (mp3Start - playBefore) * 1000.0 / 44100 << " ms after the play call began, "
              << (mp3Start - clicks[1]) * 1000.0 / 44100 << " ms after order 1's click\n";
    EXPECT_GE(mp3Start, playBefore) << "not heard before it was started";
    EXPECT_LE(mp3Start, playAfter + frame) << "heard within a frame of its start";
}
