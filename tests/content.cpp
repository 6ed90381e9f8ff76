// The generated content: every image at its size and transparency, its denser files, clear texels
// that carry their neighbours' colour, the shapes the scenes rely on (the emblem's rings, the
// wall's opening, the gem under the glitter, the landscape with no gap while it scrolls), the
// caption font's glyphs, and a generator that repeats itself byte for byte.
#include <gtest/gtest.h>

#include <SFML/Graphics.hpp>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

#include "runtime/image_manifest.h"
#include "runtime/png_file.h"
#include "support/support.h"
#include "support/tier.h"

namespace {

namespace fs = std::filesystem;

const std::string dataDir = std::string(NERETHVAL_BUILD_DIR) + "/data/";

// Decoded images, each loaded once for the whole program.
const sf::Image& image(const std::string& file)
{
    static std::map<std::string, sf::Image> loaded;
    auto found = loaded.find(file);
    if (found == loaded.end()) {
        sf::Image decoded;
        EXPECT_TRUE(decoded.loadFromFile(dataDir + file)) << file << " does not decode";
        found = loaded.emplace(file, decoded).first;
    }
    return found->second;
}

int alphaAt(const sf::Image& picture, int x, int y)
{
    return picture.getPixel(static_cast<unsigned>(x), static_cast<unsigned>(y)).a;
}

// Alpha of a layer drawn with its left edge at `left`, sampled at the centre of window column x
// as the rasteriser does; 0 off the layer.
float layerAlpha(const sf::Image& layer, float left, int x, int y)
{
    const int column = static_cast<int>(std::floor(x + 0.5f - left));
    if (column < 0 || column >= static_cast<int>(layer.getSize().x))
        return 0.0f;
    return alphaAt(layer, column, y) / 255.0f;
}

std::vector<char> fileBytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

TEST(Content, EveryCatalogueImageDecodesAtItsSizeAndTransparency)
{
        PngScratch scratch;  // one for all, as a loader's worker keeps it
    for (const ImageManifestRow& expected : imageManifest) {
        SCOPED_TRACE(expected.file);
        const sf::Image& picture = image(expected.file);
        ASSERT_EQ(picture.getSize(), sf::Vector2u(expected.width, expected.height));
        // The loader's quick reader takes every image, with exactly SFML's pixels.
        sf::Image quick;
        ASSERT_EQ(readPng((dataDir + expected.file).c_str(), scratch, quick), PngRead::Quick);
        ASSERT_EQ(quick.getSize(), picture.getSize());
        EXPECT_EQ(std::memcmp(quick.getPixelsPtr(), picture.getPixelsPtr(), std::size_t(expected.width) * expected.height * 4), 0);
        const int right = static_cast<int>(expected.width) - 1;
        const int bottom = static_cast<int>(expected.height) - 1;
        if (expected.cover == Cover::ClearCorners || expected.cover == Cover::ClearTop) {
            // Light fainter than 2/255 is cleared exactly, so its cells drop out of the draws.
            int faint = 0;
            for (unsigned y = 0; y < expected.height; ++y)
                for (unsigned x = 0; x < expected.width; ++x)
                    faint += picture.getPixel(x, y).a == 1;
            EXPECT_EQ(faint, 0);
        }
        switch (expected.cover) {
        case Cover::ClearCorners:
        case Cover::OpaqueEdges: {
            const int corner = expected.cover == Cover::ClearCorners ? 0 : 255;
            EXPECT_EQ(alphaAt(picture, 0, 0), corner);
            EXPECT_EQ(alphaAt(picture, right, 0), corner);
            EXPECT_EQ(alphaAt(picture, 0, bottom), corner);
            EXPECT_EQ(alphaAt(picture, right, bottom), corner);
            break;
        }
        case Cover::ClearTop: {
            EXPECT_EQ(alphaAt(picture, 0, 0), 0);
            EXPECT_EQ(alphaAt(picture, right, 0), 0);
            int ground = 0;
            for (int x = 0; x <= right; ++x)
                ground = std::max(ground, alphaAt(picture, x, bottom));
            EXPECT_EQ(ground, 255);
            break;
        }
        case Cover::Opaque:
        case Cover::Black: {
            int seeThrough = 0, offColour = 0;
            for (unsigned y = 0; y < expected.height; ++y)
                for (unsigned x = 0; x < expected.width; ++x) {
                    const sf::Color c = picture.getPixel(x, y);
                    seeThrough += c.a != 255;
                    offColour += expected.cover == Cover::Black && c != sf::Color::Black;
                }
            EXPECT_EQ(seeThrough, 0);
            EXPECT_EQ(offColour, 0);
            break;
        }
        }
    }
}

TEST(Content, DenserFilesAreTheSameArtAtWholeMultiplesOfTheDesignSize)
{
    // name@kx.png: k times the design size, and averaged back down over k x k blocks it is the
    // design image again (light and alpha), apart from finer edges and dither.
    std::vector<std::string> dense;
    for (const auto& entry : fs::directory_iterator(dataDir)) {
        const std::string name = entry.path().filename().string();
        if (name.find('@') != std::string::npos)
            dense.push_back(name);
    }
    std::sort(dense.begin(), dense.end());
    std::vector<std::string> listed;
    for (const ImageManifestRow& row : imageManifest) {
        const std::string name = row.file;
        for (unsigned k = 0; k < std::size(row.densities) && row.densities[k] != 0; ++k)
            listed.push_back(name.substr(0, name.size() - 4) + "@" + std::to_string(row.densities[k]) + "x.png");
    }
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(dense, listed) << "the loader looks for the denser files that the manifest lists";
    EXPECT_NE(std::find(dense.begin(), dense.end(), "hexagon@3x.png"), dense.end())
        << "the pulse hexagon is magnified about three times at 1280 x 720";
    for (const std::string& name : dense) {
        SCOPED_TRACE(name);
        const size_t at = name.find('@');
        const int k = std::atoi(name.c_str() + at + 1);
        ASSERT_GE(k, 2);
        ASSERT_LE(k, 4);
        ASSERT_EQ(name.substr(at), "@" + std::to_string(k) + "x.png");
        const sf::Image& design = image(name.substr(0, at) + ".png");
        const sf::Image& denser = image(name);
        const sf::Vector2u size = design.getSize();
        ASSERT_EQ(denser.getSize(), sf::Vector2u(size.x * k, size.y * k));
        double difference = 0.0;
        long far = 0;
        for (unsigned y = 0; y < size.y; ++y)
            for (unsigned x = 0; x < size.x; ++x) {
                double mean[4] = {0.0, 0.0, 0.0, 0.0};
                for (unsigned dy = 0; dy < unsigned(k); ++dy)
                    for (unsigned dx = 0; dx < unsigned(k); ++dx) {
                        const sf::Color c = denser.getPixel(x * k + dx, y * k + dy);
                        mean[0] += c.r * c.a / 255.0;
                        mean[1] += c.g * c.a / 255.0;
                        mean[2] += c.b * c.a / 255.0;
                        mean[3] += c.a;
                    }
                const sf::Color c = design.getPixel(x, y);
                const double own[4] = {c.r * c.a / 255.0, c.g * c.a / 255.0, c.b * c.a / 255.0, double(c.a)};
                double worst = 0.0;
                for (int i = 0; i < 4; ++i) {
                    const double d = std::fabs(mean[i] / (k * k) - own[i]);
                    difference += d;
                    worst = std::max(worst, d);
                }
                far += worst > 48.0;
            }
        const double texels = double(size.x) * size.y;
        // Lettering moves by a fraction of a pixel between sizes; everything else is far closer.
        EXPECT_LT(difference / (texels * 4), 2.0) << "mean difference per channel, of 255";
        EXPECT_LT(far / texels, 0.02) << "share of texels far from the design image";
    }
}

TEST(Content, ClearTexelsCarryTheColourOfTheirVisibleNeighbours)
{
    // A filtered image blends its clear texels into its edges; black ones would
    // draw a dark fringe along every bright line.
    for (const ImageManifestRow& expected : imageManifest) {
        if (expected.cover != Cover::ClearCorners && expected.cover != Cover::ClearTop)
            continue;
        SCOPED_TRACE(expected.file);
        const sf::Image& picture = image(expected.file);
        const int width = static_cast<int>(expected.width), height = static_cast<int>(expected.height);
        int edges = 0, strays = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const sf::Color c = picture.getPixel(unsigned(x), unsigned(y));
                if (c.a != 0)
                    continue;
                int low[3] = {255, 255, 255}, high[3] = {0, 0, 0};
                bool beside = false;
                for (int ny = std::max(y - 1, 0); ny <= std::min(y + 1, height - 1); ++ny)
                    for (int nx = std::max(x - 1, 0); nx <= std::min(x + 1, width - 1); ++nx) {
                        const sf::Color n = picture.getPixel(unsigned(nx), unsigned(ny));
                        if (n.a == 0)
                            continue;
                        beside = true;
                        const int channels[3] = {n.r, n.g, n.b};
                        for (int i = 0; i < 3; ++i) {
                            low[i] = std::min(low[i], channels[i]);
                            high[i] = std::max(high[i], channels[i]);
                        }
                    }
                if (!beside)
                    continue;
                ++edges;
                const int own[3] = {c.r, c.g, c.b};
                for (int i = 0; i < 3; ++i)
                    strays += own[i] < low[i] - 1 || own[i] > high[i] + 1;
            }
        EXPECT_GT(edges, 0) << "no clear texel beside a visible one";
        EXPECT_EQ(strays, 0) << "clear texels off their neighbours' colours";
    }
}

