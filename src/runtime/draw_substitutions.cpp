#include "runtime/draw_substitutions.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "runtime/draw_batches.h"

namespace {

// Output pixels: a turned sprite's cells are drawn in pieces of this size, those that its texels
// reach, which follow its outline more closely than whole cells.
constexpr int turnedPiece = 8;

// The product of a texel channel and a tint channel where the blend unit's own product is exact.
bool exactProduct(sf::Uint8 texel, sf::Uint8 tint, sf::Uint8& product)
{
    if (texel == 0 || tint == 0)
        product = 0;
    else if (texel == 255)
        product = tint;
    else if (tint == 255)
        product = texel;
    else
        return false;
    return true;
}

// The sprite placed for a texture of `density` texels per design pixel in place of its design-size
// image: the scenes place and scale sprites in design pixels.
sf::Sprite withDenserTexels(const sf::Sprite& sprite, float density)
{
    sf::Sprite dense = sprite;
    dense.setOrigin(sprite.getOrigin() * density);
    dense.setScale(sprite.getScale() / density);
    return dense;
}

// A multiple of 2^-20: texture coordinates within a few texture sizes of the texture add and
// subtract exactly on such a grid, so Mesa finds each rectangle's four corners in one plane, as it
// must to take the rectangle whole.
float onCoordinateGrid(float fraction)
{
    return std::ldexp(std::round(std::ldexp(fraction, 20)), -20);
}

// An upright rectangle of the picture's pixels, its corners' texture coordinates those that the
// sprite's placement gives them, as fractions of the texture's size.
void appendRectangle(std::vector<sf::Vertex>& vertices, const sf::IntRect& pixels, const sf::Transform& toTexels,
                     const sf::Transform& toDesign, sf::Vector2f perTexel)
{
    const float* m = toTexels.getMatrix();
    const float left = float(pixels.left);
    const float top = float(pixels.top);
    const float width = float(pixels.width);
    const float height = float(pixels.height);
    const sf::Vector2f origin = toTexels.transformPoint(left, top);
    const sf::Vector2f start(onCoordinateGrid(origin.x * perTexel.x), onCoordinateGrid(origin.y * perTexel.y));
    const sf::Vector2f alongRow(onCoordinateGrid(m[0] * width * perTexel.x), onCoordinateGrid(m[1] * width * perTexel.y));
    const sf::Vector2f alongColumn(onCoordinateGrid(m[4] * height * perTexel.x), onCoordinateGrid(m[5] * height * perTexel.y));
    const sf::Vector2f topLeft = toDesign.transformPoint(left, top);
    const sf::Vector2f bottomRight = toDesign.transformPoint(left + width, top + height);
    appendQuad(vertices, {{topLeft, sf::Color::White, start},
                          {{topLeft.x, bottomRight.y}, sf::Color::White, start + alongColumn},
                          {{bottomRight.x, topLeft.y}, sf::Color::White, start + alongRow},
                          {bottomRight, sf::Color::White, start + alongRow + alongColumn}});
}

// A caption over a soft violet glow: two translucent outlines under the letters, the wider the
// fainter, each as faint as the letters are, so a fading caption takes its glow with it. Every
// outline is another pass over the caption's area, which software OpenGL pays for.
// outlineScale: units of the text's outline thickness per design pixel.
void drawGlowing(sf::RenderTarget& output, const sf::Text& text, float outlineScale)
{
    const sf::Uint8 alpha = text.getFillColor().a;
    sf::Text glow = text;
    glow.setFillColor(sf::Color::Transparent);
    const struct {
        float thickness;  // design pixels
        float strength;   // share of the letters' alpha
    } passes[] = {{5.0f, 0.13f}, {2.5f, 0.22f}};
    for (const auto& pass : passes) {
        glow.setOutlineThickness(pass.thickness * outlineScale);
        glow.setOutlineColor(sf::Color(170, 120, 255, sf::Uint8(float(alpha) * pass.strength)));
        output.draw(glow);
    }
    output.draw(text);
}

}  // namespace

