#pragma once
// Text for the title and credits, rasterised with FreeType from the caption font.
#include <string>
#include <vector>

#include "image_canvas.h"

// Coverage of a line of text, cropped to its ink and padded by margin pixels on every side;
// rasterised at paintDensity, so width and height count texels at that density.
struct TextMask {
    int width = 0;
    int height = 0;
    int density = 1;
    std::vector<float> coverage;  // 0..1, row by row
};

// pixelSize, tracking (extra pixels between letters) and margin are in design pixels. Returns an
// empty mask if the font cannot be read.
TextMask rasteriseText(const std::string& fontPath, const std::string& text, int pixelSize, int tracking,
                       int margin);

// Puts the text with its ink centred on centre (design pixels): a glow of glowColour (blurred by
// glowSigma design pixels, skipped when glowSigma is 0) and the letters in colour on top. The mask
// must have been rasterised at the canvas's density.
void stampText(Canvas& canvas, const TextMask& text, Vec2 centre, Colour colour, Colour glowColour,
               float glowSigma, float glowIntensity);
