#pragma once
// The audio stand-in's inside: its channels (modules through libopenmpt, MP3 through libmpg123)
// and one of four clocks. With a sound device every playing channel is its own OpenAL source,
// queued ahead by our refill thread, so a channel started while the output runs is heard at once
// and whole. In a browser the page's audio context is the clock: a stream is decoded whole, ahead,
// in slices scheduled back to back on that clock, so no frame of the page's, however late, can
// starve it; modules are not heard there (the timeline is silent) and answer from the clock.
// Without a device the timeline runs on the steady clock; in offline mode the caller's frame count
// is the clock and the channels are mixed here. Positions are answered for the sample being heard,
// not the one last decoded.
//
//   data_window.cpp  the bytes of a file or of memory that a channel plays
//   decoders.cpp     libopenmpt and libmpg123, the MP3 tag probe, decoded frames and order marks
//   mixer.cpp        the clocks, taking frames from channels, the offline mix
//   device.cpp       the OpenAL device and its refill thread
//   page.cpp         the page's audio context: streams scheduled on it, its clock
//   bass.cpp         the five calls, offline mode and the close
#include <AL/al.h>
#include <AL/alc.h>
#include "al_extensions.h"  // OpenAL Soft's extension names, as this system has them

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <libopenmpt/libopenmpt.hpp>
#include <memory>
#include <mpg123.h>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "audio/bass.h"
#include "platform/files.h"

// Inside the stand-in only; the demo sees the five calls.
namespace audio {

constexpr QWORD failedPosition = ~QWORD(0);
constexpr std::size_t decodeBlock = 1024;           // frames
constexpr std::uint64_t largestFile = 256ull << 20;  // bytes; a bigger "file" is refused, not read
// Each device channel keeps 32 buffers of 1024 frames (743 ms) queued: queues of 186 ms and 372 ms
// each ran dry in a recording on a heavily loaded machine. A channel's start waits for no queue, so depth costs no
// latency; the caller's thread queues the first 8 (186 ms) and the refill thread the rest.
constexpr std::size_t deviceBlock = 1024;  // frames
constexpr int deviceBuffers = 32;
constexpr int primedBuffers = 8;

// A stream goes to the page in slices of a second at the demo's rate: the first is decoded in the
// call that starts it (about 20 ms in a browser), the rest one a task between the page's frames
// until the stream is whole.
constexpr std::size_t pageSlice = 44100;  // frames

enum class Output { None, Device, Page, Silent, Offline };

// A module position that holds from channel frame `frame` on.
struct PositionMark {
    std::uint64_t frame;
    DWORD order;
    DWORD row;
};

struct Mp3Deleter {
    void operator()(mpg123_handle* handle) const { mpg123_delete(handle); }
};

struct Channel {
    bool isModule = false;
    bool looping = false;
    // The data: `bytes` holds it for modules and for streams given from memory; a stream from a
    // file is read from `fd` as it plays, `length` bytes from `offset`.
    std::vector<char> bytes;
    int fd = -1;
    std::uint64_t offset = 0;
    std::uint64_t length = 0;
    std::uint64_t readPosition = 0;  // within the window, for the MP3 reader
    std::unique_ptr<openmpt::module> module;
    std::unique_ptr<mpg123_handle, Mp3Deleter> mp3;
    bool playing = false;
    bool ended = false;
    std::uint64_t startFrame = 0;       // clock frame at which channel frame 0 is heard (silent, offline)
    std::uint64_t decodedFrames = 0;    // channel frames decoded so far
    std::uint64_t takenFrames = 0;      // channel frames mixed or queued on the device so far
    std::vector<std::int16_t> pending;  // decoded, not yet taken: the frames just before decodedFrames
    std::vector<PositionMark> marks;    // oldest first
    // With a sound device:
    ALuint source = 0;
    ALuint buffers[deviceBuffers] = {};
    int buffersInUse = 0;              // the first ones of `buffers`, queued at least once since the start
    std::uint64_t unqueuedFrames = 0;  // frames of the buffers played and taken back from the queue
    std::uint64_t heardFrames = 0;     // latest answer of deviceHeardFrame, never lower until a restart
    // While the device is gone: the steady clock carries the channel on from frame `lostFrame` at `lostAt`.
    std::uint64_t lostFrame = 0;
    std::chrono::steady_clock::time_point lostAt;
    // On the page:
    double pageStart = 0.0;  // context seconds at which channel frame 0 plays

