// The draw layer draws each frame exactly as drawing every call would, in the cases where leaving
// out or narrowing a draw is tempting and wrong.
#include <SFML/OpenGL.hpp>
#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>

#include "platform/gl_fast_paths.h"
#include "scenes/demo_state.h"
#include "runtime/draw_layer.h"
#include "support/support.h"

namespace {

// A demo texture holding `picture`, stored and with the facts the loader would give it, on a
// sprite of its own. However it is stored, it reads back as the picture.
sf::Sprite loadedAs(Image image, const sf::Image& picture, sf::Vector2f origin, sf::Vector2f position)
{
    sf::Texture& texture = testCatalogue().textures[static_cast<int>(image)];
    EXPECT_TRUE(loadTexels(texture, picture));
    const std::size_t bytes = std::size_t(picture.getSize().x) * picture.getSize().y * 4;
    const sf::Image readBack = texture.copyToImage();
    EXPECT_TRUE(std::equal(picture.getPixelsPtr(), picture.getPixelsPtr() + bytes, readBack.getPixelsPtr()));
    texture.setSmooth(true);
    testCatalogue().facts[static_cast<int>(image)] = imageFacts(picture);
    sf::Sprite placed(texture);
    placed.setOrigin(origin);
    placed.setPosition(position);
    return placed;
}

// The same, for a picture of `density` texels per design pixel.
sf::Sprite loadedDense(Image image, const sf::Image& picture, float density, sf::Vector2f origin, sf::Vector2f position)
{
    sf::Sprite placed = loadedAs(image, picture, origin, position);
    testCatalogue().facts[static_cast<int>(image)].density = density;
    return placed;
}

// Gives the image a close-up of `density` texels per design pixel, as the loader does.
void giveCloseUp(Image image, const sf::Image& picture, unsigned density)
{
    EXPECT_TRUE(testCatalogue().closeUps[static_cast<int>(image)].loadFromImage(picture));
    testCatalogue().closeUps[static_cast<int>(image)].setSmooth(true);
    testCatalogue().closeUpFacts[static_cast<int>(image)] = imageFacts(picture);
    testCatalogue().closeUpFacts[static_cast<int>(image)].density = density;
}

sf::Image picture(unsigned width, unsigned height, sf::Color fill)
{
    sf::Image image;
    image.create(width, height, fill);
    return image;
}

void paint(sf::Image& image, sf::IntRect area, sf::Color colour)
{
    for (int y = area.top; y < area.top + area.height; ++y)
        for (int x = area.left; x < area.left + area.width; ++x)
            image.setPixel(unsigned(x), unsigned(y), colour);
}

// A frame drawn into the test window, or with an output size into an off-screen output of that
// size with the picture framed in it.
sf::Image frameDrawnIn(DrawMode mode, const std::function<void(sf::RenderWindow&)>& draws, sf::Vector2u outputSize = {})
{
    sf::RenderWindow& window = testWindow();
    sf::RenderTexture output;
    if (outputSize.x > 0) {
        EXPECT_TRUE(output.create(outputSize.x, outputSize.y));
        setOffscreenOutput(&output);
        framePicture(window);
        clearOffscreenOutput();
    }
    setDrawMode(mode);
    window.clear(sf::Color::Black);
    draws(window);
    flushDraws(window);
    setDrawMode(DrawMode::Layer);
    if (outputSize.x > 0) {
        output.display();
        setOffscreenOutput(nullptr);
        framePicture(window);
        return output.getTexture().copyToImage();
    }
    sf::Texture copy;
    copy.create(window.getSize().x, window.getSize().y);
    copy.update(window);
    return copy.copyToImage();
}

int differingPixels(const sf::Image& a, const sf::Image& b)
{
    int count = 0;
    for (unsigned y = 0; y < a.getSize().y; ++y)
        for (unsigned x = 0; x < a.getSize().x; ++x)
            count += a.getPixel(x, y) != b.getPixel(x, y);
    return count;
}

// Over RGB, no channel more than 12 levels apart and a PSNR of at least 45 dB.
bool closeTo(const sf::Image& a, const sf::Image& b)
{
    double squares = 0.0;
    int largest = 0;
    const sf::Uint8* p = a.getPixelsPtr();
    const sf::Uint8* q = b.getPixelsPtr();
    const std::size_t bytes = std::size_t(a.getSize().x) * a.getSize().y * 4;
    for (std::size_t i = 0; i < bytes; ++i) {
        const int step = i % 4 == 3 ? 0 : std::abs(int(p[i]) - int(q[i]));
        largest = std::max(largest, step);
        squares += double(step) * step;
    }
    return largest <= 12 && (squares == 0.0 || 10.0 * std::log10(255.0 * 255.0 * double(bytes / 4 * 3) / squares) >= 45.0);
}

// A frame through the layer, pixel for pixel the same as drawing every call, or close to it where
// the layer calls the frame approximate (and says so in `lastLayeredApproximate`); `tall` frames it
// in a 16:10 output of 1920 x 1200, 1.5 pixels a design pixel below 60 rows of black.
bool lastLayeredApproximate = false;

sf::Image layeredFrame(const char* what, const std::function<void(sf::RenderWindow&)>& draws, bool tall = false)
{
    const sf::Vector2u size = tall ? sf::Vector2u(1920, 1200) : sf::Vector2u();
    const sf::Image layered = frameDrawnIn(DrawMode::Layer, draws, size);
    const bool approximate = stateDraw().approximate;
    lastLayeredApproximate = approximate;
    const sf::Image everything = frameDrawnIn(DrawMode::Everything, draws, size);
    if (approximate)
        EXPECT_TRUE(closeTo(layered, everything)) << what;
    else
        EXPECT_EQ(differingPixels(layered, everything), 0) << what;
    return layered;
}

const sf::Vector2f centre(640.0f, 360.0f);

// The pictures the cases share: a glint of three patches, an opaque black, black and white halves,
// a thin frame turned 30 degrees, a spark, a caption, and a landscape band.
class DrawLayerFrame : public ::testing::Test {
protected:
    void SetUp() override
    {
        testWindow();
        sf::Image glintPicture = picture(1280, 720, sf::Color::Transparent);
        paint(glintPicture, {40, 40, 100, 60}, sf::Color(255, 200, 100, 255));
        paint(glintPicture, {600, 330, 80, 60}, sf::Color(90, 160, 255, 120));
        paint(glintPicture, {1200, 650, 50, 40}, sf::Color(255, 255, 255, 3));
        glint = loadedAs(Image::WarpStreaks, glintPicture, centre, centre);
        black = loadedAs(Image::Black, picture(1280, 720, sf::Color::Black), centre, centre);
        sf::Image halvesPicture = picture(1280, 720, sf::Color::Black);
        paint(halvesPicture, {640, 0, 640, 720}, sf::Color::White);
        halves = loadedAs(Image::White, halvesPicture, centre, centre);
        sf::Image cornersPicture = picture(720, 720, sf::Color::Transparent);
        // A thin frame: turned, its edges cross cell borders at every offset.
        for (const sf::IntRect& side : {sf::IntRect(100, 100, 520, 2), sf::IntRect(100, 618, 520, 2),
                                        sf::IntRect(100, 100, 2, 520), sf::IntRect(618, 100, 2, 520)})
            paint(cornersPicture, side, sf::Color(255, 255, 255, 200));
        paint(cornersPicture, {0, 0, 30, 30}, sf::Color(255, 0, 0, 200));
        paint(cornersPicture, {690, 340, 30, 40}, sf::Color(0, 255, 0, 255));
        paint(cornersPicture, {300, 700, 120, 20}, sf::Color(0, 0, 255, 90));
        turned = loadedAs(Image::EmblemCore, cornersPicture, {360.0f, 360.0f}, centre);
        turned.setRotation(30.0f);
        turned.setScale(1.3f, 1.3f);
        sf::Image sparkPicture = picture(21, 19, sf::Color::Transparent);
        paint(sparkPicture, {5, 4, 11, 11}, sf::Color(255, 255, 0, 180));
        spark = loadedAs(Image::Glitter, sparkPicture, {10.0f, 9.0f}, {300.0f, 200.0f});
        ASSERT_TRUE(font.loadFromFile(NERETHVAL_BUILD_DIR "/data/Quillon8.ttf"));
        caption = sf::Text("over the overlay", font, 64);
        caption.setPosition(200.0f, 300.0f);
        // Opaque below a soft edge, clear above it, with a clear notch in the rock.
        bandPicture = picture(1280, 720, sf::Color::Transparent);
        paint(bandPicture, {0, 304, 1280, 416}, sf::Color(40, 90, 60, 255));
        paint(bandPicture, {0, 300, 1280, 4}, sf::Color(40, 90, 60, 128));
        paint(bandPicture, {500, 500, 37, 41}, sf::Color(0, 0, 0, 0));
    }

