#include <algorithm>

#include "audio/channel.h"
#include "platform/page_audio.h"

namespace audio {

namespace {

bool slicesLeft(const Channel& channel)
{
    return channel.playing && !channel.module && !(channel.ended && channel.takenFrames >= channel.decodedFrames);
}

// Decodes the stream's next slice and schedules it right after the one before; the first sets
// the stream's start once it is decoded, so the time spent decoding cannot make it late.
void scheduleSlice(Channel& channel, unsigned voice)
{
    std::vector<std::int16_t>& block = mixer.pageBlock;
    block.assign(2 * pageSlice, 0);
    const std::uint64_t first = channel.takenFrames;
    takeFrames(channel, block.data(), pageSlice);
    const std::uint64_t last = channel.ended ? std::min(channel.decodedFrames, first + pageSlice) : first + pageSlice;
    if (first == 0)
        channel.pageStart = pageAudioStartTime();
    if (last > first)
        pageAudioPlay(voice, block.data(), static_cast<std::size_t>(last - first),
                      channel.pageStart + static_cast<double>(first) / mixer.rate);
}

void scheduleMoreSlices()
{
    std::lock_guard<std::mutex> guard(mixer.lock);
    mixer.pageSlicesWaiting = false;
    for (std::size_t i = 0; i < mixer.channels.size(); ++i) {
        Channel& channel = *mixer.channels[i];
        if (slicesLeft(channel))
            scheduleSlice(channel, static_cast<unsigned>(i + 1));
        mixer.pageSlicesWaiting = mixer.pageSlicesWaiting || slicesLeft(channel);
    }
    if (mixer.pageSlicesWaiting)
        pageAudioLater(scheduleMoreSlices);
}

}  // namespace

bool openPage(unsigned rate)
{
    return openPageAudio(rate);
}

std::uint64_t pageHeardFrame()
{
    return static_cast<std::uint64_t>(pageAudioHeardTime() * mixer.rate);
}

void startOnPage(Channel& channel, unsigned voice)
{
    pageAudioStop(voice);
    scheduleSlice(channel, voice);
    if (!mixer.pageSlicesWaiting) {
        mixer.pageSlicesWaiting = true;
        pageAudioLater(scheduleMoreSlices);
    }
}

}  // namespace audio
