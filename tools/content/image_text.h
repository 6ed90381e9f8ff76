#pragma once
// Text for the title and credits, rasterised with FreeType from the caption font.
#include <string>
#include <vector>

#include "image_canvas.h"

// Coverage of a line of text, cropped to its ink and padded by margin pixels on every side.
struct TextMask {
    int width = 0;
    int height = 0;
    std::vector<float> coverage;  // 0..1, row by row
};

// tracking: extra pixels between letters. Returns an empty mask if the font cannot be read.
TextMask rasteriseText(const std::string& fontPath, const std::string& text, int pixelSize, int tracking,
                       int margin);

// Puts the text with its ink centred on centre: a glow of glowColour (blurred by glowSigma,
// skipped when glowSigma is 0) and the letters in colour on top.
void stampText(Canvas& canvas, const TextMask& text, Vec2 centre, Colour colour, Colour glowColour,
               float glowSigma, float glowIntensity);
