// The audio stand-in: channels (modules through libopenmpt, MP3 through libmpg123) mixed on
// one sample clock. The clock is the output stream's playing offset when a sound device
// exists, the steady clock when none does, and the caller's frame count in offline mode.
// Positions are answered for the sample being heard, not the one last decoded.
#include "platform/bass.h"
#include "platform/bass_offline.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <SFML/Audio/SoundStream.hpp>
#include <algorithm>
#include <chrono>
#include <fstream>
#include <iostream>
#include <iterator>
#include <libopenmpt/libopenmpt.hpp>
#include <memory>
#include <mpg123.h>
#include <mutex>
#include <vector>

namespace {

constexpr QWORD failedPosition = ~QWORD(0);
constexpr std::size_t decodeBlock = 1024;  // frames

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
    std::vector<char> file;  // kept so that a restart can reopen the decoder
    bool isModule = false;
    bool looping = false;
    std::unique_ptr<openmpt::module> module;
    std::unique_ptr<mpg123_handle, Mp3Deleter> mp3;
    bool playing = false;
    bool ended = false;
    std::uint64_t startFrame = 0;       // clock frame at which channel frame 0 is heard
    std::uint64_t decodedFrames = 0;    // channel frames decoded so far
    std::vector<std::int16_t> pending;  // decoded, not yet mixed: the frames just before decodedFrames
    std::vector<PositionMark> marks;    // oldest first
};

class OutputStream;

struct Mixer {
    std::mutex lock;
    bool offlineRequested = false;
    Output output = Output::None;
    unsigned rate = 44100;
    std::vector<std::unique_ptr<Channel>> channels;  // handle = index + 1
    std::uint64_t mixedFrames = 0;                   // clock frames handed to the output so far
    std::uint64_t heardFrames = 0;                   // latest answer of heardFrame, never lower
    std::chrono::steady_clock::time_point silentStart;
    std::vector<std::int32_t> mixSum;        // reused by every mix, so mixing allocates only once
    std::vector<std::int16_t> unheardBlock;  // where an offline span nobody listens to is mixed
    std::unique_ptr<OutputStream> stream;  // last, so it stops before the channels go
};

Mixer mixer;

void mixInto(std::int16_t* pcm, std::size_t frameCount);

// The one output: SFML pulls the mix from its streaming thread in blocks of 50 ms;
// it queues three, and shorter blocks ran dry on a loaded machine.
class OutputStream : public sf::SoundStream {
public:
    explicit OutputStream(unsigned rate) : block(2 * static_cast<std::size_t>(rate / 20)) { initialize(2, rate); }
    ~OutputStream() override { stop(); }

    // Seconds from the playing offset to the loudspeaker, where OpenAL can tell.
    double deviceLatency() const
    {
        static const LPALGETSOURCEDVSOFT getSourcedv =
            alIsExtensionPresent("AL_SOFT_source_latency")
                ? reinterpret_cast<LPALGETSOURCEDVSOFT>(alGetProcAddress("alGetSourcedvSOFT"))
                : nullptr;
        ALdouble offsetAndLatency[2] = {0, 0};
        if (getSourcedv)
            getSourcedv(m_source, AL_SEC_OFFSET_LATENCY_SOFT, offsetAndLatency);
        return offsetAndLatency[1];
    }

private:
    bool onGetData(Chunk& data) override
    {
        {
            std::lock_guard<std::mutex> guard(mixer.lock);
            mixInto(block.data(), block.size() / 2);
        }
        data.samples = block.data();
        data.sampleCount = block.size();
        return true;
    }
    void onSeek(sf::Time) override {}

    std::vector<sf::Int16> block;
};

bool soundDeviceExists()
{
    ALCdevice* device = alcOpenDevice(nullptr);
    if (!device)
        return false;
    alcCloseDevice(device);
    return true;
}

std::uint64_t heardFrame()
{
    std::uint64_t frame = mixer.mixedFrames;
    if (mixer.output == Output::Silent) {
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - mixer.silentStart;
        frame = static_cast<std::uint64_t>(elapsed.count() * mixer.rate);
    } else if (mixer.output == Output::Device) {
        const double heard = mixer.stream->getPlayingOffset().asSeconds() - mixer.stream->deviceLatency();
        frame = std::min(static_cast<std::uint64_t>(std::max(heard, 0.0) * mixer.rate), frame);
    }
    mixer.heardFrames = std::max(mixer.heardFrames, frame);
    return mixer.heardFrames;
}

