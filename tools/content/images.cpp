// Writes the images of the manifest in its order, each with its denser files, then a contact sheet.
#include <cstdlib>
#include <future>
#include <iostream>
#include <string>

#include "content.h"
#include "image_art.h"
#include "image_canvas.h"
#include "image_text.h"
#include "runtime/image_manifest.h"

namespace {

sf::Image makeSolid(sf::Color colour)
{
    sf::Image image;
    image.create(1280, 720, colour);
    return image;
}

// The painter of each image; no default, so the compiler asks for every new value of Image.
sf::Image paintImage(Image image, const std::string& fontPath)
{
    switch (image) {
    case Image::Title: return makeTitle(fontPath);
    case Image::PulseHexagon: return makePulseHexagon();
    case Image::BubbleHexagon: return makeBubbleHexagon();
    case Image::Credits: return makeCredits(fontPath);
    case Image::Black: return makeSolid(sf::Color::Black);
    case Image::White: return makeWhite();
    case Image::Wall: return makeWall();
    case Image::FlashSigil: return makeFlashSigil();
    case Image::WarpNebula: return makeWarpLayer(1);
    case Image::WarpGlow: return makeWarpLayer(2);
    case Image::WarpStreaks: return makeWarpLayer(3);
    case Image::WarpHexagon: return makeWarpLayer(4);
    case Image::WarpStar: return makeWarpLayer(5);
    case Image::WarpBokeh: return makeWarpLayer(6);
    case Image::EmblemCore: return makeEmblemRing(1);
    case Image::EmblemSatellites: return makeEmblemRing(2);
    case Image::EmblemDial: return makeEmblemRing(3);
    case Image::EmblemBlades: return makeEmblemRing(4);
    case Image::EmblemRunes: return makeEmblemRing(5);
    case Image::EmblemFrame: return makeEmblemRing(6);
    case Image::Gem: return makeGem();
    case Image::Glitter: return makeGlitter();
    case Image::LandscapeSky: return makeLandscapeSky();
    case Image::LandscapeForeground: return makeLandscapeForeground();
    case Image::RangeNear: return makeParallaxRange(2);
    case Image::RangeMiddle: return makeParallaxRange(3);
    case Image::RangeFar: return makeParallaxRange(4);
    case Image::GroundStrip: return makeStripPiece(0);
    case Image::GroundStripWide: return makeStripPiece(1);
    case Image::GroundStripNarrow: return makeStripPiece(2);
    case Image::GroundStripMiddle: return makeStripPiece(3);
    case Image::LandscapeFlare1: return makeFlare(1);
    case Image::LandscapeFlare2: return makeFlare(2);
    case Image::LandscapeFlare3: return makeFlare(3);
    case Image::LandscapeFlare4: return makeFlare(4);
    case Image::LandscapeStar: return makeLandscapeStar();
    case Image::Planet: return makePlanet();
    case Image::Moon: return makePlanetSky(1);
    case Image::Constellation: return makePlanetSky(2);
    case Image::Sunrise: return makePlanetSky(3);
    case Image::Eclipse: return makeEclipse();
    case Image::Skull: return makeSkull();
    case Image::CentralStar: return makeCentralStar();
    case Image::Halo: return makeHalo();
    case Image::UnusedHalo: return makeUnusedHalo();
    case Image::WhiteSpark: return makeWhiteSpark();
    case Image::YellowSpark: return makeYellowSpark();
    case Image::Count: break;
    }
    std::cerr << "make-content: no painter for image " << static_cast<int>(image) << std::endl;
    std::exit(1);
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

// The image's picture at `density` texels per design pixel, which must be that many times the
// manifest's design size.
sf::Image paint(const ImageManifestRow& row, int density, const std::string& fontPath)
{
    paintDensity = density;
    sf::Image image = paintImage(row.image, fontPath);
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
    const int rows = (imageCount + sheetColumns - 1) / sheetColumns;
    Canvas sheet = makeFilledCanvas(sheetColumns * cellWidth, sheetHeader + rows * cellHeight, {0.09f, 0.09f, 0.11f});
    stampText(sheet, rasteriseText(fontPath, "Nereth//Val - the 47 images", 30, 1, 4), {sheetColumns * cellWidth * 0.5f, 36.0f},
              palette::coldWhite, {}, 0.0f, 0.0f);
    // Compressing a file takes about as long as painting the next, so each is saved while the next
    // is painted, one at a time and in order.
    std::future<std::string> saving;
    const auto waitForSave = [&] {
        const std::string failed = saving.valid() ? saving.get() : std::string();
        if (!failed.empty())
            failWrite(failed);
    };
    const auto saveInTurn = [&](sf::Image image, const std::string& file) {
        waitForSave();
        saving = std::async(std::launch::async, [image = std::move(image), path = dataDir + "/" + file, file] {
            if (!savePng(image, path))
                return path;
            const std::string line = "make-content: " + file + " (" + std::to_string(image.getSize().x) + " x " +
                                     std::to_string(image.getSize().y) + ")\n";
            std::cout << line << std::flush;
            return std::string();
        });
    };
    for (int i = 0; i < imageCount; ++i) {
        const ImageManifestRow& row = imageManifest[i];
        const std::string file = row.file;
        sf::Image image = paint(row, 1, fontPath);
        addThumbnail(sheet, image, i, file, fontPath);
        saveInTurn(std::move(image), file);
        for (unsigned density : row.densities) {
            if (density == 0)
                break;
            saveInTurn(paint(row, int(density), fontPath), file.substr(0, file.size() - 4) + "@" + std::to_string(density) + "x.png");
        }
    }
    saveInTurn(finishCanvas(sheet, true, 99, false), "contact-sheet.png");
    waitForSave();
}