// The catalogue image that `texture` holds in `textures`; -1 for any other texture.
int imageIn(const sf::Texture* texture, const sf::Texture (&textures)[imageCount])
{
    const std::less<const sf::Texture*> before;
    if (!texture || before(texture, textures) || !before(texture, textures + imageCount))
        return -1;
    return static_cast<int>(texture - textures);
}

// Whether the sprite shows its whole texture, as every catalogue sprite does.
bool showsWholeTexture(const sf::Sprite& sprite)
{
    const sf::Vector2u size = sprite.getTexture()->getSize();
    return sprite.getTextureRect() == sf::IntRect(0, 0, int(size.x), int(size.y));
}

// A one-colour image needs no texture: the quad in the colour the texture would give it.
bool plainColour(const sf::Sprite& sprite, const ImageFacts& facts, sf::Color& colour)
{
    const sf::Color tint = sprite.getColor();
    return facts.oneColour && exactProduct(facts.colour.r, tint.r, colour.r) &&
           exactProduct(facts.colour.g, tint.g, colour.g) && exactProduct(facts.colour.b, tint.b, colour.b) &&
           exactProduct(facts.colour.a, tint.a, colour.a);
}

// Unscaled, unturned and on whole pixels, every pixel centre lands on a texel centre, where
// linear filtering reads that one texel.
bool onWholeTexels(const sf::Transform& placement)
{
    const float* m = placement.getMatrix();
    return m[0] == 1.0f && m[5] == 1.0f && m[4] == 0.0f && m[1] == 0.0f && m[12] == std::floor(m[12]) &&
           m[13] == std::floor(m[13]);
}

void drawNarrowed(sf::RenderTarget& output, const sf::Sprite& sprite, const sf::Color* plain, bool opaque,
                  const sf::Shader* shader)
{
    // At full alpha the blend hands on the source colour exactly, so an opaque image needs none.
    const sf::BlendMode blend = opaque ? sf::BlendNone : sf::BlendAlpha;
    if (!plain) {
        output.draw(sprite, sf::RenderStates(blend, sf::Transform::Identity, nullptr, shader));
        return;
    }
    const sf::FloatRect local = sprite.getLocalBounds();
    // The sprite's own vertex order, so the quad splits into the same two triangles.
    const sf::Vertex quad[] = {
        {{0.0f, 0.0f}, *plain},
        {{0.0f, local.height}, *plain},
        {{local.width, 0.0f}, *plain},
        {{local.width, local.height}, *plain},
    };
    output.draw(quad, 4, sf::TriangleStrip, sf::RenderStates(blend, sprite.getTransform(), nullptr, nullptr));
}

bool turnedOnRectangles(const sf::Sprite& sprite, const sf::Transform& placement, const ImageFacts& facts)
{
    const float* m = placement.getMatrix();
    const sf::IntRect& box = facts.alphaBox;
    return (m[1] != 0.0f || m[4] != 0.0f) && sprite.getTexture()->isSmooth() && box.left > 0 && box.top > 0 &&
           box.left + box.width < int(facts.size.x) && box.top + box.height < int(facts.size.y);
}

