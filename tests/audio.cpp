// The audio stand-in in offline mode, where the clock moves only by the frames we render, so every
// position can be checked to the sample.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#include <vector>

#include "audio/bass.h"
#include "audio/bass_close.h"
#include "audio/bass_offline.h"
#include "runtime/timeline.h"

namespace {

const std::string timelineModule = std::string(NERETHVAL_BUILD_DIR "/data/") + timelineModuleFile;
const std::string toneMp3 = NERETHVAL_TEST_DATA_DIR "/tone441.mp3";
constexpr QWORD failed = ~QWORD(0);

// The timeline's grid as runtime/timeline.h works it out; the player must keep to it.
constexpr std::uint64_t timelineRow = timelineRowSamples;
constexpr std::uint64_t timelineOrder = timelineOrderSamples;
// The same 21 orders at speed 1 and 255 BPM: 432 frames a row, 27 648 an order.
constexpr std::uint64_t fastRow = 432;
constexpr std::uint64_t fastOrder = 64 * fastRow;

std::string fastTimeline()
{
    static const std::string path = [] {
        const std::string file = ::testing::TempDir() + "fast-timeline.xm";
        const std::string command = NERETHVAL_BUILD_DIR "/tools/sync/make-sync " + file + " 64 1 255";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
        return file;
    }();
    return path;
}

void startOfflineAudio()
{
    static const bool started = [] {
        bassSetOfflineMode(true);
        return BASS_Init(-1, 44100, 0, nullptr, nullptr) != 0;
    }();
    ASSERT_TRUE(started);
}

void advance(std::uint64_t frames)
{
    bassRenderOffline(frames, nullptr);
}

std::vector<std::int16_t> render(std::uint64_t frames)
{
    std::vector<std::int16_t> pcm(2 * frames, 12345);
    bassRenderOffline(frames, pcm.data());
    return pcm;
}

unsigned orderOf(QWORD position)
{
    return position & 0xFFFF;
}

unsigned rowOf(QWORD position)
{
    return (position >> 16) & 0xFFFF;
}

std::string writeFile(const std::string& name, const std::vector<char>& bytes)
{
    const std::string path = ::testing::TempDir() + name;
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
}

std::vector<char> readFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// A ProTracker module ("M.K."): three orders of one empty pattern at the format's default speed 6
// and 125 BPM, so 882 frames a tick, 5292 a row and 338 688 an order.
std::vector<char> emptyProTrackerModule()
{
    std::vector<char> mod(1084 + 64 * 4 * 4, 0);
    const char title[] = "not an xm";
    std::copy(title, title + sizeof(title) - 1, mod.begin());
    mod[950] = 3;    // song length
    mod[951] = 127;  // restart byte as ProTracker writes it
    const char tag[] = "M.K.";
    std::copy(tag, tag + 4, mod.begin() + 1080);
    return mod;
}

// Two silent MPEG-1 Layer III frames at 64 kbps, the first an Info tag that claims 0xFFFFFFFF frames.
std::vector<char> mp3ClaimingEndlessFrames(unsigned rate)
{
    const std::size_t frameBytes = 144 * 64000 / rate;
    std::vector<char> mp3(2 * frameBytes, 0);
    for (std::size_t frame = 0; frame < 2; ++frame) {
        const unsigned char header[4] = {0xFF, 0xFB, static_cast<unsigned char>(rate == 48000 ? 0x54 : 0x50), 0x00};
        std::copy(header, header + 4, mp3.begin() + static_cast<std::ptrdiff_t>(frame * frameBytes));
    }
    const char tag[] = "Info\0\0\0\x01\xFF\xFF\xFF\xFF";  // the frame count present, and the count
    std::copy(tag, tag + sizeof(tag) - 1, mp3.begin() + 36);       // after the header and 32 bytes of side information
    return mp3;
}

double threadCpuSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

}  // namespace

