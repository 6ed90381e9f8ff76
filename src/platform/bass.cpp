// The audio stand-in: channels (modules through libopenmpt, MP3 through libmpg123) and one of three
// clocks. With a sound device every playing channel is its own OpenAL source, queued ahead by our
// refill thread, so a channel started while the output runs is heard at once and whole. Without a
// device the timeline runs on the steady clock; in offline mode the caller's frame count is the
// clock and the channels are mixed here. Positions are answered for the sample being heard, not the
// one last decoded.
#include "platform/bass.h"
#include "platform/bass_offline.h"
#include "platform/system.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <iostream>
#include <iterator>
#include <libopenmpt/libopenmpt.hpp>
#include <memory>
#include <mpg123.h>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr QWORD failedPosition = ~QWORD(0);
constexpr std::size_t decodeBlock = 1024;           // frames
constexpr std::uint64_t largestFile = 256ull << 20;  // bytes; a bigger "file" is refused, not read
// Each device channel keeps 32 buffers of 1024 frames (743 ms) queued: queues of 186 ms and 372 ms
// each ran dry in a recording on a heavily loaded machine. A channel's start waits for no queue, so depth costs no
// latency; the caller's thread queues the first 8 (186 ms) and the refill thread the rest.
constexpr std::size_t deviceBlock = 1024;  // frames
constexpr int deviceBuffers = 32;
constexpr int primedBuffers = 8;

enum class Output { None, Device, Silent, Offline };

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

    ~Channel()
    {
        if (fd >= 0)
            close(fd);
    }
};

struct Device {
    ALCdevice* device = nullptr;
    ALCcontext* context = nullptr;
    LPALGETSOURCEI64VSOFT getOffsetAndLatency = nullptr;  // where OpenAL can tell its latency
    std::thread refill;
    std::condition_variable wake;
    bool stopping = false;
    std::vector<std::int16_t> block;  // one buffer's worth, reused by every refill
};

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
    Device device;

    // The refill thread stops and the device closes (which finishes its output) before the channels go.
    ~Mixer() { closeDevice(); }
};

Mixer mixer;

// The window's reader for libmpg123: the file is read as the stream plays, never copied whole.
mpg123_ssize_t readWindow(void* handle, void* buffer, size_t size)
{
    Channel& channel = *static_cast<Channel*>(handle);
    const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(size, channel.length - channel.readPosition));
    ssize_t read = static_cast<ssize_t>(count);
    if (channel.fd >= 0)
        read = readAt(channel.fd, buffer, count, channel.offset + channel.readPosition);
    else
        std::memcpy(buffer, channel.bytes.data() + channel.readPosition, count);
    if (read > 0)
        channel.readPosition += static_cast<std::uint64_t>(read);
    return read;
}

off_t seekWindow(void* handle, off_t offset, int whence)
{
    Channel& channel = *static_cast<Channel*>(handle);
    const off_t base = whence == SEEK_SET   ? 0
                       : whence == SEEK_CUR ? static_cast<off_t>(channel.readPosition)
                                            : static_cast<off_t>(channel.length);
    const off_t position = base + offset;
    if (position < 0 || static_cast<std::uint64_t>(position) > channel.length)
        return -1;
    channel.readPosition = static_cast<std::uint64_t>(position);
    return position;
}

// Opens a regular file of at most largestFile bytes, or says why not. Opening does not block on a
// FIFO, and a FIFO, a device such as /dev/zero or a directory is refused.
int openRegularFile(const char* path, std::uint64_t& size, std::string& problem)
{
    const int fd = openForReading(path);
    if (fd < 0) {
        problem = std::strerror(errno);
        return -1;
    }
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        problem = "not a regular file";
    else if (static_cast<std::uint64_t>(info.st_size) > largestFile)
        problem = "larger than 256 MiB";
    else
        size = static_cast<std::uint64_t>(info.st_size);
    if (problem.empty())
        return fd;
    close(fd);
    return -1;
}

