#include "audio/bass.h"
#include "audio/bass_close.h"
#include "audio/bass_offline.h"

#include <iostream>

#include "audio/channel.h"
#include "platform/page_audio.h"

using namespace audio;

namespace {

Channel* channelOf(DWORD handle)
{
    return handle >= 1 && handle <= mixer.channels.size() ? mixer.channels[handle - 1].get() : nullptr;
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

void bassClose()
{
    closeDevice();
    std::lock_guard<std::mutex> guard(mixer.lock);
    mixer.channels.clear();
    mixer.offlineRequested = false;
    mixer.output = Output::None;
    mixer.mixedFrames = 0;
    mixer.heardFrames = 0;
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
    if (openPageAudio(freq)) {
        mixer.output = Output::Page;
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
        if (mixer.output == Output::Page && !channel->module)
            startOnPage(*channel, handle);
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
        // In silence, on the page and while the device is gone a module is not taken, so nothing
        // before the heard frame is kept.
        const bool taken = (mixer.output == Output::Device && !mixer.device.lost) || mixer.output == Output::Offline;
        decodeThrough(*channel, frame + 1, taken ? channel->takenFrames : frame);
    }
    forgetMarksBefore(*channel, frame);
    const PositionMark& mark = channel->marks.front();
    return static_cast<QWORD>(mark.order & 0xFFFF) | static_cast<QWORD>(mark.row & 0xFFFF) << 16;
}