    // Specks of a few texels, each at its own place within its tile, zoomed by 1.37: some speck's
    // edge lands by a cell border on every side.
    sf::Sprite zoomedDust()
    {
        sf::Image dustPicture = picture(1280, 720, sf::Color::Transparent);
        for (int i = 0; i < 40; ++i)
            for (int j = 0; j < 22; ++j)
                paint(dustPicture, {i * 32 + i * 7 % 16, j * 32 + j * 5 % 16, 1 + i % 4, 1 + j % 3},
                      sf::Color(200, 220, 255, 255));
        sf::Sprite dust = loadedAs(Image::WarpHexagon, dustPicture, centre, {640.3f, 360.6f});
        dust.setScale(1.37f, 1.37f);
        return dust;
    }

    sf::Sprite glint, black, halves, turned, spark;
    sf::Font font;
    sf::Text caption;
    sf::Image bandPicture;
};

}  // namespace

TEST_F(DrawLayerFrame, AZeroScaleOpaqueOverlayHidesNothing)
{
    black.setScale(0.0f, 0.0f);
    const sf::Image frame = layeredFrame("", [&](sf::RenderWindow& window) {
        drawSprite(window, glint);
        drawSprite(window, black);
    });
    EXPECT_EQ(frame.getPixel(50, 50), sf::Color(255, 200, 100));
}

