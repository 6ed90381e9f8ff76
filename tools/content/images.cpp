// Writes the 47 images in catalogue order, each with its denser files, then a contact sheet.
#include <cstdlib>
#include <functional>
#include <iostream>

#include "content.h"
#include "image_art.h"
#include "image_canvas.h"
#include "image_text.h"

namespace {

// densities: the k of each name@kx.png written beside the design file, the same art painted at
// k texels per design pixel. The demo loads the smallest one that covers the output's scale
// times the picture's largest magnification on screen, else the largest; so a picture the
// scenes magnify at 1280 x 720 loads a denser file there too, and every one it ships costs
// start-up. Lines, rims, outlines and lettering gain from density; glows, haze and solid
// fills look the same magnified, so they ship none.
struct Picture {
    const char* file;
    std::function<sf::Image()> make;
    std::vector<int> densities;
};

sf::Image makeSolid(sf::Color colour)
{
    sf::Image image;
    image.create(1280, 720, colour);
    return image;
}

std::vector<Picture> catalogue(const std::string& fontPath)
{
    return {
        {"title.png", [&] { return makeTitle(fontPath); }, {2}},
        {"hexagon.png", makeHexagon, {2, 3, 4}},
        {"hexagon-small.png", makeHexagonSmall, {}},
        {"credits.png", [&] { return makeCredits(fontPath); }, {2}},
        {"black.png", [] { return makeSolid(sf::Color::Black); }, {}},
        {"white.png", makeWhite, {}},
        {"wall.png", makeWall, {}},
        {"gantz.png", makeGantz, {2}},
        {"glint1-1.png", [] { return makeGlint1(1); }, {}},
        {"glint1-2.png", [] { return makeGlint1(2); }, {}},
        {"glint1-3.png", [] { return makeGlint1(3); }, {2, 3}},
        {"glint1-4.png", [] { return makeGlint1(4); }, {2, 3}},
        {"glint1-5.png", [] { return makeGlint1(5); }, {}},
        {"glint1-6.png", [] { return makeGlint1(6); }, {}},
        {"h1.png", [] { return makeEmblemRing(1); }, {2, 3}},
        {"h2.png", [] { return makeEmblemRing(2); }, {2, 3}},
        {"h3.png", [] { return makeEmblemRing(3); }, {2, 3}},
        {"h4.png", [] { return makeEmblemRing(4); }, {2, 3}},
        {"h5.png", [] { return makeEmblemRing(5); }, {2, 3}},
        {"h6.png", [] { return makeEmblemRing(6); }, {2, 3}},
        {"glint2.png", makeGlint2, {2}},
        {"glitter.png", makeGlitter, {2, 3, 4}},
        {"g3-bg.png", makeLandscapeSky, {}},
        {"g3-fg.png", makeLandscapeForeground, {2}},
        {"g3-d2.png", [] { return makeParallaxRange(2); }, {2}},
        {"g3-d3.png", [] { return makeParallaxRange(3); }, {}},
        {"g3-d4.png", [] { return makeParallaxRange(4); }, {}},
        {"g3-d1.png", [] { return makeStripPiece(0); }, {2}},
        {"g3-d1-1.png", [] { return makeStripPiece(1); }, {2}},
        {"g3-d1-2.png", [] { return makeStripPiece(2); }, {2}},
        {"g3-d1-3.png", [] { return makeStripPiece(3); }, {2}},
        {"g3-flare1.png", [] { return makeFlare(1); }, {}},
        {"g3-flare2.png", [] { return makeFlare(2); }, {}},
        {"g3-flare3.png", [] { return makeFlare(3); }, {}},
        {"g3-flare4.png", [] { return makeFlare(4); }, {}},
        {"glint.png", makeLandscapeGlint, {2}},
        {"glint4.png", makeGlint4, {}},
        {"g4-1.png", [] { return makeG4(1); }, {2}},
        {"g4-2.png", [] { return makeG4(2); }, {2, 3}},
        {"g4-3.png", [] { return makeG4(3); }, {}},
        {"glint5.png", makeGlint5, {}},
        {"glint5-skull.png", makeSkull, {2, 3}},
        {"glint6.png", makeGlint6, {2}},
        {"halo.png", makeHalo, {2}},
        {"halo2.png", makeHalo2, {}},
        {"whitep.png", makeWhiteSpark, {2, 3, 4}},
        {"yellowp.png", makeYellowSpark, {2, 3, 4}},
    };
}

// The contact sheet: every image on a checkerboard, fitted into its cell, named below.
const int sheetColumns = 6;
const int cellWidth = 320;
const int cellHeight = 218;
const int thumbWidth = 300;
const int thumbHeight = 169;
const int sheetHeader = 70;

void addThumbnail(Canvas& sheet, const sf::Image& image, int index, const std::string& label, const std::string& fontPath)
{
    const int cellLeft = (index % sheetColumns) * cellWidth + (cellWidth - thumbWidth) / 2;
    const int cellTop = sheetHeader + (index / sheetColumns) * cellHeight + 8;
    const sf::Vector2u size = image.getSize();
    // Small sprites are enlarged by whole pixels so their shape can be judged.
    float scale = std::min(static_cast<float>(thumbWidth) / size.x, static_cast<float>(thumbHeight) / size.y);
    if (scale > 1.0f)
        scale = std::min(std::floor(scale), 6.0f);
    const int width = std::max(1, static_cast<int>(size.x * scale));
    const int height = std::max(1, static_cast<int>(size.y * scale));
    const int left = cellLeft + (thumbWidth - width) / 2;
    const int top = cellTop + (thumbHeight - height) / 2;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int x0 = static_cast<int>(x / scale), x1 = std::max(x0 + 1, static_cast<int>((x + 1) / scale));
            const int y0 = static_cast<int>(y / scale), y1 = std::max(y0 + 1, static_cast<int>((y + 1) / scale));
            float r = 0.0f, g = 0.0f, b = 0.0f, a = 0.0f;
            for (int sy = y0; sy < y1 && sy < static_cast<int>(size.y); ++sy)
                for (int sx = x0; sx < x1 && sx < static_cast<int>(size.x); ++sx) {
                    const sf::Color c = image.getPixel(static_cast<unsigned>(sx), static_cast<unsigned>(sy));
                    const float alpha = c.a / 255.0f;
                    r += c.r / 255.0f * alpha;
                    g += c.g / 255.0f * alpha;
                    b += c.b / 255.0f * alpha;
                    a += alpha;
                }
            const float samples = static_cast<float>((x1 - x0) * (y1 - y0));
            const bool light = ((left + x) / 10 + (top + y) / 10) % 2 == 0;
            const float checker = light ? 0.42f : 0.3f;
            Pixel& p = sheet.at(left + x, top + y);
            const float keep = 1.0f - a / samples;
            p = {r / samples + checker * keep, g / samples + checker * keep, b / samples + checker * keep, 1.0f};
        }
    const TextMask name = rasteriseText(fontPath, label + "  " + std::to_string(size.x) + "x" + std::to_string(size.y), 16, 0, 2);
    stampText(sheet, name, {cellLeft + thumbWidth * 0.5f, cellTop + thumbHeight + 20.0f}, {0.85f, 0.87f, 0.92f}, {}, 0.0f, 0.0f);
}

