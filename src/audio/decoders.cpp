#include "audio/channel.h"

#include <algorithm>
#include <ostream>

namespace audio {

namespace {

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

}  // namespace

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

void decodeThrough(Channel& channel, std::uint64_t through, std::uint64_t keepFrom)
{
    dropBefore(channel, keepFrom);
    while (channel.decodedFrames < through && !channel.ended) {
        decodeStep(channel, through - channel.decodedFrames);
        dropBefore(channel, keepFrom);
    }
}

}  // namespace audio