TEST(Content, SmallSpritesShineOnTheirOrigin)
{
    // The pools place these by the origin the manifest gives them.
    for (Image small : {Image::Glitter, Image::WhiteSpark, Image::YellowSpark}) {
        const ImageManifestRow& sprite = manifestRow(small);
        SCOPED_TRACE(sprite.file);
        const sf::Image& picture = image(sprite.file);
        const int originX = static_cast<int>(sprite.origin.x), originY = static_cast<int>(sprite.origin.y);
        double weight = 0.0, centreX = 0.0, centreY = 0.0;
        int brightest = 0;
        for (unsigned y = 0; y < picture.getSize().y; ++y)
            for (unsigned x = 0; x < picture.getSize().x; ++x) {
                const int alpha = picture.getPixel(x, y).a;
                brightest = std::max(brightest, alpha);
                weight += alpha;
                centreX += alpha * (x + 0.5);
                centreY += alpha * (y + 0.5);
            }
        ASSERT_GT(weight, 0.0);
        EXPECT_GE(brightest, 240);
        EXPECT_NEAR(centreX / weight, originX, 0.75);
        EXPECT_NEAR(centreY / weight, originY, 0.75);
        // The origin pixel itself is lit, not a hole in a ring.
        EXPECT_GE(alphaAt(picture, originX, originY), 200);
    }
    EXPECT_LE(image("halo2.png").getSize().x, 128u) << "halo2 is never drawn and should stay small";
}