TEST_F(DrawLayerFrame, ATurnedSpriteReachesEveryCellItsCornersTurnInto)
{
    black.setScale(0.7f, 0.7f);
    black.setColor(sf::Color(255, 255, 255, 128));
    const sf::Image frame = layeredFrame("", [&](sf::RenderWindow& window) {
        drawSprite(window, glint);
        drawSprite(window, black);
        drawSprite(window, turned);
        drawSprite(window, spark);
    });
    EXPECT_NEAR(frame.getPixel(300, 200).g, 180, 2) << "the unscaled spark";
    EXPECT_EQ(frame.getPixel(1028, 584), sf::Color::Green) << "the turned picture's right edge, 30 degrees down";
    // The glint's draws lead with the first vertex; later frames' interpolation wants GL's default.
    GLint provokingVertex = 0;
    glGetIntegerv(0x8E4F, &provokingVertex);  // GL_PROVOKING_VERTEX
    EXPECT_EQ(provokingVertex, 0x8E4E) << "GL_LAST_VERTEX_CONVENTION";
}

TEST_F(DrawLayerFrame, AnOpaquePictureAtAlpha254LetsWhatIsBeneathThrough)
{
    halves.setColor(sf::Color(255, 255, 255, 254));
    const sf::Image frame = layeredFrame("", [&](sf::RenderWindow& window) {
        drawSprite(window, glint);
        drawSprite(window, halves);
    });
    EXPECT_EQ(frame.getPixel(50, 50).r, 1);
}

TEST_F(DrawLayerFrame, ACaptionOverAnOpaqueOverlayStillShows)
{
    const sf::Image frame = layeredFrame("", [&](sf::RenderWindow& window) {
        drawSprite(window, glint);
        drawSprite(window, black);
        drawText(window, caption);
    });
    EXPECT_EQ(frame.getPixel(50, 50), sf::Color::Black) << "the overlay hides the glint";
    EXPECT_GT(differingPixels(frame, picture(1280, 720, sf::Color::Black)), 500) << "the caption is drawn";
}

// The rock's first row starts a quarter pixel below a cell's top: that cell's first row of pixels
// still reads the soft edge above it.
TEST_F(DrawLayerFrame, ABandsRockHidesWhatIsBeneathItUpToItsEdgeAndRoundItsNotch)
{
    halves.setColor(sf::Color(255, 255, 255, 254));
    sf::Sprite band = loadedAs(Image::RangeFar, bandPicture, {0.0f, 0.0f}, {-3.37f, 16.25f});
    band.setScale(1.07f, 1.0f);
    const auto draws = [&](sf::RenderWindow& window) {
        drawSprite(window, halves);
        drawSprite(window, glint);
        drawSprite(window, band);
    };
    const sf::Image frame = layeredFrame("upright", draws);
    EXPECT_EQ(frame.getPixel(1000, 600), sf::Color(40, 90, 60)) << "the rock over the halves";
    EXPECT_EQ(frame.getPixel(1000, 100).r, 254) << "the white half above the band";
    band.setRotation(7.0f);
    layeredFrame("turned", draws);
    band.setColor(sf::Color(255, 255, 255, 254));
    layeredFrame("at alpha 254 it hides nothing", draws);
}

TEST_F(DrawLayerFrame, ZoomedAndTurnedDust)
{
    sf::Sprite dust = zoomedDust();
    layeredFrame("zoomed", [&](sf::RenderWindow& window) { drawSprite(window, dust); });
    dust.setRotation(11.0f);
    layeredFrame("turned", [&](sf::RenderWindow& window) { drawSprite(window, dust); });
}