// The frame of the silent or offline clock being heard now, never lower than an earlier answer.
std::uint64_t heardFrame()
{
    std::uint64_t frame = mixer.mixedFrames;
    if (mixer.output == Output::Silent) {
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - mixer.silentStart;
        frame = static_cast<std::uint64_t>(elapsed.count() * mixer.rate);
    }
    mixer.heardFrames = std::max(mixer.heardFrames, frame);
    return mixer.heardFrames;
}

// Whether the stream's Info tag claims more frames than its bytes could hold (no MPEG audio frame is
// smaller than 24 bytes). libmpg123, converting to another rate, steps through every claimed frame
// as it opens the stream: four billion of them take a minute. A probe at the stream's own rate
// reads the claim from the first frames without that walk.
bool claimsMoreFramesThanItHolds(Channel& channel)
{
    std::unique_ptr<mpg123_handle, Mp3Deleter> probe(mpg123_new(nullptr, nullptr));
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    channel.readPosition = 0;
    if (!probe || mpg123_param(probe.get(), MPG123_ADD_FLAGS, MPG123_QUIET, 0) ||
        mpg123_replace_reader_handle(probe.get(), readWindow, seekWindow, nullptr) ||
        mpg123_open_handle(probe.get(), &channel) ||
        mpg123_getformat(probe.get(), &rate, &channels, &encoding) != MPG123_OK)
        return false;
    return static_cast<std::uint64_t>(std::max<off_t>(mpg123_framelength(probe.get()), 0)) > channel.length / 24;
}

bool openDecoder(Channel& channel, unsigned rate)
{
    channel.module.reset();
    channel.mp3.reset();
    if (channel.isModule) {
        std::ostream discardLog(nullptr);
        try {
            channel.module = std::make_unique<openmpt::module>(channel.bytes, discardLog);
        } catch (...) {
            return false;
        }
        channel.module->set_repeat_count(channel.looping ? -1 : 0);
        // Without the loop, end at the last row rather than fading out through a restart.
        channel.module->ctl_set_text("play.at_end", "stop");
        channel.marks = {{0, static_cast<DWORD>(channel.module->get_current_order()),
                          static_cast<DWORD>(channel.module->get_current_row())}};
    } else {
        // Gapless decoding drops the encoder's delay and padding, so frame 0 is the first real sample;
        // a tag that lies about the length is not read at all, and its file plays from its first frame.
        const long flags = MPG123_GAPLESS | MPG123_FORCE_STEREO | MPG123_QUIET |
                           (claimsMoreFramesThanItHolds(channel) ? MPG123_IGNORE_INFOFRAME : 0);
        channel.mp3.reset(mpg123_new(nullptr, nullptr));
        mpg123_handle* mp3 = channel.mp3.get();
        long formatRate = 0;
        int channels = 0;
        int encoding = 0;
        channel.readPosition = 0;
        if (!mp3 || mpg123_param(mp3, MPG123_ADD_FLAGS, flags, 0) ||
            mpg123_format_none(mp3) || mpg123_format(mp3, rate, MPG123_STEREO, MPG123_ENC_SIGNED_16) ||
            mpg123_replace_reader_handle(mp3, readWindow, seekWindow, nullptr) ||
            mpg123_open_handle(mp3, &channel) ||
            mpg123_getformat(mp3, &formatRate, &channels, &encoding) != MPG123_OK)
            return false;
        channel.marks.clear();
    }
    channel.ended = false;
    channel.decodedFrames = 0;
    channel.takenFrames = 0;
    channel.pending.clear();
    return true;
}

void dropBefore(Channel& channel, std::uint64_t frame)
{
    const std::uint64_t pendingFrames = channel.pending.size() / 2;
    const std::uint64_t firstPending = channel.decodedFrames - pendingFrames;
    if (frame <= firstPending)
        return;
    const std::uint64_t dropped = std::min(frame - firstPending, pendingFrames);
    channel.pending.erase(channel.pending.begin(), channel.pending.begin() + static_cast<std::ptrdiff_t>(2 * dropped));
}