TEST(Content, EmblemRingsNestOneInsideTheNextWithClearGaps)
{
    // Stacked over black at full alpha, each ring must sit in its own band around the centre:
    // the core by its solid body, every other ring by whatever it shows. Only the core's glow may
    // reach under the rings drawn over it: they hide it where their lines are opaque, and their
    // glows' colours are brighter than it, so it never dims them.
    const auto radius = [](unsigned x, unsigned y) { return std::hypot(x + 0.5f - 360.0f, y + 0.5f - 360.0f); };
    float inner[7] = {}, outer[7] = {};
    for (int ring = 1; ring <= 6; ++ring) {
        SCOPED_TRACE(ring);
        const sf::Image& picture = image("h" + std::to_string(ring) + ".png");
        inner[ring] = 1e9f;
        for (unsigned y = 0; y < 720; ++y)
            for (unsigned x = 0; x < 720; ++x) {
                const int alpha = picture.getPixel(x, y).a;
                if (ring == 1 ? alpha == 255 : alpha >= 2) {
                    inner[ring] = std::min(inner[ring], radius(x, y));
                    outer[ring] = std::max(outer[ring], radius(x, y));
                }
            }
        EXPECT_GT(inner[ring], outer[ring - 1]) << "ring overlaps the one inside it";
        EXPECT_LT(outer[ring], 360.0f * std::sqrt(2.0f));
    }
    EXPECT_EQ(alphaAt(image("h1.png"), 360, 360), 255) << "the core fills the centre";
    EXPECT_GT(outer[6], 300.0f) << "the outer frame spans most of the image";

    // The glow stays far dimmer than the satellites' lines and is gone before the runes.
    const auto light = [](const sf::Image& picture, unsigned x, unsigned y) {
        const sf::Color c = picture.getPixel(x, y);
        return (0.299f * c.r + 0.587f * c.g + 0.114f * c.b) * c.a / 255.0f;
    };
    float glowUnderRings = 0.0f, glowEnd = 0.0f, brightestLine = 0.0f;
    for (unsigned y = 0; y < 720; ++y)
        for (unsigned x = 0; x < 720; ++x) {
            if (radius(x, y) >= inner[2])
                glowUnderRings = std::max(glowUnderRings, light(image("h1.png"), x, y));
            if (alphaAt(image("h1.png"), int(x), int(y)) >= 2)
                glowEnd = std::max(glowEnd, radius(x, y));
            brightestLine = std::max(brightestLine, light(image("h2.png"), x, y));
        }
    EXPECT_LT(glowUnderRings, 0.5f * brightestLine);
    EXPECT_LT(glowEnd, inner[5]);
}