TEST(AudioStandIn, TimelineOrdersAndRowsChangeOnTheFramesTheTempoGives)
{
    startOfflineAudio();
    const HMUSIC music = BASS_MusicLoad(false, timelineModule.c_str(), 0, 0, BASS_MUSIC_LOOP, 0);
    ASSERT_NE(music, 0u);
    EXPECT_EQ(BASS_ChannelGetPosition(music, BASS_POS_MUSIC_ORDER), 0u) << "order 0, row 0 before playing";
    ASSERT_TRUE(BASS_ChannelPlay(music, false));
    EXPECT_EQ(BASS_ChannelGetPosition(music, BASS_POS_MUSIC_ORDER), 0u);

    std::uint64_t played = 0;
    auto playTo = [&](std::uint64_t frame) {
        advance(frame - played);
        played = frame;
        return BASS_ChannelGetPosition(music, BASS_POS_MUSIC_ORDER);
    };
    for (std::uint64_t row = 1; row < 64; ++row) {
        EXPECT_EQ(rowOf(playTo(row * timelineRow - 1)), row - 1);
        const QWORD position = playTo(row * timelineRow);
        EXPECT_EQ(orderOf(position), 0u);
        EXPECT_EQ(rowOf(position), row);
    }
    for (unsigned order = 1; order <= 20; ++order) {
        const QWORD lastOfPrevious = playTo(order * timelineOrder - 1);
        EXPECT_EQ(orderOf(lastOfPrevious), order - 1);
        EXPECT_EQ(rowOf(lastOfPrevious), 63u);
        EXPECT_EQ(playTo(order * timelineOrder), order) << "order " << order << " at row 0";
    }
    EXPECT_EQ(playTo(21 * timelineOrder - 1), 20u | 63u << 16);
    EXPECT_EQ(playTo(21 * timelineOrder), 0u) << "the loop returns to order 0";
    EXPECT_EQ(playTo(22 * timelineOrder + 5 * timelineRow), 1u | 5u << 16) << "and plays on";
}

TEST(AudioStandIn, WithoutTheLoopFlagTheModuleStaysAtItsEnd)
{
    startOfflineAudio();
    const HMUSIC music = BASS_MusicLoad(false, fastTimeline().c_str(), 0, 0, 0, 0);
    ASSERT_NE(music, 0u);
    ASSERT_TRUE(BASS_ChannelPlay(music, false));
    advance(22 * fastOrder);
    EXPECT_EQ(BASS_ChannelGetPosition(music, BASS_POS_MUSIC_ORDER), 20u | 63u << 16);
}

TEST(AudioStandIn, AnyModuleIsFoundByItsContentFromFileOrMemory)
{
    startOfflineAudio();
    const std::vector<char> mod = emptyProTrackerModule();
    const std::string path = writeFile("timeline.dat", mod);
    const HMUSIC fromFile = BASS_MusicLoad(false, path.c_str(), 0, 0, BASS_MUSIC_LOOP, 0);
    const HMUSIC fromMemory = BASS_MusicLoad(true, mod.data(), 0, static_cast<DWORD>(mod.size()), BASS_MUSIC_LOOP, 0);
    ASSERT_NE(fromFile, 0u);
    ASSERT_NE(fromMemory, 0u);
    EXPECT_NE(fromFile, fromMemory);
    ASSERT_TRUE(BASS_ChannelPlay(fromFile, false));
    ASSERT_TRUE(BASS_ChannelPlay(fromMemory, false));

    constexpr std::uint64_t modRow = 5292;
    constexpr std::uint64_t modOrder = 64 * modRow;
    advance(modRow - 1);
    EXPECT_EQ(BASS_ChannelGetPosition(fromFile, BASS_POS_MUSIC_ORDER), 0u);
    advance(1);
    EXPECT_EQ(BASS_ChannelGetPosition(fromFile, BASS_POS_MUSIC_ORDER), 1u << 16);
    advance(2 * modOrder - modRow - 1);
    EXPECT_EQ(BASS_ChannelGetPosition(fromFile, BASS_POS_MUSIC_ORDER), 1u | 63u << 16);
    EXPECT_EQ(BASS_ChannelGetPosition(fromMemory, BASS_POS_MUSIC_ORDER), 1u | 63u << 16);
    advance(1);
    EXPECT_EQ(BASS_ChannelGetPosition(fromFile, BASS_POS_MUSIC_ORDER), 2u);
    advance(modOrder);
    EXPECT_EQ(BASS_ChannelGetPosition(fromFile, BASS_POS_MUSIC_ORDER), 0u) << "three orders, then the loop";
}

