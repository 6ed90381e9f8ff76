// LAME encoding of the finished soundtrack.
#include "music_mp3.h"

#include <lame/lame.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <stdexcept>

namespace {

void append(std::vector<unsigned char>& mp3, const std::vector<unsigned char>& buffer, int bytes)
{
    if (bytes < 0)
        throw std::runtime_error("LAME failed to encode the soundtrack (" + std::to_string(bytes) + ")");
    mp3.insert(mp3.end(), buffer.begin(), buffer.begin() + bytes);
}

} // namespace

std::vector<unsigned char> encodeMp3(const StereoBuffer& audio)
{
    lame_t lame = lame_init();
    if (!lame)
        throw std::runtime_error("LAME could not start");
    lame_set_in_samplerate(lame, sampleRate);
    lame_set_out_samplerate(lame, sampleRate);
    lame_set_num_channels(lame, 2);
    lame_set_mode(lame, JOINT_STEREO);
    lame_set_VBR(lame, vbr_default);
    lame_set_VBR_quality(lame, 2.0f);
    lame_set_bWriteVbrTag(lame, 1);
    lame_set_write_id3tag_automatic(lame, 0);
    if (lame_init_params(lame) < 0) {
        lame_close(lame);
        throw std::runtime_error("LAME rejected the soundtrack's settings");
    }

    const int chunk = 8192;
    std::vector<float> interleaved(2 * size_t(chunk));
    std::vector<unsigned char> buffer(size_t(chunk + chunk / 4 + 7200));
    std::vector<unsigned char> mp3;
    const int frames = int(audio.left.size());
    for (int start = 0; start < frames; start += chunk) {
        const int count = std::min(chunk, frames - start);
        for (int i = 0; i < count; ++i) {
            interleaved[2 * size_t(i)] = audio.left[size_t(start + i)];
            interleaved[2 * size_t(i) + 1] = audio.right[size_t(start + i)];
        }
        append(mp3, buffer,
               lame_encode_buffer_interleaved_ieee_float(lame, interleaved.data(), count, buffer.data(),
                                                         int(buffer.size())));
    }
    append(mp3, buffer, lame_encode_flush(lame, buffer.data(), int(buffer.size())));

    // The stream opens with a blank frame reserved for the tag; fill it now that lengths are known.
    std::vector<unsigned char> tag(8192);
    const size_t tagBytes = lame_get_lametag_frame(lame, tag.data(), tag.size());
    lame_close(lame);
    if (tagBytes == 0 || tagBytes > tag.size() || tagBytes > mp3.size())
        throw std::runtime_error("LAME gave no tag frame for the soundtrack");
    std::memcpy(mp3.data(), tag.data(), tagBytes);
    return mp3;
}