void decodeStep(Channel& channel, std::uint64_t wanted)
{
    std::int16_t pcm[2 * decodeBlock];
    std::size_t frames = 0;
    if (channel.module) {
        // One frame a call: libopenmpt's position is that of the last frame it decoded, so this
        // places every change of order or row on its exact frame.
        const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(wanted, decodeBlock));
        for (; frames < count; ++frames) {
            if (channel.module->read_interleaved_stereo(static_cast<std::int32_t>(mixer.rate), 1, pcm + 2 * frames) == 0) {
                channel.ended = true;
                break;
            }
            const DWORD order = static_cast<DWORD>(channel.module->get_current_order());
            const DWORD row = static_cast<DWORD>(channel.module->get_current_row());
            if (order != channel.marks.back().order || row != channel.marks.back().row)
                channel.marks.push_back({channel.decodedFrames + frames, order, row});
        }
    } else {
        std::size_t bytes = 0;
        const int result = mpg123_read(channel.mp3.get(), pcm, sizeof(pcm), &bytes);
        frames = bytes / (2 * sizeof(std::int16_t));
        channel.ended = result != MPG123_OK && result != MPG123_NEW_FORMAT;
    }
    channel.pending.insert(channel.pending.end(), pcm, pcm + 2 * frames);
    channel.decodedFrames += frames;
}

// Decodes up to channel frame `through`, keeping only the frames from `keepFrom` on.
void decodeThrough(Channel& channel, std::uint64_t through, std::uint64_t keepFrom)
{
    dropBefore(channel, keepFrom);
    while (channel.decodedFrames < through && !channel.ended) {
        decodeStep(channel, through - channel.decodedFrames);
        dropBefore(channel, keepFrom);
    }
}

void forgetMarksBefore(Channel& channel, std::uint64_t frame)
{
    auto firstKept = channel.marks.begin();
    while (std::next(firstKept) != channel.marks.end() && std::next(firstKept)->frame <= frame)
        ++firstKept;
    channel.marks.erase(channel.marks.begin(), firstKept);
}

// Adds the channel's next frameCount frames to target (silence past its end) and moves past them.
template <typename Sample>
void takeFrames(Channel& channel, Sample* target, std::size_t frameCount)
{
    const std::uint64_t first = channel.takenFrames;
    decodeThrough(channel, first + frameCount, first);
    const std::size_t available = std::min<std::size_t>(frameCount, channel.pending.size() / 2);
    for (std::size_t i = 0; i < 2 * available; ++i)
        target[i] += channel.pending[i];
    channel.takenFrames = first + frameCount;
    dropBefore(channel, channel.takenFrames);
    if (channel.module && channel.takenFrames > mixer.rate)
        forgetMarksBefore(channel, channel.takenFrames - mixer.rate);
}

// Mixes the next frameCount offline clock frames of every playing channel; mixer.lock must be held.
void mixInto(std::int16_t* pcm, std::size_t frameCount)
{
    std::vector<std::int32_t>& sum = mixer.mixSum;
    sum.assign(2 * frameCount, 0);
    for (const std::unique_ptr<Channel>& channel : mixer.channels)
        if (channel->playing)
            takeFrames(*channel, sum.data(), frameCount);
    for (std::size_t i = 0; i < sum.size(); ++i)
        pcm[i] = static_cast<std::int16_t>(std::clamp(sum[i], -32768, 32767));
    mixer.mixedFrames += frameCount;
}

// Device mode; mixer.lock must be held for each of these.