TEST(Content, HexagonsAreABrightOutlineAndATranslucentBubble)
{
    const sf::Image& pulse = image("hexagon.png");
    EXPECT_LT(alphaAt(pulse, 360, 360), 40) << "the pulse is an outline, open in the middle";
    int outlineAlpha = 0;
    for (int x = 360; x < 720; ++x)
        outlineAlpha = std::max(outlineAlpha, alphaAt(pulse, x, 360));
    EXPECT_EQ(outlineAlpha, 255);
    // A wave front: its top edge's line at row 90 is crisp ahead and trails light behind, and no
    // further, since every texel with any alpha is filled again for each of a dozen pulses.
    EXPECT_EQ(alphaAt(pulse, 360, 76), 0);
    EXPECT_GT(alphaAt(pulse, 360, 104), 20);
    EXPECT_EQ(alphaAt(pulse, 360, 112), 0);

    const sf::Image& bubble = image("hexagon-small.png");
    const int middle = alphaAt(bubble, 128, 150);
    EXPECT_GT(middle, 20);
    EXPECT_LT(middle, 200);
}

TEST(Content, WallOpensOverTheCentreOfTheWindow)
{
    // Scene 04 shows the white and black layers through the glass in the wall's window: nearly
    // clear at its heart, and letting more than half of them through across the window.
    const sf::Image& wall = image("wall.png");
    for (int dx = -150; dx <= 150; dx += 30)
        for (int dy = -150; dy <= 150; dy += 30) {
            const int distanceSquared = dx * dx + dy * dy;
            if (distanceSquared <= 150 * 150) {
                EXPECT_LT(alphaAt(wall, 640 + dx, 360 + dy), distanceSquared <= 60 * 60 ? 64 : 128) << dx << ", " << dy;
            }
        }
    EXPECT_EQ(alphaAt(wall, 100, 100), 255);
    EXPECT_EQ(alphaAt(wall, 1180, 620), 255);
}

TEST(Content, GemUnderTheGlitterOutshinesTheRestOfTheBackground)
{
    const sf::Image& background = image("glint2.png");
    const sf::IntRect glitter[] = {{426, 369, 491, 102}, {547, 367, 179, 176}};
    double inside = 0.0, outside = 0.0;
    int insideCount = 0, outsideCount = 0;
    for (int y = 0; y < 720; ++y)
        for (int x = 0; x < 1280; ++x) {
            const sf::Color c = background.getPixel(static_cast<unsigned>(x), static_cast<unsigned>(y));
            const double light = 0.3 * c.r + 0.55 * c.g + 0.15 * c.b;
            if (glitter[0].contains(x, y) || glitter[1].contains(x, y)) {
                inside += light;
                ++insideCount;
            } else {
                outside += light;
                ++outsideCount;
            }
        }
    EXPECT_GT(inside / insideCount, 3.0 * outside / outsideCount);
}