bool openDecoder(Channel& channel)
{
    channel.module.reset();
    channel.mp3.reset();
    if (channel.isModule) {
        std::ostream discardLog(nullptr);
        try {
            channel.module = std::make_unique<openmpt::module>(channel.file, discardLog);
        } catch (...) {
            return false;
        }
        channel.module->set_repeat_count(channel.looping ? -1 : 0);
        // Without the loop, end at the last row rather than fading out through a restart.
        channel.module->ctl_set_text("play.at_end", "stop");
        channel.marks = {{0, static_cast<DWORD>(channel.module->get_current_order()),
                          static_cast<DWORD>(channel.module->get_current_row())}};
    } else {
        channel.mp3.reset(mpg123_new(nullptr, nullptr));
        mpg123_handle* mp3 = channel.mp3.get();
        long rate = 0;
        int channels = 0;
        int encoding = 0;
        // Gapless decoding drops the encoder's delay and padding, so frame 0 is the first real sample.
        if (!mp3 || mpg123_param(mp3, MPG123_ADD_FLAGS, MPG123_GAPLESS | MPG123_FORCE_STEREO | MPG123_QUIET, 0) ||
            mpg123_format_none(mp3) || mpg123_format(mp3, mixer.rate, MPG123_STEREO, MPG123_ENC_SIGNED_16) ||
            mpg123_open_feed(mp3) ||
            mpg123_feed(mp3, reinterpret_cast<const unsigned char*>(channel.file.data()), channel.file.size()) ||
            mpg123_getformat(mp3, &rate, &channels, &encoding) != MPG123_OK)
            return false;
        channel.marks.clear();
    }
    channel.ended = false;
    channel.decodedFrames = 0;
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

// Mixes the next frameCount clock frames of every playing channel; mixer.lock must be held.
void mixInto(std::int16_t* pcm, std::size_t frameCount)
{
    std::vector<std::int32_t>& sum = mixer.mixSum;
    sum.assign(2 * frameCount, 0);
    const std::uint64_t blockEnd = mixer.mixedFrames + frameCount;
    for (const std::unique_ptr<Channel>& channel : mixer.channels) {
        if (!channel->playing)
            continue;
        const std::uint64_t from = std::max(mixer.mixedFrames, channel->startFrame);
        if (from >= blockEnd)
            continue;
        // A channel started at a frame that is already mixed skips what it missed.
        const std::uint64_t first = from - channel->startFrame;
        const std::uint64_t wanted = blockEnd - from;
        decodeThrough(*channel, first + wanted, first);
        const std::size_t available = std::min<std::size_t>(wanted, channel->pending.size() / 2);
        std::int32_t* target = sum.data() + 2 * (from - mixer.mixedFrames);
        for (std::size_t i = 0; i < 2 * available; ++i)
            target[i] += channel->pending[i];
        dropBefore(*channel, first + available);
        if (channel->module && first > mixer.rate)
            forgetMarksBefore(*channel, first - mixer.rate);
    }
    for (std::size_t i = 0; i < sum.size(); ++i)
        pcm[i] = static_cast<std::int16_t>(std::clamp(sum[i], -32768, 32767));
    mixer.mixedFrames = blockEnd;
}

Channel* channelOf(DWORD handle)
{
    return handle >= 1 && handle <= mixer.channels.size() ? mixer.channels[handle - 1].get() : nullptr;
}

DWORD addChannel(bool mem, const void* file, QWORD offset, QWORD length, bool isModule, bool looping)
{
    auto channel = std::make_unique<Channel>();
    channel->isModule = isModule;
    channel->looping = looping;
    if (mem) {
        if (!file || length == 0)
            return 0;
        const char* bytes = static_cast<const char*>(file);
        channel->file.assign(bytes, bytes + length);
    } else {
        if (!file)
            return 0;
        std::ifstream in(static_cast<const char*>(file), std::ios::binary);
        in.seekg(static_cast<std::streamoff>(offset));
        channel->file.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (length > 0 && length < channel->file.size())
            channel->file.resize(length);
    }
    if (channel->file.empty())
        return 0;

    std::lock_guard<std::mutex> guard(mixer.lock);
    if (mixer.output == Output::None || !openDecoder(*channel))
        return 0;
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
    // Without a device SFML's stream would report Playing while stuck at offset 0 (and spin its
    // thread), so the timeline runs on the steady clock instead.
    if (soundDeviceExists()) {
        mixer.output = Output::Device;
        mixer.stream = std::make_unique<OutputStream>(freq);
        mixer.stream->play();
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
    if (restart && !openDecoder(*channel))
        return 0;
    channel->playing = true;
    channel->startFrame = heardFrame();
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
        const std::uint64_t heard = heardFrame();
        frame = heard - channel->startFrame;
        // In silence nothing is mixed, so nothing before the heard frame is kept.
        const std::uint64_t frontier = mixer.output == Output::Silent ? heard : mixer.mixedFrames;
        decodeThrough(*channel, frame + 1, frontier > channel->startFrame ? frontier - channel->startFrame : 0);
    }
    forgetMarksBefore(*channel, frame);
    const PositionMark& mark = channel->marks.front();
    return static_cast<QWORD>(mark.order & 0xFFFF) | static_cast<QWORD>(mark.row & 0xFFFF) << 16;
}