void queueBlock(Channel& channel, ALuint buffer)
{
    std::vector<std::int16_t>& block = mixer.device.block;
    std::fill(block.begin(), block.end(), 0);
    takeFrames(channel, block.data(), deviceBlock);
    alBufferData(buffer, AL_FORMAT_STEREO16, block.data(), static_cast<ALsizei>(block.size() * sizeof(std::int16_t)),
                 static_cast<ALsizei>(mixer.rate));
    alSourceQueueBuffers(channel.source, 1, &buffer);
}

// Queues the channel's first buffers from this thread and starts its source, so channel frame 0
// goes to the device on its next update.
bool startOnDevice(Channel& channel)
{
    if (!channel.source) {
        alGetError();
        alGenSources(1, &channel.source);
        alGenBuffers(deviceBuffers, channel.buffers);
        if (alGetError() != AL_NO_ERROR)
            return false;
        // Each channel of the stream straight to its loudspeaker, unchanged.
        if (alIsExtensionPresent("AL_SOFT_direct_channels"))
            alSourcei(channel.source, AL_DIRECT_CHANNELS_SOFT, AL_TRUE);
    } else {
        alSourceStop(channel.source);
        alSourcei(channel.source, AL_BUFFER, 0);
    }
    channel.unqueuedFrames = 0;
    channel.heardFrames = 0;
    for (channel.buffersInUse = 0; channel.buffersInUse < primedBuffers; ++channel.buffersInUse)
        queueBlock(channel, channel.buffers[channel.buffersInUse]);
    alSourcePlay(channel.source);
    mixer.device.wake.notify_one();
    return true;
}

void refillOnDevice(Channel& channel)
{
    for (; channel.buffersInUse < deviceBuffers; ++channel.buffersInUse)
        queueBlock(channel, channel.buffers[channel.buffersInUse]);
    ALint processed = 0;
    alGetSourcei(channel.source, AL_BUFFERS_PROCESSED, &processed);
    for (; processed > 0; --processed) {
        ALuint buffer = 0;
        alSourceUnqueueBuffers(channel.source, 1, &buffer);
        channel.unqueuedFrames += deviceBlock;
        queueBlock(channel, buffer);
    }
    // Ran dry under load: play on from what is queued now; the position stays on what was heard.
    ALint state = AL_PLAYING;
    alGetSourcei(channel.source, AL_SOURCE_STATE, &state);
    if (state == AL_STOPPED)
        alSourcePlay(channel.source);
}

void refillLoop()
{
    std::unique_lock<std::mutex> guard(mixer.lock);
    while (!mixer.device.stopping) {
        for (const std::unique_ptr<Channel>& channel : mixer.channels)
            if (channel->playing && channel->source)
                refillOnDevice(*channel);
        mixer.device.wake.wait_for(guard, std::chrono::milliseconds(5));
    }
}

// The channel frame at the loudspeaker now: the source's offset in its queue, less the device's latency.
std::uint64_t deviceHeardFrame(Channel& channel)
{
    ALint64SOFT offsetAndLatency[2] = {0, 0};  // 32.32 fixed-point frames; nanoseconds
    if (mixer.device.getOffsetAndLatency) {
        mixer.device.getOffsetAndLatency(channel.source, AL_SAMPLE_OFFSET_LATENCY_SOFT, offsetAndLatency);
    } else {
        ALint offset = 0;
        alGetSourcei(channel.source, AL_SAMPLE_OFFSET, &offset);
        offsetAndLatency[0] = static_cast<ALint64SOFT>(offset) << 32;
    }
    const double heard = static_cast<double>(channel.unqueuedFrames) + static_cast<double>(offsetAndLatency[0] >> 32) -
                         static_cast<double>(offsetAndLatency[1]) * 1e-9 * mixer.rate;
    const std::uint64_t frame = heard > 0 ? std::min(static_cast<std::uint64_t>(heard), channel.takenFrames) : 0;
    channel.heardFrames = std::max(channel.heardFrames, frame);
    return channel.heardFrames;
}