TEST(Content, LandscapeLeavesNoGapWhileItScrolls)
{
    const sf::Image& foreground = image("g3-fg.png");
    // Parallax ranges: start x and speed in pixels per second.
    const struct {
        const char* file;
        float start, speed;
    } ranges[] = {{"g3-d4.png", 125.0f, 24.0f}, {"g3-d3.png", 120.0f, 48.0f}, {"g3-d2.png", 100.0f, 96.0f}};
    // Strip pieces: offset from the strip's scroll position.
    const struct {
        const char* file;
        float offset;
    } strip[] = {{"g3-d1.png", 0.0f}, {"g3-d1.png", 3820.0f}, {"g3-d1-1.png", 4096.0f},
                 {"g3-d1-2.png", 1280.0f}, {"g3-d1-3.png", 2240.0f}};
    EXPECT_GT(4096.0f + image("g3-d1-1.png").getSize().x, 6000.0f);

    // The landscape shows for the first 9.4 s; the bottom row is where every layer is solid.
    const int bottom = 719;
    int gaps = 0;
    std::string firstGap;
    auto gap = [&](float t, int x, const char* file) {
        if (gaps++ == 0)
            firstGap = std::string(file) + " at " + std::to_string(t) + " s, column " + std::to_string(x);
    };
    for (int step = 0; step <= 188; ++step) {
        const float t = step * 0.05f;
        for (int x = 0; x < 1280; ++x) {
            const float front = alphaAt(foreground, x, bottom) / 255.0f;
            for (const auto& range : ranges) {
                const float layer = layerAlpha(image(range.file), range.start - range.speed * t, x, bottom);
                if (1.0f - (1.0f - layer) * (1.0f - front) < 0.98f)
                    gap(t, x, range.file);
            }
            float ground = 0.0f;
            for (const auto& piece : strip)
                ground = std::max(ground, layerAlpha(image(piece.file), piece.offset - 500.0f * t, x, bottom));
            if (ground < 1.0f)
                gap(t, x, "the strip");
        }
    }
    EXPECT_EQ(gaps, 0) << "first gap: " << firstGap;
}

TEST(Content, StripPiecesJoinWithoutASeam)
{
    // The strip laid out as the scene lays it, in its draw order, over black: a join must be no
    // harsher a step between two columns than the columns beside it, so a crystal that crosses a
    // join is whole and the ground runs on.
    const struct {
        const char* file;
        int offset;
    } strip[] = {{"g3-d1.png", 0}, {"g3-d1.png", 3820}, {"g3-d1-1.png", 4096}, {"g3-d1-2.png", 1280}, {"g3-d1-3.png", 2240}};
    const int width = 6144;
    std::vector<float> luma(std::size_t(width) * 720, 0.0f);
    for (const auto& piece : strip) {
        const sf::Image& layer = image(piece.file);
        for (unsigned y = 0; y < 720; ++y)
            for (unsigned x = 0; x < layer.getSize().x; ++x) {
                const sf::Color c = layer.getPixel(x, y);
                float& out = luma[y * width + piece.offset + x];
                out += (0.299f * c.r + 0.587f * c.g + 0.114f * c.b - out) * (c.a / 255.0f);
            }
    }
    // Rows where the step from column x - 1 to column x is one the eye sees.
    const auto steps = [&](int x) {
        int count = 0;
        for (int y = 0; y < 720; ++y)
            count += std::fabs(luma[y * width + x] - luma[y * width + x - 1]) > 12.0f;
        return count;
    };
    for (int join : {1280, 2240, 3820, 5100}) {
        int beside = 0;
        for (int k = 2; k <= 24; ++k)
            beside = std::max({beside, steps(join - k), steps(join + k)});
        EXPECT_LE(steps(join), beside) << "the join at " << join;
    }
    EXPECT_GT(steps(1300) + steps(2260) + steps(3840) + steps(5120), 0) << "the strip has edges to compare with";
    const sf::Image& first = image("g3-d1.png");
    EXPECT_EQ(alphaAt(first, 0, 0), 0) << "the ground is a strip along the bottom, open above";
    EXPECT_EQ(alphaAt(first, 0, 719), 255);
}