[[noreturn]] void failWrite(const std::string& path)
{
    std::cerr << "make-content: cannot write " << path << std::endl;
    std::exit(1);
}

}  // namespace

void writeImages(const std::string& dataDir, const std::string& fontPath)
{
    const std::vector<Picture> pictures = catalogue(fontPath);
    const int rows = (static_cast<int>(pictures.size()) + sheetColumns - 1) / sheetColumns;
    Canvas sheet = makeFilledCanvas(sheetColumns * cellWidth, sheetHeader + rows * cellHeight, {0.09f, 0.09f, 0.11f});
    stampText(sheet, rasteriseText(fontPath, "Nereth//Val - the 47 images", 30, 1, 4), {sheetColumns * cellWidth * 0.5f, 36.0f},
              palette::coldWhite, {}, 0.0f, 0.0f);
    for (size_t i = 0; i < pictures.size(); ++i) {
        const std::string file = pictures[i].file;
        const sf::Image image = pictures[i].make();
        if (!savePng(image, dataDir + "/" + file))
            failWrite(dataDir + "/" + file);
        std::cout << "make-content: " << file << " (" << image.getSize().x << " x " << image.getSize().y << ")" << std::endl;
        addThumbnail(sheet, image, static_cast<int>(i), file, fontPath);
        for (int density : pictures[i].densities) {
            const std::string dense = file.substr(0, file.size() - 4) + "@" + std::to_string(density) + "x.png";
            paintDensity = density;
            const sf::Image denser = pictures[i].make();
            paintDensity = 1;
            if (!savePng(denser, dataDir + "/" + dense))
                failWrite(dataDir + "/" + dense);
            std::cout << "make-content: " << dense << " (" << denser.getSize().x << " x " << denser.getSize().y << ")"
                      << std::endl;
        }
    }
    if (!savePng(finishCanvas(sheet, true, 99, false), dataDir + "/contact-sheet.png"))
        failWrite(dataDir + "/contact-sheet.png");
    std::cout << "make-content: contact-sheet.png" << std::endl;
}