bool openDevice(unsigned rate)
{
    Device& output = mixer.device;
    output.device = alcOpenDevice(nullptr);
    if (!output.device)
        return false;
    const ALCint attributes[] = {ALC_FREQUENCY, static_cast<ALCint>(rate), 0};
    output.context = alcCreateContext(output.device, attributes);
    if (!output.context || !alcMakeContextCurrent(output.context)) {
        if (output.context)
            alcDestroyContext(output.context);
        alcCloseDevice(output.device);
        output.device = nullptr;
        return false;
    }
    if (alIsExtensionPresent("AL_SOFT_source_latency"))
        output.getOffsetAndLatency = reinterpret_cast<LPALGETSOURCEI64VSOFT>(alGetProcAddress("alGetSourcei64vSOFT"));
    output.block.assign(2 * deviceBlock, 0);
    output.refill = std::thread(refillLoop);
    return true;
}

void closeDevice()
{
    Device& output = mixer.device;
    if (!output.device)
        return;
    {
        std::lock_guard<std::mutex> guard(mixer.lock);
        output.stopping = true;
    }
    output.wake.notify_all();
    output.refill.join();
    for (const std::unique_ptr<Channel>& channel : mixer.channels) {
        if (!channel->source)
            continue;
        alSourceStop(channel->source);
        alDeleteSources(1, &channel->source);
        alDeleteBuffers(deviceBuffers, channel->buffers);
    }
    alcMakeContextCurrent(nullptr);
    alcDestroyContext(output.context);
    alcCloseDevice(output.device);
}

Channel* channelOf(DWORD handle)
{
    return handle >= 1 && handle <= mixer.channels.size() ? mixer.channels[handle - 1].get() : nullptr;
}

// Reads the data window of a file or of memory; says why not when it cannot be played.
std::unique_ptr<Channel> readChannel(bool mem, const void* file, QWORD offset, QWORD length, bool isModule,
                                     std::string& problem)
{
    auto channel = std::make_unique<Channel>();
    channel->isModule = isModule;
    std::uint64_t size = 0;
    if (mem) {
        if (length == 0) {
            problem = "no length given";
            return nullptr;
        }
        size = length;
        offset = 0;
    } else {
        channel->fd = openRegularFile(static_cast<const char*>(file), size, problem);
        if (channel->fd < 0)
            return nullptr;
    }
    channel->offset = std::min<std::uint64_t>(offset, size);
    channel->length = size - channel->offset;
    if (length > 0)
        channel->length = std::min<std::uint64_t>(length, channel->length);
    if (channel->length == 0) {
        problem = "empty";
        return nullptr;
    }
    if (channel->length > largestFile) {
        problem = "larger than 256 MiB";
        return nullptr;
    }
    if (mem) {
        const char* bytes = static_cast<const char*>(file);
        channel->bytes.assign(bytes, bytes + channel->length);
    } else if (isModule) {
        // A module is small and libopenmpt wants it whole.
        channel->bytes.resize(channel->length);
        if (readAt(channel->fd, channel->bytes.data(), channel->length, channel->offset) !=
            static_cast<std::int64_t>(channel->length)) {
            problem = "cannot be read";
            return nullptr;
        }
        close(channel->fd);
        channel->fd = -1;
    }
    return channel;
}

DWORD addChannel(bool mem, const void* file, QWORD offset, QWORD length, bool isModule, bool looping)
{
    unsigned rate = 0;
    {
        std::lock_guard<std::mutex> guard(mixer.lock);
        if (mixer.output == Output::None || !file)
            return 0;
        rate = mixer.rate;
    }
    std::string problem;
    std::unique_ptr<Channel> channel = readChannel(mem, file, offset, length, isModule, problem);
    if (channel) {
        channel->looping = looping;
        if (!openDecoder(*channel, rate))
            problem = isModule ? "not a module" : "not an MP3 stream";
    }
    if (!problem.empty()) {
        // The timeline is the one load whose failure leaves the picture black; say why.
        if (isModule)
            std::cerr << "audio: cannot load the module " << (mem ? "given in memory" : static_cast<const char*>(file))
                      << ": " << problem << std::endl;
        return 0;
    }
    std::lock_guard<std::mutex> guard(mixer.lock);
    mixer.channels.push_back(std::move(channel));
    return static_cast<DWORD>(mixer.channels.size());
}

}  // namespace