TEST(Content, PicturesThatScaleAboutTheWindowCentreAreCentredOnIt)
{
    // These grow, shrink, turn or jitter about their middle; an off-centre picture would wander.
    const char* centred[] = {"glint5-skull.png", "gantz.png", "hexagon.png", "h1.png", "h3.png", "h6.png", "halo.png"};
    for (const char* file : centred) {
        SCOPED_TRACE(file);
        const sf::Image& picture = image(file);
        double weight = 0.0, centreX = 0.0, centreY = 0.0;
        for (unsigned y = 0; y < picture.getSize().y; ++y)
            for (unsigned x = 0; x < picture.getSize().x; ++x) {
                const int alpha = picture.getPixel(x, y).a;
                weight += alpha;
                centreX += alpha * (x + 0.5);
                centreY += alpha * (y + 0.5);
            }
        ASSERT_GT(weight, 0.0);
        EXPECT_NEAR(centreX / weight, picture.getSize().x * 0.5, 12.0);
        EXPECT_NEAR(centreY / weight, picture.getSize().y * 0.5, 24.0);
    }
    EXPECT_EQ(alphaAt(image("glint5-skull.png"), 640, 300), 255) << "the skull covers the middle";
    EXPECT_EQ(alphaAt(image("gantz.png"), 640, 360), 255) << "the sigil has a solid core";
}

TEST(Content, TitleAndCreditsCarryTheirLettering)
{
    // A font that fails to load leaves the cards without words; count bright solid text pixels.
    auto letterPixels = [](const sf::Image& picture, int top, int bottom) {
        int count = 0;
        for (int y = top; y < bottom; ++y)
            for (unsigned x = 0; x < picture.getSize().x; ++x) {
                const sf::Color c = picture.getPixel(x, static_cast<unsigned>(y));
                count += c.a == 255 && c.r > 180 && c.g > 180 && c.b > 200;
            }
        return count;
    };
    EXPECT_GT(letterPixels(image("title.png"), 240, 390), 3000) << "title line";
    EXPECT_GT(letterPixels(image("title.png"), 425, 470), 300) << "group line";
    EXPECT_GT(letterPixels(image("credits.png"), 330, 400), 1500) << "group name on the credits";
    EXPECT_EQ(letterPixels(image("title.png"), 0, 150), 0) << "nothing but words and light";
}

TEST(Content, TheFlashIsNearWhiteYetVioletAndItsSignIsLitInASecondHue)
{
    // The white-out peaks near white, and fading over black it still darkens through violet.
    const sf::Image& white = image("white.png");
    double luma = 0.0;
    std::vector<double> saturations;
    for (unsigned y = 0; y < 720; ++y)
        for (unsigned x = 0; x < 1280; ++x) {
            const sf::Color c = white.getPixel(x, y);
            luma += 0.299 * c.r + 0.587 * c.g + 0.114 * c.b;
            saturations.push_back(double(std::max({c.r, c.g, c.b}) - std::min({c.r, c.g, c.b})) / std::max({c.r, c.g, c.b}));
            EXPECT_TRUE(c.b >= c.r && c.r >= c.g) << "violet at " << x << ", " << y;
        }
    EXPECT_GE(luma / (1280.0 * 720.0), 230.0);
    std::nth_element(saturations.begin(), saturations.begin() + saturations.size() / 2, saturations.end());
    EXPECT_GE(saturations[saturations.size() / 2], 0.08);
    // The sign's lit edges: rose (red above blue) or ice (green above red) beside its violet glass.
    const sf::Image& sign = image("gantz.png");
    int coloured = 0, otherHue = 0;
    for (unsigned y = 0; y < 720; ++y)
        for (unsigned x = 0; x < 1280; ++x) {
            const sf::Color c = sign.getPixel(x, y);
            const int high = std::max({c.r, c.g, c.b}), low = std::min({c.r, c.g, c.b});
            if (c.a < 128 || high < 30 || high - low < 0.15 * high)
                continue;
            ++coloured;
            otherHue += c.r > c.b || c.g > c.r;
        }
    ASSERT_GT(coloured, 0);
    EXPECT_GT(double(otherHue) / coloured, 0.1) << "share of the sign's coloured texels in rose or ice";
}

