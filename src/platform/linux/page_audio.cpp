#include "platform/page_audio.h"

// No page here: opening fails, so the stand-in never asks for the rest.
bool openPageAudio(unsigned)
{
    return false;
}

double pageAudioHeardTime()
{
    return 0.0;
}

double pageAudioStartTime()
{
    return 0.0;
}

void pageAudioPlay(unsigned, const std::int16_t*, std::size_t, double) {}

void pageAudioStop(unsigned) {}

void pageAudioLater(void (*)()) {}
