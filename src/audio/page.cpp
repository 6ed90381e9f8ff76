#include <algorithm>

#include "audio/channel.h"
#include "platform/page_audio.h"

namespace audio {

namespace {

bool slicesLeft(const Channel& channel)
{
    return channel.playing && !channel.module && !(channel.ended && channel.takenFrames >= channel.decodedFrames);
}

// Decodes the stream's next slice and schedules it right after the one before. The first starts
// where the page can still start it whole, once it is decoded and handed over, so the time that
// takes cannot make the stream late or shift the slices after it.
void scheduleSlice(Channel& channel, unsigned voice)
{
    std::vector<std::int16_t>& block = mixer.pageBlock;
    block.assign(2 * pageSlice, 0);
    const std::uint64_t first = channel.takenFrames;
    takeFrames(channel, block.data(), pageSlice);
    const std::uint64_t last = channel.ended ? std::min(channel.decodedFrames, first + pageSlice) : first + pageSlice;
    if (last <= first)
        return;
    const std::size_t frameCount = static_cast<std::size_t>(last - first);
    std::vector<float>& planar = mixer.pagePlanar;
    planar.resize(2 * pageSlice);
    for (std::size_t i = 0; i < frameCount; ++i) {
        planar[i] = block[2 * i] / 32768.0f;
        planar[pageSlice + i] = block[2 * i + 1] / 32768.0f;
    }
    const double when = first == 0 ? -1.0 : channel.pageStart + static_cast<double>(first) / mixer.rate;
    const double started = pageAudioPlay(voice, planar.data(), planar.data() + pageSlice, frameCount, when);
    if (first == 0)
        channel.pageStart = started;
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
