#include "platform/page_audio.h"

// Linux and Windows: no page here, so opening fails, so the stand-in never asks for the rest.
bool openPageAudio(unsigned)
{
    return false;
}

double pageAudioHeardTime()
{
    return 0.0;
}

double pageAudioPlay(unsigned, const float*, const float*, std::size_t, double)
{
    return 0.0;
}

void pageAudioStop(unsigned) {}

void closePageAudio() {}

void pageAudioLater(void (*)()) {}