// The cells are the output's pixels.
TEST_F(DrawLayerFrame, APictureFramedInA16By10Output)
{
    sf::Sprite dust = zoomedDust();
    dust.setRotation(11.0f);
    halves.setScale(1.2f, 1.2f);
    const sf::Image frame = layeredFrame("an enlarged picture, a caption and dust", [&](sf::RenderWindow& window) {
        drawSprite(window, halves);
        drawSprite(window, dust);
        drawText(window, caption);
    }, true);
    EXPECT_EQ(frame.getPixel(1700, 30), sf::Color::Black) << "the bar above the picture";
    EXPECT_EQ(frame.getPixel(1700, 1170), sf::Color::Black) << "the bar below the picture";
    EXPECT_EQ(frame.getPixel(1700, 61), sf::Color::White) << "the picture's top row";
    EXPECT_EQ(frame.getPixel(10, 600), sf::Color::Black) << "the left half, enlarged";
}

// A speck alone in its part of the picture, so that where a shrunk speck's filtering reaches past
// its cell, no neighbour has marked the next cell. The band's rock, at the output's own density as
// the loader resamples it, lands texel for pixel where it is placed at its design size.
TEST_F(DrawLayerFrame, DenseDustShrunkNearItsTexelsAndEnlargedOverDenseBandsRock)
{
    sf::Image sparsePicture = picture(1280, 720, sf::Color::Transparent);
    for (int i = 0; i < 10; ++i)
        for (int j = 0; j < 6; ++j)
            paint(sparsePicture, {i * 128 + i * 23 % 120, j * 120 + j * 41 % 110, 2, 2}, sf::Color::White);
    sf::Sprite denseDust = loadedDense(Image::WarpStar, sparsePicture, 2, {320.0f, 180.0f}, {640.3f, 360.6f});
    sf::Sprite denseBand = loadedDense(Image::RangeMiddle, bandPicture, 2, {0.0f, 0.0f}, {-3.37f, 16.25f});
    denseBand.setScale(2.1f, 1.9f);
    sf::Sprite resampledBand = loadedDense(Image::RangeFar, bandPicture, 1.5f, {0.0f, 0.0f}, {2.0f, -120.0f});
    for (float dustScale : {0.27f, 0.61f, 1.37f, 3.1f}) {
        denseDust.setScale(dustScale, dustScale);
        denseDust.setRotation(dustScale * 7.0f);
        layeredFrame("at 1.5 pixels a design pixel", [&](sf::RenderWindow& window) {
            drawSprite(window, glint);
            drawSprite(window, denseBand);
            drawSprite(window, resampledBand);
            drawSprite(window, denseDust);
        }, true);
    }
}

// A ring with a close-up three times as dense, told apart by its colour: the close-up takes over
// once a draw magnifies the ring 1.5 times, and the layer narrows to its texels.
TEST_F(DrawLayerFrame, AMagnifiedRingShowsItsCloseUp)
{
    sf::Image ringPicture = picture(240, 240, sf::Color::Transparent);
    sf::Image closeRingPicture = picture(720, 720, sf::Color::Transparent);
    for (const sf::IntRect& side : {sf::IntRect(20, 20, 200, 3), sf::IntRect(20, 20, 3, 200)}) {
        paint(ringPicture, side, sf::Color::Red);
        paint(closeRingPicture, {side.left * 3, side.top * 3, side.width * 3, side.height * 3}, sf::Color::Green);
    }
    sf::Sprite ring = loadedAs(Image::PulseHexagon, ringPicture, {120.0f, 120.0f}, {640.0f, 360.0f});
    giveCloseUp(Image::PulseHexagon, closeRingPicture, 3);
    halves.setScale(1.2f, 1.2f);
    for (float ringScale : {1.45f, 1.55f, 2.9f}) {
        ring.setScale(ringScale, ringScale);
        ring.setRotation(ringScale * 5.0f);
        const sf::Image frame = layeredFrame("over the halves", [&](sf::RenderWindow& window) {
            drawSprite(window, halves);
            drawSprite(window, ring);
        });
        const sf::Vector2f side = ring.getTransform().transformPoint(21.5f, 120.0f);
        const sf::Color shown = frame.getPixel(unsigned(side.x), unsigned(side.y));
        EXPECT_EQ(shown.r > shown.g, ringScale < 1.5f) << ringScale;
    }
    testCatalogue().closeUpFacts[static_cast<int>(Image::PulseHexagon)] = ImageFacts();
}