TEST(AudioStandIn, MissingEmptyCorruptAndUnplayableFilesGiveNoHandleAndFailedCalls)
{
    startOfflineAudio();
    const std::vector<char> timeline = readFile(timelineModule);
    ASSERT_GT(timeline.size(), 400u);
    const std::string empty = writeFile("empty.xm", {});
    const std::string text = writeFile("text.xm", std::vector<char>(2000, 'x'));
    const std::string truncated = writeFile("truncated.xm", std::vector<char>(timeline.begin(), timeline.begin() + 80));
    const std::string missing = ::testing::TempDir() + "no-such-file.xm";
    // Neither read whole nor waited on: a folder, a FIFO with no writer, endless and oversized files.
    const std::string folder = ::testing::TempDir() + "folder.xm";
    const std::string fifo = ::testing::TempDir() + "fifo.xm";
    const std::string oversized = writeFile("oversized.xm", {});
    mkdir(folder.c_str(), 0700);
    mkfifo(fifo.c_str(), 0600);
    ASSERT_EQ(truncate(oversized.c_str(), (256 << 20) + 1), 0);
    const std::vector<std::string> unplayable = {folder, fifo, "/dev/zero", oversized};

    ::testing::internal::CaptureStderr();
    std::size_t failedLoads = 0;
    for (const std::vector<std::string>& paths : {std::vector<std::string>{missing, empty, text, truncated, toneMp3}, unplayable})
        for (const std::string& path : paths) {
            EXPECT_EQ(BASS_MusicLoad(false, path.c_str(), 0, 0, BASS_MUSIC_LOOP, 0), 0u) << path;
            ++failedLoads;
        }
    const std::string errors = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(static_cast<std::size_t>(std::count(errors.begin(), errors.end(), '\n')), failedLoads) << errors;
    EXPECT_NE(errors.find("audio: cannot load the module " + missing + ": No such file or directory"), std::string::npos)
        << "one line on standard error for each module that cannot be loaded: " << errors;
    for (const std::vector<std::string>& paths : {std::vector<std::string>{missing, empty, text}, unplayable})
        for (const std::string& path : paths)
            EXPECT_EQ(BASS_StreamCreateFile(false, path.c_str(), 0, 0, 0), 0u) << path;
    EXPECT_EQ(BASS_MusicLoad(true, timeline.data(), 0, 0, 0, 0), 0u) << "memory without a length";

    EXPECT_FALSE(BASS_ChannelPlay(0, false));
    EXPECT_FALSE(BASS_ChannelPlay(4000000, false));
    EXPECT_EQ(BASS_ChannelGetPosition(0, BASS_POS_MUSIC_ORDER), failed);
    EXPECT_EQ(BASS_ChannelGetPosition(4000000, BASS_POS_MUSIC_ORDER), failed);

    const HSTREAM stream = BASS_StreamCreateFile(false, toneMp3.c_str(), 0, 0, 0);
    ASSERT_NE(stream, 0u);
    EXPECT_EQ(BASS_ChannelGetPosition(stream, BASS_POS_MUSIC_ORDER), failed) << "a stream has no orders";
    const HMUSIC music = BASS_MusicLoad(false, timelineModule.c_str(), 0, 0, 0, 0);
    EXPECT_EQ(BASS_ChannelGetPosition(music, 0), failed) << "only the order mode is answered";
}

// A length tag that lies costs nothing: libmpg123 would step through every claimed frame to convert
// a 48 kHz stream to the output's 44.1 kHz. Measured in this thread's CPU time, which a busy machine
// does not stretch, against opening the real tone.
TEST(AudioStandIn, Mp3WhoseTagClaimsEndlessFramesOpensAtOnceAndPlaysWhatItHolds)
{
    startOfflineAudio();
    const double beforeTone = threadCpuSeconds();
    ASSERT_NE(BASS_StreamCreateFile(false, toneMp3.c_str(), 0, 0, 0), 0u);
    const double toneOpen = threadCpuSeconds() - beforeTone;
    for (const unsigned rate : {48000u, 44100u}) {
        const std::string path = writeFile("endless" + std::to_string(rate) + ".mp3", mp3ClaimingEndlessFrames(rate));
        const double before = threadCpuSeconds();
        const HSTREAM stream = BASS_StreamCreateFile(false, path.c_str(), 0, 0, 0);
        const double open = threadCpuSeconds() - before;
        std::cout << rate << " Hz: opened in " << open * 1000 << " ms of CPU (the tone: " << toneOpen * 1000 << " ms)\n";
        ASSERT_NE(stream, 0u) << rate;
        EXPECT_LT(open, 1.0 / 60 / 4) << rate << " Hz: opening takes well under a frame";
        ASSERT_TRUE(BASS_ChannelPlay(stream, false));
        const std::vector<std::int16_t> pcm = render(4410);
        EXPECT_TRUE(std::all_of(pcm.begin(), pcm.end(), [](std::int16_t sample) { return sample == 0; }))
            << rate << " Hz: its two silent frames, then nothing";
    }
}

