#pragma once
// Captions: the one shared text object, centred once per scene, faded in, held and faded out.

struct CaptionFader {
    float elapsed = 0.0f;  // seconds in the current phase
    int phase = 0;         // 0 fade-in, 1 hold, 2 fade-out (final)
    float alpha = 0.0f;    // 0-255
};

void setupCaption(unsigned int characterSize, const char* text, float y);
void advanceCaptionFader(CaptionFader& fader, float fadeIn, float hold, float fadeOut);