// Sparks of two images, turned, crossing one another in the order they are handed in: batched by
// image, each pixel still takes them in painter's order, over a picture on the fast path.
TEST_F(DrawLayerFrame, CrossingSparksOfTwoImagesKeepTheirOrderWhenBatched)
{
    sf::Image redPicture = picture(21, 19, sf::Color::Transparent);
    paint(redPicture, {3, 3, 15, 13}, sf::Color(255, 40, 40, 200));
    sf::Sprite red = loadedAs(Image::YellowSpark, redPicture, {10.0f, 9.0f}, centre);
    const auto draws = [&](sf::RenderWindow& window) {
        drawSprite(window, halves);
        for (int i = 0; i < 60; ++i) {
            sf::Sprite& next = i % 2 ? red : spark;
            next.setPosition(600.0f + float(i % 12) * 7.3f, 340.0f + float(i / 12) * 6.1f);
            next.setRotation(float(i) * 13.0f);
            drawSprite(window, next);
        }
        drawSprite(window, glint);
    };
    layeredFrame("over the halves", draws);
    EXPECT_FALSE(lastLayeredApproximate);
}

// A black veil at part alpha over everything, folded into the draws beneath it: close to drawing
// it, and a caption beneath a veil keeps it.
TEST_F(DrawLayerFrame, ABlackVeilDarkensWhatIsBeneathIt)
{
    black.setColor(sf::Color(255, 255, 255, 100));
    const auto draws = [&](sf::RenderWindow& window) {
        drawSprite(window, halves);
        drawSprite(window, glint);
        drawSprite(window, turned);
        drawSprite(window, spark);
        drawSprite(window, black);
        drawText(window, caption);
    };
    const sf::Image frame = layeredFrame("a caption above it", draws);
    EXPECT_TRUE(lastLayeredApproximate);
    EXPECT_NEAR(frame.getPixel(1000, 100).r, 155, 1) << "the white half";
    EXPECT_NEAR(frame.getPixel(50, 50).g, 200 * 155 / 255, 1) << "the glint";
    layeredFrame("a caption beneath it", [&](sf::RenderWindow& window) {
        drawSprite(window, halves);
        drawText(window, caption);
        drawSprite(window, black);
    });
    EXPECT_FALSE(lastLayeredApproximate);
}

// A ring with a clear border, turned, drawn as upright rectangles over its cells: at scales that
// shrink and enlarge it, faded, reaching past the picture's edge, and framed in a 16:10 output.
TEST_F(DrawLayerFrame, TurnedRingsOnUprightRectangles)
{
    sf::Image ringPicture = picture(300, 300, sf::Color::Transparent);
    for (const sf::IntRect& side : {sf::IntRect(20, 20, 260, 6), sf::IntRect(20, 274, 260, 6),
                                    sf::IntRect(20, 20, 6, 260), sf::IntRect(274, 20, 6, 260)})
        paint(ringPicture, side, sf::Color(120, 255, 60, 230));
    sf::Sprite ring = loadedAs(Image::PulseHexagon, ringPicture, {150.0f, 150.0f}, {500.0f, 330.0f});
    for (float ringScale : {0.4f, 1.0f, 2.7f, 4.5f}) {
        ring.setScale(ringScale, ringScale);
        ring.setRotation(17.0f + ringScale * 9.0f);
        ring.setColor(sf::Color(255, 255, 255, ringScale < 2.0f ? 255 : 140));
        for (bool tall : {false, true}) {
            const sf::Image frame = layeredFrame("over the halves", [&](sf::RenderWindow& window) {
                drawSprite(window, halves);
                drawSprite(window, ring);
            }, tall);
            EXPECT_TRUE(lastLayeredApproximate) << ringScale;
            const float scale = tall ? 1.5f : 1.0f;
            const sf::Vector2f top(0.0f, tall ? 60.0f : 0.0f);
            const sf::Vector2f side = ring.getTransform().transformPoint(23.0f, 150.0f) * scale + top;
            const sf::Vector2f inside = ring.getTransform().transformPoint(150.0f, 150.0f) * scale + top;
            const sf::FloatRect shown(top, sf::Vector2f(frame.getSize()) - 2.0f * top);
            if (shown.contains(side)) {
                EXPECT_GT(frame.getPixel(unsigned(side.x), unsigned(side.y)).g, 100) << ringScale << " the ring's left side";
            }
            EXPECT_EQ(frame.getPixel(unsigned(inside.x), unsigned(inside.y)), sf::Color::Black) << ringScale << " its middle";
        }
    }
}
