#include "audio/channel.h"

#include <algorithm>

namespace audio {

namespace {

void queueBlock(Channel& channel, ALuint buffer)
{
    std::vector<std::int16_t>& block = mixer.device.block;
    std::fill(block.begin(), block.end(), 0);
    takeFrames(channel, block.data(), deviceBlock);
    alBufferData(buffer, AL_FORMAT_STEREO16, block.data(), static_cast<ALsizei>(block.size() * sizeof(std::int16_t)),
                 static_cast<ALsizei>(mixer.rate));
    alSourceQueueBuffers(channel.source, 1, &buffer);
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

}  // namespace

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

// The source's offset in its queue, less the device's latency.
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

}  // namespace audio
