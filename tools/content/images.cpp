// Writes the images of the manifest in its order, each with its denser files, then a contact sheet.
#include <cstdlib>
#include <functional>
#include <iostream>

#include "content.h"
#include "image_art.h"
#include "image_canvas.h"
#include "image_text.h"
#include "runtime/image_manifest.h"

namespace {

// What paints each image of the manifest, in its order; the manifest says which densities.
struct Painter {
    Image image;
    std::function<sf::Image()> make;
};

sf::Image makeSolid(sf::Color colour)
{
    sf::Image image;
    image.create(1280, 720, colour);
    return image;
}

std::vector<Painter> painters(const std::string& fontPath)
{
    return {
        {Image::Title, [&] { return makeTitle(fontPath); }},
        {Image::Hexagon, makeHexagon},
        {Image::HexagonSmall, makeHexagonSmall},
        {Image::Credits, [&] { return makeCredits(fontPath); }},
        {Image::Black, [] { return makeSolid(sf::Color::Black); }},
        {Image::White, makeWhite},
        {Image::Wall, makeWall},
        {Image::Gantz, makeGantz},
        {Image::Glint1_1, [] { return makeGlint1(1); }},
        {Image::Glint1_2, [] { return makeGlint1(2); }},
        {Image::Glint1_3, [] { return makeGlint1(3); }},
        {Image::Glint1_4, [] { return makeGlint1(4); }},
        {Image::Glint1_5, [] { return makeGlint1(5); }},
        {Image::Glint1_6, [] { return makeGlint1(6); }},
        {Image::H1, [] { return makeEmblemRing(1); }},
        {Image::H2, [] { return makeEmblemRing(2); }},
        {Image::H3, [] { return makeEmblemRing(3); }},
        {Image::H4, [] { return makeEmblemRing(4); }},
        {Image::H5, [] { return makeEmblemRing(5); }},
        {Image::H6, [] { return makeEmblemRing(6); }},
        {Image::Glint2, makeGlint2},
        {Image::Glitter, makeGlitter},
        {Image::G3Bg, makeLandscapeSky},
        {Image::G3Fg, makeLandscapeForeground},
        {Image::G3D2, [] { return makeParallaxRange(2); }},
        {Image::G3D3, [] { return makeParallaxRange(3); }},
        {Image::G3D4, [] { return makeParallaxRange(4); }},
        {Image::G3D1, [] { return makeStripPiece(0); }},
        {Image::G3D1_1, [] { return makeStripPiece(1); }},
        {Image::G3D1_2, [] { return makeStripPiece(2); }},
        {Image::G3D1_3, [] { return makeStripPiece(3); }},
        {Image::G3Flare1, [] { return makeFlare(1); }},
        {Image::G3Flare2, [] { return makeFlare(2); }},
        {Image::G3Flare3, [] { return makeFlare(3); }},
        {Image::G3Flare4, [] { return makeFlare(4); }},
        {Image::Glint, makeLandscapeGlint},
        {Image::Glint4, makeGlint4},
        {Image::G4_1, [] { return makeG4(1); }},
        {Image::G4_2, [] { return makeG4(2); }},
        {Image::G4_3, [] { return makeG4(3); }},
        {Image::Glint5, makeGlint5},
        {Image::Glint5Skull, makeSkull},
        {Image::Glint6, makeGlint6},
        {Image::Halo, makeHalo},
        {Image::Halo2, makeHalo2},
        {Image::WhiteP, makeWhiteSpark},
        {Image::YellowP, makeYellowSpark},
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

// The painter's picture at `density` texels per design pixel, which must be that many times the
// manifest's design size.
sf::Image paint(const Painter& painter, const ImageManifestRow& row, int density)
{
    paintDensity = density;
    sf::Image image = painter.make();
    paintDensity = 1;
    if (image.getSize() != sf::Vector2u(row.width * unsigned(density), row.height * unsigned(density))) {
        std::cerr << "make-content: " << row.file << " at density " << density << " came out " << image.getSize().x
                  << " x " << image.getSize().y << ", not the manifest's size" << std::endl;
        std::exit(1);
    }
    return image;
}

}  // namespace

void writeImages(const std::string& dataDir, const std::string& fontPath)
{
    const std::vector<Painter> pictures = painters(fontPath);
    bool inOrder = pictures.size() == std::size_t(imageCount);
    for (int i = 0; inOrder && i < imageCount; ++i)
        inOrder = pictures[std::size_t(i)].image == Image(i);
    if (!inOrder) {
        std::cerr << "make-content: the painters do not follow the manifest's images one for one" << std::endl;
        std::exit(1);
    }
    const int rows = (static_cast<int>(pictures.size()) + sheetColumns - 1) / sheetColumns;
    Canvas sheet = makeFilledCanvas(sheetColumns * cellWidth, sheetHeader + rows * cellHeight, {0.09f, 0.09f, 0.11f});
    stampText(sheet, rasteriseText(fontPath, "Nereth//Val - the 47 images", 30, 1, 4), {sheetColumns * cellWidth * 0.5f, 36.0f},
              palette::coldWhite, {}, 0.0f, 0.0f);
    for (size_t i = 0; i < pictures.size(); ++i) {
        const ImageManifestRow& row = imageManifest[i];
        const std::string file = row.file;
        const sf::Image image = paint(pictures[i], row, 1);
        if (!savePng(image, dataDir + "/" + file))
            failWrite(dataDir + "/" + file);
        std::cout << "make-content: " << file << " (" << image.getSize().x << " x " << image.getSize().y << ")" << std::endl;
        addThumbnail(sheet, image, static_cast<int>(i), file, fontPath);
        for (unsigned density : row.densities) {
            if (density == 0)
                break;
            const std::string dense = file.substr(0, file.size() - 4) + "@" + std::to_string(density) + "x.png";
            const sf::Image denser = paint(pictures[i], row, int(density));
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