void drawTurnedOnRectangles(sf::RenderTarget& output, const sf::Sprite& sprite, const sf::Transform& placement,
                            const ImageFacts& facts, const PictureFrame& frame, const std::vector<sf::IntRect>& cells,
                            const sf::Shader& shader, std::vector<sf::Vertex>& vertices)
{
    const sf::Transform toTexels = placement.getInverse();
    const sf::Transform toDesign = frame.toPixels.getInverse();
    const sf::Vector2u size = sprite.getTexture()->getSize();
    const sf::Vector2f perTexel(1.0f / float(size.x), 1.0f / float(size.y));
    vertices.clear();
    // The texels a piece's pixels read, from its top left corner's texel: a linear filter reads
    // the texel beside each pixel centre's.
    const float* m = toTexels.getMatrix();
    const sf::Vector2f pieceAcross(m[0] * float(turnedPiece), m[1] * float(turnedPiece));
    const sf::Vector2f pieceDown(m[4] * float(turnedPiece), m[5] * float(turnedPiece));
    const float filterReach = 1.5f;
    const sf::Vector2f low(std::min(0.0f, pieceAcross.x) + std::min(0.0f, pieceDown.x) - filterReach,
                           std::min(0.0f, pieceAcross.y) + std::min(0.0f, pieceDown.y) - filterReach);
    const sf::Vector2f high(std::max(0.0f, pieceAcross.x) + std::max(0.0f, pieceDown.x) + filterReach,
                            std::max(0.0f, pieceAcross.y) + std::max(0.0f, pieceDown.y) + filterReach);
    const sf::Vector2f reach = high - low;
    for (const sf::IntRect& rectangle : cells) {
        const int left = rectangle.left * drawCellSize;
        const int right = std::min(frame.pixels.width, (rectangle.left + rectangle.width) * drawCellSize);
        const int bottom = std::min(frame.pixels.height, (rectangle.top + rectangle.height) * drawCellSize);
        for (int top = rectangle.top * drawCellSize; top < bottom; top += turnedPiece) {
            const int height = std::min(turnedPiece, bottom - top);
            sf::Vector2f corner = toTexels.transformPoint(float(left), float(top));
            int runStart = -1;
            for (int x = left; x < right; x += turnedPiece, corner += pieceAcross) {
                const bool shows = alphaWithin(facts, {corner + low, reach});
                if (shows && runStart < 0)
                    runStart = x;
                if (!shows && runStart >= 0) {
                    appendRectangle(vertices, {runStart, top, x - runStart, height}, toTexels, toDesign, perTexel);
                    runStart = -1;
                }
            }
            if (runStart >= 0)
                appendRectangle(vertices, {runStart, top, right - runStart, height}, toTexels, toDesign, perTexel);
        }
    }
    output.draw(vertices.data(), vertices.size(), sf::Triangles,
                sf::RenderStates(sf::BlendAlpha, sf::Transform::Identity, sprite.getTexture(), &shader));
    vertices.clear();
}

// A caption set at the output's size rather than magnified from the design's glyphs: the
// character size grows by the picture's scale and the text's own scale shrinks to match. Hinted
// glyph advances do not grow in step, so the line is centred where the design's line is.
void drawTextSharp(sf::RenderTarget& output, const sf::Text& text, float scale)
{
    const unsigned designSize = text.getCharacterSize();
    const unsigned outputSize = unsigned(std::lround(float(designSize) * scale));
    if (outputSize == designSize || outputSize == 0) {
        drawGlowing(output, text, 1.0f);
        return;
    }
    const float ratio = float(outputSize) / float(designSize);
    sf::Text sharp = text;
    sharp.setCharacterSize(outputSize);
    sharp.setOutlineThickness(text.getOutlineThickness() * ratio);
    sharp.setOrigin(text.getOrigin() * ratio);
    sharp.setScale(text.getScale() / ratio);
    const sf::FloatRect design = text.getGlobalBounds();
    const sf::FloatRect set = sharp.getGlobalBounds();
    sharp.move(design.left + design.width * 0.5f - (set.left + set.width * 0.5f),
               design.top + design.height * 0.5f - (set.top + set.height * 0.5f));
    drawGlowing(output, sharp, ratio);
}

// The sprite as it is drawn: a dense image's texels cover the design pixels of its design-size
// image, and a draw that magnifies an image to half its close-up's density or more shows the
// close-up instead, which it squeezes at most two texels into an output pixel: enough for linear
// filtering without mipmaps, which software OpenGL samples so much more slowly.
sf::Sprite asDrawn(const sf::Sprite& sprite, const Catalogue& catalogue, float outputScale)
{
    const int image = imageIn(sprite.getTexture(), catalogue.textures);
    if (image < 0)
        return sprite;
    const ImageFacts& facts = catalogue.facts[image];
    const ImageFacts& closeUp = catalogue.closeUpFacts[image];
    const sf::Vector2f scale = sprite.getScale();
    const float magnified = std::min(std::fabs(scale.x), std::fabs(scale.y)) * outputScale;
    if (closeUp.known && facts.density == 1.0f && showsWholeTexture(sprite) &&
        2.0f * magnified >= closeUp.density) {
        sf::Sprite closer = withDenserTexels(sprite, closeUp.density);
        closer.setTexture(catalogue.closeUps[image], true);
        return closer;
    }
    if (facts.density == 1.0f)
        return sprite;
    return withDenserTexels(sprite, facts.density);
}