TEST(Content, OverlaysAboveTheSparksLetThemShowThrough)
{
    // Scene 10 draws the sparks first and these two over them, around the window centre.
    for (const char* file : {"halo.png", "glint6.png"}) {
        SCOPED_TRACE(file);
        const sf::Image& overlay = image(file);
        double alpha = 0.0;
        int count = 0;
        for (int y = 140; y < 580; ++y)
            for (int x = 420; x < 860; ++x)
                if (std::hypot(x - 640.0, y - 360.0) < 220.0) {
                    alpha += alphaAt(overlay, x, y);
                    ++count;
                }
        EXPECT_LT(alpha / count, 0.35 * 255) << "too opaque over the sparks";
        EXPECT_GT(alpha / count, 1.0) << "the overlay shows nothing";
    }
}

TEST(Content, CaptionFontHasAGlyphForEveryPrintableCharacter)
{
    // Read with FreeType itself: SFML's fonts keep their glyphs in GL textures, and this program
    // draws nothing, so it runs with no display.
    FT_Library library;
    ASSERT_EQ(FT_Init_FreeType(&library), 0);
    FT_Face face;
    ASSERT_EQ(FT_New_Face(library, (dataDir + "Quillon8.ttf").c_str(), 0, &face), 0);
    EXPECT_GT(fs::file_size(dataDir + "Quillon8-LICENCE.txt"), 0u);
    for (FT_ULong character = 32; character <= 126; ++character) {
        const FT_UInt glyph = FT_Get_Char_Index(face, character);
        EXPECT_NE(glyph, 0u) << "no glyph for '" << static_cast<char>(character) << "'";
        ASSERT_EQ(FT_Load_Glyph(face, glyph, FT_LOAD_NO_SCALE), 0);
        EXPECT_GT(face->glyph->advance.x, 0) << static_cast<char>(character);
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);
}

FULL_TEST(Content, GeneratorWritesTheSameBytesOnEveryRun)
{
    // The build's own run wrote build/data; one more run must write every file byte for byte again.
    const fs::path tool = fs::path(NERETHVAL_BUILD_DIR) / "tools" / "content" / "make-content";
    ASSERT_TRUE(fs::exists(tool));
    const fs::path root = fs::temp_directory_path() / ("nerethval-content-" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::create_directories(root);
    const fs::path again = root / "again";
    const std::string command = "\"" + tool.string() + "\" \"" + again.string() + "\" \"" + dataDir +
                                "Quillon8.ttf\" \"" + dataDir + "Quillon8-LICENCE.txt\" > \"" +
                                (root / "again.log").string() + "\"";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    std::ifstream log(root / "again.log");
    const std::string progress((std::istreambuf_iterator<char>(log)), std::istreambuf_iterator<char>());
    for (const ImageManifestRow& expected : imageManifest) {
        EXPECT_NE(progress.find(std::string("make-content: ") + expected.file), std::string::npos)
            << "no progress line for " << expected.file;
        EXPECT_FALSE(fileBytes(again / expected.file).empty()) << expected.file;
    }
    int files = 0;
    for (const auto& entry : fs::directory_iterator(again)) {
        ++files;
        EXPECT_TRUE(fileBytes(entry.path()) == fileBytes(dataDir + entry.path().filename().string()))
            << entry.path().filename() << " differs from the build's run";
    }
    EXPECT_GE(files, 47 + 2);
    const sf::Image& sheet = image("contact-sheet.png");
    EXPECT_GE(sheet.getSize().x, 1280u) << "the contact sheet shows every image";
    fs::remove_all(root);
}