void bassSetOfflineMode(bool offline)
{
    std::lock_guard<std::mutex> guard(mixer.lock);
    mixer.offlineRequested = offline;
}

void bassRenderOffline(std::uint64_t frameCount, std::int16_t* pcm)
{
    constexpr std::uint64_t blockFrames = 4096;
    std::lock_guard<std::mutex> guard(mixer.lock);
    if (!pcm)
        mixer.unheardBlock.resize(2 * blockFrames);
    for (std::uint64_t done = 0; done < frameCount; done += blockFrames) {
        const std::uint64_t frames = std::min(blockFrames, frameCount - done);
        std::int16_t* target = pcm ? pcm + 2 * done : mixer.unheardBlock.data();
        if (mixer.output == Output::Offline)
            mixInto(target, frames);
        else
            std::fill(target, target + 2 * frames, 0);
    }
}

BOOL BASS_Init(int, DWORD freq, DWORD, void*, const void*)
{
    std::lock_guard<std::mutex> guard(mixer.lock);
    if (mixer.output != Output::None || freq == 0)
        return 0;
    mixer.rate = freq;
    if (mixer.offlineRequested) {
        mixer.output = Output::Offline;
        return 1;
    }
    if (openDevice(freq)) {
        mixer.output = Output::Device;
        return 1;
    }
    std::cerr << "audio: no sound device; the demo runs in silence" << std::endl;
    mixer.output = Output::Silent;
    mixer.silentStart = std::chrono::steady_clock::now();
    return 1;
}

HMUSIC BASS_MusicLoad(BOOL mem, const void* file, QWORD offset, DWORD length, DWORD flags, DWORD)
{
    return addChannel(mem, file, offset, length, true, (flags & BASS_MUSIC_LOOP) != 0);
}

HSTREAM BASS_StreamCreateFile(BOOL mem, const void* file, QWORD offset, QWORD length, DWORD)
{
    return addChannel(mem, file, offset, length, false, false);
}

BOOL BASS_ChannelPlay(DWORD handle, BOOL restart)
{
    std::lock_guard<std::mutex> guard(mixer.lock);
    Channel* channel = channelOf(handle);
    if (!channel)
        return 0;
    if (channel->playing && !restart)
        return 1;
    if (restart && !openDecoder(*channel, mixer.rate))
        return 0;
    if (mixer.output == Output::Device) {
        if (!startOnDevice(*channel))
            return 0;
    } else {
        channel->startFrame = heardFrame();
    }
    channel->playing = true;
    return 1;
}

QWORD BASS_ChannelGetPosition(DWORD handle, DWORD mode)
{
    std::lock_guard<std::mutex> guard(mixer.lock);
    Channel* channel = channelOf(handle);
    if (!channel || !channel->module || mode != BASS_POS_MUSIC_ORDER)
        return failedPosition;
    std::uint64_t frame = 0;
    if (channel->playing) {
        frame = mixer.output == Output::Device ? deviceHeardFrame(*channel) : heardFrame() - channel->startFrame;
        // In silence nothing is taken, so nothing before the heard frame is kept.
        decodeThrough(*channel, frame + 1, mixer.output == Output::Silent ? frame : channel->takenFrames);
    }
    forgetMarksBefore(*channel, frame);
    const PositionMark& mark = channel->marks.front();
    return static_cast<QWORD>(mark.order & 0xFFFF) | static_cast<QWORD>(mark.row & 0xFFFF) << 16;
}
