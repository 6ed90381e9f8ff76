#include "audio/channel.h"

#include <algorithm>
#include <cstdio>

namespace audio {

namespace {

using Clock = std::chrono::steady_clock;

// A lost output is looked for again this often: a few times a second, so that sound comes back
// soon after its device does, and never in a loop.
constexpr std::chrono::milliseconds reopenInterval(250);

void queueBlock(Channel& channel, ALuint buffer)
{
    std::vector<std::int16_t>& block = mixer.device.block;
    std::fill(block.begin(), block.end(), 0);
    takeFrames(channel, block.data(), deviceBlock);
    alBufferData(buffer, AL_FORMAT_STEREO16, block.data(), static_cast<ALsizei>(block.size() * sizeof(std::int16_t)),
                 static_cast<ALsizei>(mixer.rate));
    alSourceQueueBuffers(channel.source, 1, &buffer);
}

// OpenAL Soft marks the device disconnected before it stops the sources and calls their buffers
// played, so whatever was read from a source before this says true was read from a live device.
bool deviceConnected()
{
    ALCint connected = ALC_TRUE;
    if (mixer.device.tellsConnected)
        alcGetIntegerv(mixer.device.device, ALC_CONNECTED, 1, &connected);
    return connected == ALC_TRUE;
}

ALCint64SOFT deviceClock()
{
    ALCint64SOFT nanoseconds = 0;
    if (mixer.device.getInteger64)
        mixer.device.getInteger64(mixer.device.device, ALC_DEVICE_CLOCK_SOFT, 1, &nanoseconds);
    return nanoseconds;
}

// The music's place in seconds, for the lines about the device: the first module playing.
double musicSeconds()
{
    for (const std::unique_ptr<Channel>& channel : mixer.channels)
        if (channel->playing && channel->module)
            return static_cast<double>(channel->heardFrames) / mixer.rate;
    return 0.0;
}

// From here on every channel goes on from its last heard frame on the steady clock.
void noticeLoss()
{
    Device& output = mixer.device;
    const Clock::time_point now = Clock::now();
    output.lost = true;
    output.nextAttempt = now + reopenInterval;
    for (const std::unique_ptr<Channel>& channel : mixer.channels) {
        channel->lostFrame = channel->heardFrames;
        channel->lostAt = now;
    }
    std::fprintf(stderr, "audio: the sound device is gone at %.3f s of the music; the demo keeps its pace in silence\n",
                 musicSeconds());
}

// Moves the channel's decoding to `frame`, which is not before its first pending frame.
void skipTo(Channel& channel, std::uint64_t frame)
{
    // A stream is not decoded while nobody hears it: seek rather than decode the gap.
    if (channel.mp3 && frame > channel.decodedFrames) {
        const off_t reached = mpg123_seek(channel.mp3.get(), static_cast<off_t>(frame), SEEK_SET);
        if (reached >= 0) {
            channel.pending.clear();
            channel.decodedFrames = static_cast<std::uint64_t>(reached);
        }
    }
    decodeThrough(channel, frame, frame);
    channel.takenFrames = frame;
}

bool makeSource(Channel& channel)
{
    alGetError();
    alGenSources(1, &channel.source);
    alGenBuffers(deviceBuffers, channel.buffers);
    if (alGetError() != AL_NO_ERROR)
        return false;
    // Each channel of the stream straight to its loudspeaker, unchanged.
    if (alIsExtensionPresent("AL_SOFT_direct_channels"))
        alSourcei(channel.source, AL_DIRECT_CHANNELS_SOFT, AL_TRUE);
    return true;
}

// Queues the channel's first buffers from channel frame `frame` on and starts its source.
bool playOnDevice(Channel& channel, std::uint64_t frame)
{
    if (!channel.source) {
        if (!makeSource(channel))
            return false;
    } else {
        alSourceStop(channel.source);
        alSourcei(channel.source, AL_BUFFER, 0);
    }
    if (frame > 0)
        skipTo(channel, frame);
    channel.unqueuedFrames = frame;
    for (channel.buffersInUse = 0; channel.buffersInUse < primedBuffers; ++channel.buffersInUse)
        queueBlock(channel, channel.buffers[channel.buffersInUse]);
    alSourcePlay(channel.source);
    mixer.device.wake.notify_one();
    return true;
}

// Every playing channel starts again where the steady clock has it now, which is where the picture
// is. Its position then holds for the output's latency, until that frame is heard: a latency told
// by a stream that has just started can be far off, and the position must not run ahead of the
// sound.
void resumeChannels()
{
    Device& output = mixer.device;
    output.lost = false;
    for (const std::unique_ptr<Channel>& channel : mixer.channels) {
        if (!channel->playing)
            continue;
        if (!channel->source && !makeSource(*channel))
            continue;
        const std::uint64_t pendingFrom = channel->decodedFrames - channel->pending.size() / 2;
        const std::uint64_t frame = std::max(steadyFrame(channel->lostFrame, channel->lostAt), pendingFrom);
        channel->heardFrames = std::max(channel->heardFrames, frame);
        playOnDevice(*channel, frame);
    }
    std::fprintf(stderr, "audio: the sound device is back; the music goes on from %.3f s\n", musicSeconds());
}

// Debian's OpenAL Soft cannot move a device: the sources and buffers go with the old one, and a new
// device and context take its place.
void replaceDevice(ALCdevice* device, ALCcontext* context)
{
    Device& output = mixer.device;
    for (const std::unique_ptr<Channel>& channel : mixer.channels) {
        if (!channel->source)
            continue;
        alDeleteSources(1, &channel->source);
        alDeleteBuffers(deviceBuffers, channel->buffers);
        channel->source = 0;
    }
    alcMakeContextCurrent(context);
    alcDestroyContext(output.context);
    alcCloseDevice(output.device);
    output.device = device;
    output.context = context;
}

// Tries once to open the default device again. Opening can take a while, so the lock is let go
// meanwhile and the frames go on.
void tryToReopen(std::unique_lock<std::mutex>& guard)
{
    Device& output = mixer.device;
    const ALCint attributes[] = {ALC_FREQUENCY, static_cast<ALCint>(mixer.rate), 0};
    ALCdevice* device = nullptr;
    ALCcontext* context = nullptr;
    bool reopened = false;
    guard.unlock();
    if (output.reopen) {
        reopened = output.reopen(output.device, nullptr, attributes) == ALC_TRUE;
    } else if ((device = alcOpenDevice(nullptr))) {
        context = alcCreateContext(device, attributes);
        if (!context) {
            alcCloseDevice(device);
            device = nullptr;
        }
    }
    guard.lock();
    output.nextAttempt = Clock::now() + reopenInterval;
    if (context && output.stopping) {
        alcDestroyContext(context);
        alcCloseDevice(device);
        return;
    }
    if (context)
        replaceDevice(device, context);
    // A new output fills its first buffer at once, then may take a second to start (a sound
    // server's new stream does): the music waits for the device's clock to move, so that it
    // comes back where the picture is, not a second behind it.
    if (context || reopened) {
        output.waitingToRun = true;
        output.clockAtOpen = deviceClock();
    }
}

void refillOnDevice(Channel& channel)
{
    for (; channel.buffersInUse < deviceBuffers; ++channel.buffersInUse)
        queueBlock(channel, channel.buffers[channel.buffersInUse]);
    ALint processed = 0;
    ALint state = AL_PLAYING;
    alGetSourcei(channel.source, AL_BUFFERS_PROCESSED, &processed);
    alGetSourcei(channel.source, AL_SOURCE_STATE, &state);
    // A device that went away reports every buffer played: none of them was heard.
    if (!deviceConnected()) {
        noticeLoss();
        return;
    }
    for (; processed > 0; --processed) {
        ALuint buffer = 0;
        alSourceUnqueueBuffers(channel.source, 1, &buffer);
        channel.unqueuedFrames += deviceBlock;
        queueBlock(channel, buffer);
    }
    // Ran dry under load: play on from what is queued now; the position stays on what was heard.
    if (state == AL_STOPPED)
        alSourcePlay(channel.source);
}

void refillLoop()
{
    Device& output = mixer.device;
    std::unique_lock<std::mutex> guard(mixer.lock);
    while (!output.stopping) {
        if (output.lost && output.waitingToRun) {
            if (!deviceConnected()) {
                output.waitingToRun = false;
            } else if (deviceClock() > output.clockAtOpen || !output.getInteger64) {
                output.waitingToRun = false;
                resumeChannels();
                continue;
            }
            output.wake.wait_for(guard, std::chrono::milliseconds(5));
            continue;
        }
        if (output.lost) {
            if (Clock::now() >= output.nextAttempt)
                tryToReopen(guard);
            if (!output.waitingToRun)
                output.wake.wait_until(guard, output.nextAttempt);
            continue;
        }
        for (const std::unique_ptr<Channel>& channel : mixer.channels) {
            if (!channel->playing || !channel->source || output.lost)
                continue;
            // Every channel's heard frame is kept current, so that each goes on from its own after a loss.
            deviceHeardFrame(*channel);
            if (!output.lost)
                refillOnDevice(*channel);
        }
        output.wake.wait_for(guard, std::chrono::milliseconds(5));
    }
}

}  // namespace

bool startOnDevice(Channel& channel)
{
    channel.heardFrames = 0;
    if (mixer.device.lost) {
        // Heard on the steady clock from its start until a device is back.
        channel.lostFrame = 0;
        channel.lostAt = Clock::now();
        return true;
    }
    return playOnDevice(channel, 0);
}

// The source's offset in its queue, less the device's latency.
std::uint64_t deviceHeardFrame(Channel& channel)
{
    if (!mixer.device.lost) {
        ALint64SOFT offsetAndLatency[2] = {0, 0};  // 32.32 fixed-point frames; nanoseconds
        if (mixer.device.getOffsetAndLatency) {
            mixer.device.getOffsetAndLatency(channel.source, AL_SAMPLE_OFFSET_LATENCY_SOFT, offsetAndLatency);
        } else {
            ALint offset = 0;
            alGetSourcei(channel.source, AL_SAMPLE_OFFSET, &offset);
            offsetAndLatency[0] = static_cast<ALint64SOFT>(offset) << 32;
        }
        const double heard = static_cast<double>(channel.unqueuedFrames) +
                             static_cast<double>(offsetAndLatency[0] >> 32) -
                             static_cast<double>(offsetAndLatency[1]) * 1e-9 * mixer.rate;
        const std::uint64_t frame = heard > 0 ? std::min(static_cast<std::uint64_t>(heard), channel.takenFrames) : 0;
        if (deviceConnected())
            channel.heardFrames = std::max(channel.heardFrames, frame);
        else
            noticeLoss();
    }
    if (mixer.device.lost)
        channel.heardFrames = std::max(channel.heardFrames, steadyFrame(channel.lostFrame, channel.lostAt));
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
    output.tellsConnected = alcIsExtensionPresent(output.device, "ALC_EXT_disconnect");
    if (alcIsExtensionPresent(output.device, "ALC_SOFT_device_clock"))
        output.getInteger64 = reinterpret_cast<LPALCGETINTEGER64VSOFT>(alcGetProcAddress(output.device, "alcGetInteger64vSOFT"));
    if (alcIsExtensionPresent(output.device, "ALC_SOFT_reopen_device"))
        output.reopen = reinterpret_cast<LPALCREOPENDEVICESOFT>(alcGetProcAddress(output.device, "alcReopenDeviceSOFT"));
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
    output.device = nullptr;
    output.context = nullptr;
    output.stopping = false;
    output.lost = false;
    output.waitingToRun = false;
}

}  // namespace audio