    ~Channel()
    {
        if (fd >= 0)
            closeFile(fd);
    }
};

struct Device {
    ALCdevice* device = nullptr;
    ALCcontext* context = nullptr;
    LPALGETSOURCEI64VSOFT getOffsetAndLatency = nullptr;  // where OpenAL can tell its latency
    LPALCREOPENDEVICESOFT reopen = nullptr;               // where OpenAL can move a device to a new output
    bool tellsConnected = false;                          // whether OpenAL says when the device is gone
    LPALCGETINTEGER64VSOFT getInteger64 = nullptr;        // for the device's clock, where OpenAL has one
    bool lost = false;                                    // the output went away; we try to open one again
    bool waitingToRun = false;                            // a device is open again, its clock not yet moving
    ALCint64SOFT clockAtOpen = 0;                         // nanoseconds
    std::chrono::steady_clock::time_point nextAttempt;    // of opening a device again
    std::thread refill;
    std::condition_variable wake;
    bool stopping = false;
    std::vector<std::int16_t> block;  // one buffer's worth, reused by every refill
};

// device.cpp: the refill thread stops and the device closes, which finishes its output; another
// can open after it.
void closeDevice();

struct Mixer {
    std::mutex lock;
    bool offlineRequested = false;
    Output output = Output::None;
    unsigned rate = 44100;
    std::vector<std::unique_ptr<Channel>> channels;  // handle = index + 1
    std::uint64_t mixedFrames = 0;                   // offline clock frames mixed so far
    std::uint64_t heardFrames = 0;                   // latest answer of heardFrame, never lower
    std::chrono::steady_clock::time_point silentStart;
    std::vector<std::int32_t> mixSum;        // reused by every mix, so mixing allocates only once
    std::vector<std::int16_t> unheardBlock;  // where an offline span nobody listens to is mixed
    std::vector<std::int16_t> pageBlock;     // one slice for the page, reused by every slice
    std::vector<float> pagePlanar;           // the same as the page takes it: its left, then its right
    bool pageSlicesWaiting = false;          // a task to schedule more slices on the page is due
    Device device;
};

// The one mixer; its lock guards everything in it.
extern Mixer mixer;

// data_window.cpp
// Reads the data window of a file or of memory; says why not when it cannot be played.
std::unique_ptr<Channel> readChannel(bool mem, const void* file, QWORD offset, QWORD length, bool isModule,
                                     std::string& problem);
// The window as libmpg123 reads it.
mpg123_ssize_t readWindow(void* handle, void* buffer, size_t size);
off_t seekWindow(void* handle, off_t offset, int whence);

// decoders.cpp
// (Re)starts the channel's decoder at its frame 0, output at `rate` frames a second.
bool openDecoder(Channel& channel, unsigned rate);
// Decodes up to channel frame `through`, keeping only the frames from `keepFrom` on.
void decodeThrough(Channel& channel, std::uint64_t through, std::uint64_t keepFrom);
void dropBefore(Channel& channel, std::uint64_t frame);

// mixer.cpp; mixer.lock must be held for each of these.
// The frame of the silent or offline clock being heard now, never lower than an earlier answer.
std::uint64_t heardFrame();
// The frame `start` plus the time since `since` on the steady clock.
std::uint64_t steadyFrame(std::uint64_t start, std::chrono::steady_clock::time_point since);
void forgetMarksBefore(Channel& channel, std::uint64_t frame);
// Adds the channel's next frameCount frames to target (silence past its end) and moves past them.
void takeFrames(Channel& channel, std::int32_t* target, std::size_t frameCount);
void takeFrames(Channel& channel, std::int16_t* target, std::size_t frameCount);
// Mixes the next frameCount offline clock frames of every playing channel.
void mixInto(std::int16_t* pcm, std::size_t frameCount);

// device.cpp
bool openDevice(unsigned rate);
// With mixer.lock held: queues the channel's first buffers from this thread and starts its
// source, so channel frame 0 goes to the device on its next update.
bool startOnDevice(Channel& channel);
// With mixer.lock held: the channel frame at the loudspeaker now; while the device is gone, the
// frame the steady clock has reached from the last one heard.
std::uint64_t deviceHeardFrame(Channel& channel);

// page.cpp, on the page that platform/page_audio.h opens; mixer.lock must be held for each of these.
// The frame of the page's clock being heard now.
std::uint64_t pageHeardFrame();
// Schedules the stream's first slice to play as soon as it can start whole, the rest to follow.
void startOnPage(Channel& channel, unsigned voice);

}  // namespace audio
