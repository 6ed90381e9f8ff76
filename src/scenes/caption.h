#pragma once
// Captions: the one shared text object, centred once per scene, faded in, held and faded out.

struct CaptionFader {
    float elapsed = 0.0f;  // seconds in the current phase
    int phase = 0;         // 0 fade-in, 1 hold, 2 fade-out (final)
    float alpha = 0.0f;    // 0-255
};

// The captions' character sizes: scene 01's verse, the title lines of scenes 02 and 04, and the
// verses of the reveals in scenes 05 to 10.
constexpr unsigned openingCaptionSize = 44;
constexpr unsigned titleCaptionSize = 64;
constexpr unsigned verseCaptionSize = 58;

void setupCaption(unsigned int characterSize, const char* text, float y);
void advanceCaptionFader(CaptionFader& fader, float fadeIn, float hold, float fadeOut);