TEST(AudioStandIn, Mp3StreamIsGaplessAndStartsAtTheFrameBeingHeard)
{
    startOfflineAudio();
    advance(1234);
    const HSTREAM stream = BASS_StreamCreateFile(false, toneMp3.c_str(), 0, 0, 0);
    ASSERT_NE(stream, 0u);
    advance(777);
    ASSERT_TRUE(BASS_ChannelPlay(stream, false));
    const std::vector<std::int16_t> pcm = render(48000);

    // The file holds exactly one second of a 441 Hz sine peaking near 2750: 100 frames a period.
    double worstError = 0;
    for (std::size_t frame = 0; frame < 44100; ++frame) {
        const double expected = 2750 * std::sin(2 * M_PI * static_cast<double>(frame) / 100);
        worstError = std::max(worstError, std::abs(pcm[2 * frame] - expected));
        ASSERT_EQ(pcm[2 * frame], pcm[2 * frame + 1]) << "frame " << frame;
    }
    EXPECT_LT(worstError, 300) << "no encoder delay: frame 0 of the stream is frame 0 of the tone";
    for (std::size_t frame = 44100; frame < 48000; ++frame)
        ASSERT_EQ(pcm[2 * frame], 0) << "no padding after the tone, frame " << frame;
}

TEST(AudioStandIn, PlayingChannelsAreMixedOnOneClock)
{
    startOfflineAudio();
    const HSTREAM first = BASS_StreamCreateFile(false, toneMp3.c_str(), 0, 0, 0);
    const std::vector<char> bytes = readFile(toneMp3);
    const HSTREAM second = BASS_StreamCreateFile(true, bytes.data(), 0, bytes.size(), 0);
    ASSERT_NE(first, 0u);
    ASSERT_NE(second, 0u);
    ASSERT_TRUE(BASS_ChannelPlay(first, false));
    advance(50);  // half a period later the second tone cancels the first
    ASSERT_TRUE(BASS_ChannelPlay(second, false));
    const std::vector<std::int16_t> pcm = render(400);
    for (std::size_t frame = 0; frame < 400; ++frame)
        EXPECT_LT(std::abs(pcm[2 * frame]), 500) << "frame " << frame;

    advance(50);
    const HSTREAM third = BASS_StreamCreateFile(true, bytes.data(), 0, bytes.size(), 0);
    ASSERT_TRUE(BASS_ChannelPlay(third, false));
    const std::vector<std::int16_t> reinforced = render(100);
    // Five periods after the first, the third is in phase with it and the second cancels one: one tone remains.
    EXPECT_GT(reinforced[2 * 25], 2500);
    EXPECT_LT(reinforced[2 * 75], -2500);
}

TEST(AudioStandIn, PlayOnAPlayingChannelGoesOnAndRestartBeginsAgain)
{
    startOfflineAudio();
    const HMUSIC music = BASS_MusicLoad(false, fastTimeline().c_str(), 0, 0, BASS_MUSIC_LOOP, 0);
    ASSERT_TRUE(BASS_ChannelPlay(music, false));
    advance(3 * fastOrder + 2 * fastRow);
    EXPECT_TRUE(BASS_ChannelPlay(music, false));
    EXPECT_EQ(BASS_ChannelGetPosition(music, BASS_POS_MUSIC_ORDER), 3u | 2u << 16);
    EXPECT_TRUE(BASS_ChannelPlay(music, true));
    EXPECT_EQ(BASS_ChannelGetPosition(music, BASS_POS_MUSIC_ORDER), 0u);
    advance(fastOrder);
    EXPECT_EQ(BASS_ChannelGetPosition(music, BASS_POS_MUSIC_ORDER), 1u);
}

TEST(AudioStandIn, SecondInitialisationFailsAndKeepsTheClockUntilClosed)
{
    startOfflineAudio();
    EXPECT_FALSE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
    const HMUSIC music = BASS_MusicLoad(false, fastTimeline().c_str(), 0, 0, BASS_MUSIC_LOOP, 0);
    ASSERT_TRUE(BASS_ChannelPlay(music, false));
    advance(fastOrder);
    EXPECT_EQ(BASS_ChannelGetPosition(music, BASS_POS_MUSIC_ORDER), 1u);

    // Closed, the stand-in has freed its channels; opened again, its clock starts over.
    bassClose();
    EXPECT_EQ(BASS_ChannelGetPosition(music, BASS_POS_MUSIC_ORDER), failed);
    bassSetOfflineMode(true);
    ASSERT_TRUE(BASS_Init(-1, 44100, 0, nullptr, nullptr));
    const HMUSIC again = BASS_MusicLoad(false, fastTimeline().c_str(), 0, 0, BASS_MUSIC_LOOP, 0);
    ASSERT_TRUE(BASS_ChannelPlay(again, false));
    EXPECT_EQ(BASS_ChannelGetPosition(again, BASS_POS_MUSIC_ORDER), 0u);
    advance(fastOrder);
    EXPECT_EQ(BASS_ChannelGetPosition(again, BASS_POS_MUSIC_ORDER), 1u);
}
