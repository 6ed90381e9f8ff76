#include "image_text.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <climits>

namespace {

struct PlacedGlyph {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    std::vector<unsigned char> bitmap;
};

}  // namespace

TextMask rasteriseText(const std::string& fontPath, const std::string& text, int pixelSize, int tracking,
                       int margin)
{
    TextMask mask;
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0)
        return mask;
    FT_Face face = nullptr;
    if (FT_New_Face(library, fontPath.c_str(), 0, &face) != 0) {
        FT_Done_FreeType(library);
        return mask;
    }
    mask.density = paintDensity;
    pixelSize *= paintDensity;
    tracking *= paintDensity;
    margin *= paintDensity;
    FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(pixelSize));

    std::vector<PlacedGlyph> glyphs;
    long penX = 0;  // 26.6 fixed point
    FT_UInt previous = 0;
    int minX = INT_MAX, minY = INT_MAX, maxX = INT_MIN, maxY = INT_MIN;
    for (unsigned char character : text) {
        const FT_UInt index = FT_Get_Char_Index(face, character);
        if (previous != 0 && FT_HAS_KERNING(face)) {
            FT_Vector kerning;
            FT_Get_Kerning(face, previous, index, FT_KERNING_DEFAULT, &kerning);
            penX += kerning.x;
        }
        if (FT_Load_Glyph(face, index, FT_LOAD_RENDER) != 0)
            continue;
        const FT_GlyphSlot slot = face->glyph;
        PlacedGlyph glyph;
        glyph.left = static_cast<int>(penX >> 6) + slot->bitmap_left;
        glyph.top = -slot->bitmap_top;
        glyph.width = static_cast<int>(slot->bitmap.width);
        glyph.height = static_cast<int>(slot->bitmap.rows);
        for (int row = 0; row < glyph.height; ++row)
            for (int column = 0; column < glyph.width; ++column)
                glyph.bitmap.push_back(slot->bitmap.buffer[row * slot->bitmap.pitch + column]);
        if (glyph.width > 0 && glyph.height > 0) {
            minX = std::min(minX, glyph.left);
            minY = std::min(minY, glyph.top);
            maxX = std::max(maxX, glyph.left + glyph.width);
            maxY = std::max(maxY, glyph.top + glyph.height);
            glyphs.push_back(std::move(glyph));
        }
        penX += slot->advance.x + tracking * 64;
        previous = index;
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);
    if (glyphs.empty())
        return mask;

    mask.width = maxX - minX + 2 * margin;
    mask.height = maxY - minY + 2 * margin;
    mask.coverage.assign(static_cast<size_t>(mask.width) * mask.height, 0.0f);
    for (const PlacedGlyph& glyph : glyphs)
        for (int row = 0; row < glyph.height; ++row)
            for (int column = 0; column < glyph.width; ++column) {
                const int x = glyph.left - minX + margin + column;
                const int y = glyph.top - minY + margin + row;
                float& cell = mask.coverage[static_cast<size_t>(y) * mask.width + x];
                cell = std::min(1.0f, cell + glyph.bitmap[static_cast<size_t>(row) * glyph.width + column] / 255.0f);
            }
    return mask;
}

void stampText(Canvas& canvas, const TextMask& text, Vec2 centre, Colour colour, Colour glowColour,
               float glowSigma, float glowIntensity)
{
    if (text.width == 0)
        return;
    const float k = static_cast<float>(text.density);
    const int left = static_cast<int>(std::lround(centre.x * k - text.width * 0.5f));
    const int top = static_cast<int>(std::lround(centre.y * k - text.height * 0.5f));
    const std::vector<float> halo =
        glowSigma > 0.0f ? blurMask(text.coverage, text.width, text.height, glowSigma * k) : std::vector<float>();
    for (int y = 0; y < text.height; ++y)
        for (int x = 0; x < text.width; ++x) {
            const int cx = left + x;
            const int cy = top + y;
            if (cx < 0 || cy < 0 || cx >= canvas.width || cy >= canvas.height)
                continue;
            Pixel& p = canvas.at(cx, cy);
            const size_t i = static_cast<size_t>(y) * text.width + x;
            if (!halo.empty())
                addLight(p, glowColour, halo[i] * glowIntensity);
            paintOver(p, colour, text.coverage[i]);
        }
}
