#include "audio/channel.h"

#include <algorithm>
#include <iterator>

namespace audio {

Mixer mixer;

namespace {

template <typename Sample>
void takeSamples(Channel& channel, Sample* target, std::size_t frameCount)
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

}  // namespace

std::uint64_t heardFrame()
{
    std::uint64_t frame = mixer.mixedFrames;
    if (mixer.output == Output::Silent) {
        frame = steadyFrame(0, mixer.silentStart);
    } else if (mixer.output == Output::Page) {
        frame = pageHeardFrame();
    }
    mixer.heardFrames = std::max(mixer.heardFrames, frame);
    return mixer.heardFrames;
}

std::uint64_t steadyFrame(std::uint64_t start, std::chrono::steady_clock::time_point since)
{
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - since;
    return start + static_cast<std::uint64_t>(elapsed.count() * mixer.rate);
}

void forgetMarksBefore(Channel& channel, std::uint64_t frame)
{
    auto firstKept = channel.marks.begin();
    while (std::next(firstKept) != channel.marks.end() && std::next(firstKept)->frame <= frame)
        ++firstKept;
    channel.marks.erase(channel.marks.begin(), firstKept);
}

void takeFrames(Channel& channel, std::int32_t* target, std::size_t frameCount)
{
    takeSamples(channel, target, frameCount);
}

void takeFrames(Channel& channel, std::int16_t* target, std::size_t frameCount)
{
    takeSamples(channel, target, frameCount);
}

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

}  // namespace audio
