#include "runtime/draw_layer.h"

#include <SFML/OpenGL.hpp>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>

#include "runtime/demo_state.h"

namespace {

// The catalogue image that `texture` holds in `textures`; -1 for any other texture.
int imageIn(const sf::Texture* texture, const sf::Texture (&textures)[imageCount])
{
    const std::less<const sf::Texture*> before;
    if (!texture || before(texture, textures) || !before(texture, textures + imageCount))
        return -1;
    return static_cast<int>(texture - textures);
}

// The catalogue image whose texture the sprite shows; -1 for any other texture, close-ups included.
int imageOf(const sf::Sprite& sprite) { return imageIn(sprite.getTexture(), demo.textures); }

// Whether the sprite shows its whole texture, as every catalogue sprite does.
bool showsWholeTexture(const sf::Sprite& sprite)
{
    const sf::Vector2u size = sprite.getTexture()->getSize();
    return sprite.getTextureRect() == sf::IntRect(0, 0, int(size.x), int(size.y));
}

// Facts are trusted only for the image they were worked out from: a demo texture or close-up,
// still that size, drawn whole and not repeated. Anything else (a test picture, say) is drawn
// without them. `image` is the catalogue image shown.
const ImageFacts* factsOf(const sf::Sprite& sprite, int& image)
{
    const sf::Texture* texture = sprite.getTexture();
    const ImageFacts* facts = nullptr;
    if ((image = imageIn(texture, demo.textures)) >= 0)
        facts = &demo.imageFacts[image];
    else if ((image = imageIn(texture, demo.closeUps)) >= 0)
        facts = &demo.closeUpFacts[image];
    if (!facts || !facts->known || texture->getSize() != facts->size || texture->isRepeated() ||
        !showsWholeTexture(sprite))
        return nullptr;
    return facts;
}

// The design's picture in world coordinates, shown in the frame's rectangle of the output.
sf::View pictureView(const PictureFrame& frame)
{
    const sf::Vector2f size(float(frame.outputSize.x), float(frame.outputSize.y));
    sf::View view(sf::FloatRect(0.0f, 0.0f, float(designWidth), float(designHeight)));
    view.setViewport(sf::FloatRect(float(frame.pixels.left) / size.x, float(frame.pixels.top) / size.y,
                                   float(frame.pixels.width) / size.x, float(frame.pixels.height) / size.y));
    return view;
}

// Draws are narrowed only through the view that framePicture set: then the cells and whole-pixel
// placement mean what they say.
bool viewIsPicture(const sf::RenderTarget& output)
{
    const sf::View& view = output.getView();
    const PictureFrame& frame = demo.drawLayer.frame;
    const sf::View picture = pictureView(frame);
    return output.getSize() == frame.outputSize && view.getRotation() == picture.getRotation() &&
           view.getSize() == picture.getSize() && view.getCenter() == picture.getCenter() &&
           view.getViewport() == picture.getViewport();
}

// A sprite as it lands in the picture: its transform, in pixels of the picture.
sf::Transform placementOf(const sf::Sprite& sprite)
{
    return demo.drawLayer.frame.toPixels * sprite.getTransform();
}

float determinant(const sf::Transform& transform)
{
    const float* m = transform.getMatrix();
    return m[0] * m[5] - m[4] * m[1];
}

// The picture rectangle that a local rectangle can touch, a pixel wider all round.
sf::FloatRect reach(const sf::Transform& placement, const sf::FloatRect& local)
{
    const sf::FloatRect bounds = placement.transformRect(local);
    return {bounds.left - 1.0f, bounds.top - 1.0f, bounds.width + 2.0f, bounds.height + 2.0f};
}

bool touchesPicture(const sf::FloatRect& area, sf::Vector2i pictureSize)
{
    return area.left < float(pictureSize.x) && area.top < float(pictureSize.y) && area.left + area.width > 0.0f &&
           area.top + area.height > 0.0f;
}

// How far beyond its texels with any alpha an image can reach: linear filtering reads the next
// texel; from a mipmap's coarser levels a texel reaches some texels per pixel further, and a
// little more where the driver rounds its level of detail up.
int texelReach(const sf::Transform& placement, const ImageFacts& facts)
{
    if (!facts.mipmapped)
        return 1;
    const float* m = placement.getMatrix();
    const double a = m[0], b = m[4], c = m[1], d = m[5];
    const double sum = a * a + b * b + c * c + d * d;
    const double det = std::fabs(a * d - b * c);
    const double largest = std::sqrt(0.5 * (sum + std::sqrt(std::max(0.0, sum * sum - 4.0 * det * det))));
    const double texelsPerPixel = largest > 0.0 ? largest / det : 0.0;  // along the most squeezed axis
    return 1 + int(std::ceil(5.0 * std::clamp(texelsPerPixel, 1.0, 64.0)));
}

// A texel rectangle grown all round by what filtering reads around it.
sf::FloatRect paddedTexels(int left, int top, int width, int height, int padding)
{
    return {float(left - padding), float(top - padding), float(width + 2 * padding), float(height + 2 * padding)};
}

// Whether a sprite can change a pixel at all.
bool canShow(const sf::Sprite& sprite, const sf::Transform& placement, const ImageFacts* facts, sf::Vector2i pictureSize)
{
    if (sprite.getColor().a == 0 || determinant(placement) == 0.0f)
        return false;
    if (!facts)
        return touchesPicture(reach(placement, sprite.getLocalBounds()), pictureSize);
    const sf::IntRect& box = facts->alphaBox;
    if (box.width <= 0 || box.height <= 0)
        return false;
    const int padding = texelReach(placement, *facts);
    return touchesPicture(reach(placement, paddedTexels(box.left, box.top, box.width, box.height, padding)), pictureSize);
}

// How many cells the picture has across and down; cells are kept row by row.
sf::Vector2i cellGrid(sf::Vector2i pictureSize)
{
    return {(pictureSize.x + drawCellSize - 1) / drawCellSize, (pictureSize.y + drawCellSize - 1) / drawCellSize};
}

// The picture cells, inclusive, that a picture rectangle touches; none when x1 < x0 or y1 < y0.
struct CellRange {
    int x0, y0, x1, y1;
};

CellRange cellsUnder(const sf::FloatRect& area, sf::Vector2i pictureSize)
{
    const sf::Vector2i grid = cellGrid(pictureSize);
    return {std::max(0, int(std::floor(area.left / drawCellSize))), std::max(0, int(std::floor(area.top / drawCellSize))),
            std::min(grid.x - 1, int(std::floor((area.left + area.width) / drawCellSize))),
            std::min(grid.y - 1, int(std::floor((area.top + area.height) / drawCellSize)))};
}

// Marks the cells that a turned sprite's tile can reach. Its rectangle box would hold far more
// cells than the tile's quad touches, so each row of cells gets the quad's own span across the
// row's band, a pixel wider all round.
void markTurnedTile(char* cells, int across, const sf::Transform& transform, const sf::FloatRect& texels,
                    const CellRange& bounds)
{
    const float right = texels.left + texels.width;
    const float bottom = texels.top + texels.height;
    const sf::Vector2f corners[] = {transform.transformPoint(texels.left, texels.top), transform.transformPoint(right, texels.top),
                                    transform.transformPoint(right, bottom), transform.transformPoint(texels.left, bottom)};
    float highest = corners[0].y;
    float lowest = corners[0].y;
    for (const sf::Vector2f& corner : corners) {
        highest = std::min(highest, corner.y);
        lowest = std::max(lowest, corner.y);
    }
    const int y0 = std::max(bounds.y0, int(std::floor((highest - 1.0f) / drawCellSize)));
    const int y1 = std::min(bounds.y1, int(std::floor((lowest + 1.0f) / drawCellSize)));
    for (int y = y0; y <= y1; ++y) {
        const float bandTop = float(y * drawCellSize) - 1.0f;
        const float bandBottom = float((y + 1) * drawCellSize) + 1.0f;
        float spanLeft = std::numeric_limits<float>::max();
        float spanRight = std::numeric_limits<float>::lowest();
        for (int edge = 0; edge < 4; ++edge) {
            const sf::Vector2f a = corners[edge];
            const sf::Vector2f b = corners[(edge + 1) % 4];
            // The part of the edge inside the band, as a stretch of its run from a to b.
            float from = 0.0f;
            float to = 1.0f;
            if (a.y == b.y) {
                if (a.y < bandTop || a.y > bandBottom)
                    continue;
            } else {
                const float atTop = (bandTop - a.y) / (b.y - a.y);
                const float atBottom = (bandBottom - a.y) / (b.y - a.y);
                from = std::max(from, std::min(atTop, atBottom));
                to = std::min(to, std::max(atTop, atBottom));
                if (from > to)
                    continue;
            }
            for (float along : {from, to}) {
                const float x = a.x + (b.x - a.x) * along;
                spanLeft = std::min(spanLeft, x);
                spanRight = std::max(spanRight, x);
            }
        }
        if (spanLeft > spanRight)
            continue;
        const int x0 = std::max(bounds.x0, int(std::floor((spanLeft - 1.0f) / drawCellSize)));
        const int x1 = std::min(bounds.x1, int(std::floor((spanRight + 1.0f) / drawCellSize)));
        if (x0 <= x1)
            std::memset(&cells[std::size_t(y * across + x0)], 1, std::size_t(x1 - x0 + 1));
    }
}

// Marks the picture cells that the image's non-empty tiles can reach, less those that later draws
// replace, and gathers them into rectangles of cells: runs along each row, stacked where the rows
// below repeat them. Only the cells that the alpha box can reach are looked at.
void findScissors(DrawLayer& layer, const sf::Transform& placement, const ImageFacts& facts,
                  const std::vector<char>* hidden, sf::Vector2i pictureSize)
{
    const sf::Vector2i grid = cellGrid(pictureSize);
    const int across = grid.x;
    layer.cells.resize(std::size_t(grid.x) * std::size_t(grid.y));
    layer.scissors.clear();
    const sf::IntRect& box = facts.alphaBox;
    const int padding = texelReach(placement, facts);
    const CellRange bounds =
        cellsUnder(reach(placement, paddedTexels(box.left, box.top, box.width, box.height, padding)), pictureSize);
    if (bounds.x1 < bounds.x0 || bounds.y1 < bounds.y0)
        return;
    for (int y = bounds.y0; y <= bounds.y1; ++y)
        std::memset(&layer.cells[std::size_t(y * across + bounds.x0)], 0, std::size_t(bounds.x1 - bounds.x0 + 1));

    const int tilesAcross = int(facts.tilesAcross);
    const int tilesDown = tilesAcross ? int(facts.tileBoxes.size()) / tilesAcross : 0;
    const float* m = placement.getMatrix();
    const bool turned = m[1] != 0.0f || m[4] != 0.0f;
    for (int ty = 0; ty < tilesDown; ++ty) {
        for (int tx = 0; tx < tilesAcross; ++tx) {
            const TileBox& tile = facts.tileBoxes[std::size_t(ty * tilesAcross + tx)];
            if (tile.right == 0)
                continue;
            const sf::FloatRect texels = paddedTexels(tx * drawCellSize + tile.left, ty * drawCellSize + tile.top,
                                                      tile.right - tile.left, tile.bottom - tile.top, padding);
            if (turned) {
                markTurnedTile(layer.cells.data(), across, placement, texels, bounds);
                continue;
            }
            const CellRange cells = cellsUnder(reach(placement, texels), pictureSize);
            const int x0 = std::max(cells.x0, bounds.x0);
            const int x1 = std::min(cells.x1, bounds.x1);
            for (int y = std::max(cells.y0, bounds.y0); x0 <= x1 && y <= std::min(cells.y1, bounds.y1); ++y)
                std::memset(&layer.cells[std::size_t(y * across + x0)], 1, std::size_t(x1 - x0 + 1));
        }
    }

    for (int y = bounds.y0; y <= bounds.y1; ++y) {
        char* row = &layer.cells[std::size_t(y * across)];
        if (hidden) {
            const char* hiddenRow = &(*hidden)[std::size_t(y * across)];
            for (int x = bounds.x0; x <= bounds.x1; ++x)
                row[x] &= char(!hiddenRow[x]);
        }
        for (int x = bounds.x0; x <= bounds.x1;) {
            if (!row[x]) {
                ++x;
                continue;
            }
            const int runStart = x;
            while (x <= bounds.x1 && row[x])
                ++x;
            const auto above = std::find_if(layer.scissors.begin(), layer.scissors.end(), [&](const sf::IntRect& rect) {
                return rect.left == runStart && rect.width == x - runStart && rect.top + rect.height == y;
            });
            if (above != layer.scissors.end())
                ++above->height;
            else
                layer.scissors.push_back({runStart, y, x - runStart, 1});
        }
    }
}

// Marks the picture cells whose every pixel this sprite replaces: at full alpha, where every pixel
// of the cell lies on the sprite and its texels, and what filtering reads around them, clamped to
// the edge as the texture is, lie in opaque tiles. Whatever an earlier draw leaves in such a cell
// is overwritten. A zero-scale sprite has no inverse, so it replaces nothing. Says whether it
// marked a cell not marked yet.
bool markReplacedCells(std::vector<char>& covered, const sf::Sprite& sprite, const sf::Transform& placement,
                       const ImageFacts& facts, sf::Vector2i pictureSize)
{
    if (!facts.anyOpaqueTile || sprite.getColor().a != 255 || std::fabs(determinant(placement)) < 1e-6f)
        return false;
    const sf::Transform toImage = placement.getInverse();
    const int across = cellGrid(pictureSize).x;
    const int padding = texelReach(placement, facts);
    const CellRange cells = cellsUnder(reach(placement, sprite.getLocalBounds()), pictureSize);
    const int width = int(facts.size.x);
    const int height = int(facts.size.y);
    const int tilesAcross = int(facts.tilesAcross);
    bool marked = false;
    for (int y = cells.y0; y <= cells.y1; ++y) {
        for (int x = cells.x0; x <= cells.x1; ++x) {
            char& cell = covered[std::size_t(y * across + x)];
            if (cell)
                continue;
            const sf::FloatRect pixels(float(x * drawCellSize), float(y * drawCellSize),
                                       float(std::min(drawCellSize, pictureSize.x - x * drawCellSize)),
                                       float(std::min(drawCellSize, pictureSize.y - y * drawCellSize)));
            const sf::FloatRect texels = toImage.transformRect(pixels);
            if (texels.left < 0.0f || texels.top < 0.0f || texels.left + texels.width > float(width) ||
                texels.top + texels.height > float(height))
                continue;
            const int left = std::max(0, int(std::floor(texels.left - 0.5f)) - padding);
            const int top = std::max(0, int(std::floor(texels.top - 0.5f)) - padding);
            const int right = std::min(width - 1, int(std::floor(texels.left + texels.width - 0.5f)) + 1 + padding);
            const int bottom = std::min(height - 1, int(std::floor(texels.top + texels.height - 0.5f)) + 1 + padding);
            bool opaque = true;
            for (int ty = top / drawCellSize; opaque && ty <= bottom / drawCellSize; ++ty)
                for (int tx = left / drawCellSize; opaque && tx <= right / drawCellSize; ++tx)
                    opaque = facts.opaqueTiles[std::size_t(ty * tilesAcross + tx)];
            if (opaque)
                cell = marked = true;
        }
    }
    return marked;
}

void setScissor(const sf::IntRect& cells, const PictureFrame& frame)
{
    const int left = cells.left * drawCellSize;
    const int top = cells.top * drawCellSize;
    const int right = std::min(frame.pixels.width, (cells.left + cells.width) * drawCellSize);
    const int bottom = std::min(frame.pixels.height, (cells.top + cells.height) * drawCellSize);
    // The scissor counts from the output's bottom left corner.
    glScissor(frame.pixels.left + left, int(frame.outputSize.y) - frame.pixels.top - bottom, right - left, bottom - top);
}

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

void drawNarrowed(sf::RenderTarget& output, const sf::Sprite& sprite, const sf::Color* plain, bool opaque)
{
    // At full alpha the blend hands on the source colour exactly, so an opaque image needs none.
    const sf::BlendMode blend = opaque ? sf::BlendNone : sf::BlendAlpha;
    if (!plain) {
        output.draw(sprite, blend);
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

void drawSpriteNarrowed(DrawLayer& layer, sf::RenderTarget& output, const sf::Sprite& sprite,
                        const sf::Transform& placement, const ImageFacts* facts, int image,
                        const std::vector<char>* hidden)
{
    if (!facts) {
        output.draw(sprite);
        return;
    }
    const sf::Vector2i pictureSize(layer.frame.pixels.width, layer.frame.pixels.height);
    findScissors(layer, placement, *facts, hidden, pictureSize);
    if (layer.scissors.empty())
        return;

    sf::Color colour;
    const bool plain = plainColour(sprite, *facts, colour);
    const bool opaque = facts->opaque && sprite.getColor().a == 255;
    sf::Texture& texture = demo.textures[image];
    // SFML knows nothing of a dense image's mipmaps, so its smoothing is left as it is.
    const bool nearest = !plain && facts->density == 1 && texture.isSmooth() && onWholeTexels(placement);
    if (nearest)
        texture.setSmooth(false);
    glEnable(GL_SCISSOR_TEST);
    for (const sf::IntRect& cells : layer.scissors) {
        setScissor(cells, layer.frame);
        drawNarrowed(output, sprite, plain ? &colour : nullptr, opaque);
    }
    glDisable(GL_SCISSOR_TEST);
    if (nearest)
        texture.setSmooth(true);
}

bool textShows(const sf::Text& text)
{
    return text.getFillColor().a != 0 || (text.getOutlineThickness() != 0.0f && text.getOutlineColor().a != 0);
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

// A caption set at the output's size rather than magnified from the design's glyphs: the
// character size grows by the picture's scale and the text's own scale shrinks to match. Hinted
// glyph advances do not grow in step, so the line is centred where the design's line is.
void drawTextSharp(sf::RenderTarget& output, const sf::Text& text)
{
    const float scale = pictureScale();
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

// The sprite placed for a texture of `density` texels per design pixel in place of its design-size
// image: the scenes place and scale sprites in design pixels.
sf::Sprite withDenserTexels(const sf::Sprite& sprite, unsigned density)
{
    sf::Sprite dense = sprite;
    dense.setOrigin(sprite.getOrigin() * float(density));
    dense.setScale(sprite.getScale() / float(density));
    return dense;
}

// The sprite as it is drawn: a dense image's texels cover the design pixels of its design-size
// image, and a draw that magnifies an image to half its close-up's density or more shows the
// close-up instead, which it squeezes at most two texels into an output pixel: enough for linear
// filtering without mipmaps, which software OpenGL samples so much more slowly.
sf::Sprite asDrawn(const sf::Sprite& sprite)
{
    const int image = imageOf(sprite);
    if (image < 0)
        return sprite;
    const ImageFacts& facts = demo.imageFacts[image];
    const ImageFacts& closeUp = demo.closeUpFacts[image];
    const sf::Vector2f scale = sprite.getScale();
    const float magnified = std::min(std::fabs(scale.x), std::fabs(scale.y)) * pictureScale();
    if (closeUp.known && facts.density == 1 && showsWholeTexture(sprite) &&
        2.0f * magnified >= float(closeUp.density)) {
        sf::Sprite closer = withDenserTexels(sprite, closeUp.density);
        closer.setTexture(demo.closeUps[image], true);
        return closer;
    }
    if (facts.density == 1)
        return sprite;
    return withDenserTexels(sprite, facts.density);
}

}  // namespace

ImageFacts imageFacts(const sf::Image& image)
{
    ImageFacts facts;
    const sf::Vector2u size = image.getSize();
    const sf::Uint8* pixels = image.getPixelsPtr();
    if (!pixels || size.x == 0 || size.y == 0)
        return facts;
    facts.known = true;
    facts.size = size;
    facts.tilesAcross = (size.x + drawCellSize - 1) / drawCellSize;
    const unsigned tilesDown = (size.y + drawCellSize - 1) / drawCellSize;
    facts.tileBoxes.assign(std::size_t(facts.tilesAcross) * tilesDown, TileBox());
    facts.opaqueTiles.assign(std::size_t(facts.tilesAcross) * tilesDown, true);

    // Texels as 32-bit words: R, G, B, A in memory order. Each tile's span of a row is taken whole,
    // a short last one filled out with a texel of its own, so the loops keep one fixed length.
    std::uint32_t first;
    std::memcpy(&first, pixels, 4);
    std::uint32_t alphaMask;
    const sf::Uint8 alphaOnly[4] = {0, 0, 0, 255};
    std::memcpy(&alphaMask, alphaOnly, 4);
    bool opaque = true;
    bool oneColour = true;
    std::uint32_t span[drawCellSize];
    for (unsigned y = 0; y < size.y; ++y) {
        const sf::Uint8* row = pixels + std::size_t(y) * size.x * 4;
        for (unsigned tile = 0; tile < facts.tilesAcross; ++tile) {
            const unsigned from = tile * drawCellSize;
            const unsigned count = std::min(size.x - from, unsigned(drawCellSize));
            std::memcpy(span, row + std::size_t(from) * 4, std::size_t(count) * 4);
            std::fill(span + count, span + drawCellSize, span[0]);
            std::uint32_t any = 0;
            for (std::uint32_t texel : span)
                any |= texel;
            std::uint32_t all = alphaMask;
            for (std::uint32_t texel : span)
                all &= texel;
            if (all != alphaMask) {
                opaque = false;
                facts.opaqueTiles[std::size_t(y / drawCellSize) * facts.tilesAcross + tile] = false;
            }
            if (oneColour) {
                std::uint32_t differs = 0;
                for (std::uint32_t texel : span)
                    differs |= texel ^ first;
                oneColour = differs == 0;
            }
            if ((any & alphaMask) == 0)
                continue;
            auto spanLeft = std::uint8_t(0);
            while ((span[spanLeft] & alphaMask) == 0)
                ++spanLeft;
            auto spanRight = std::uint8_t(count);
            while ((span[spanRight - 1] & alphaMask) == 0)
                --spanRight;
            TileBox& box = facts.tileBoxes[std::size_t(y / drawCellSize) * facts.tilesAcross + tile];
            const auto rowInTile = std::uint8_t(y % drawCellSize);
            if (box.right == 0)
                box = {spanLeft, rowInTile, spanRight, rowInTile};
            box.left = std::min(box.left, spanLeft);
            box.right = std::max(box.right, spanRight);
            box.bottom = std::uint8_t(rowInTile + 1);
        }
    }
    facts.opaque = opaque;
    facts.anyOpaqueTile = std::find(facts.opaqueTiles.begin(), facts.opaqueTiles.end(), true) != facts.opaqueTiles.end();
    facts.oneColour = oneColour;
    facts.colour = sf::Color(pixels[0], pixels[1], pixels[2], pixels[3]);

    // The alpha box holds every tile's box.
    int left = int(size.x), top = int(size.y), right = 0, bottom = 0;
    for (std::size_t i = 0; i < facts.tileBoxes.size(); ++i) {
        const TileBox& box = facts.tileBoxes[i];
        if (box.right == 0)
            continue;
        const int tileLeft = int(i % facts.tilesAcross) * drawCellSize;
        const int tileTop = int(i / facts.tilesAcross) * drawCellSize;
        left = std::min(left, tileLeft + box.left);
        top = std::min(top, tileTop + box.top);
        right = std::max(right, tileLeft + box.right);
        bottom = std::max(bottom, tileTop + box.bottom);
    }
    if (right > left)
        facts.alphaBox = sf::IntRect(left, top, right - left, bottom - top);
    return facts;
}

void setDrawMode(DrawMode mode)
{
    demo.drawLayer.mode = mode;
}

PictureFrame pictureFrame(sf::Vector2u outputSize)
{
    PictureFrame frame;
    frame.outputSize = outputSize;
    const std::uint64_t width = outputSize.x;
    const std::uint64_t height = outputSize.y;
    // The largest 16:9 rectangle, to the nearest pixel.
    if (width * designHeight >= height * designWidth)
        frame.pixels.width = int((height * designWidth + designHeight / 2) / designHeight), frame.pixels.height = int(height);
    else
        frame.pixels.width = int(width), frame.pixels.height = int((width * designHeight + designWidth / 2) / designWidth);
    frame.pixels.left = int(width - std::uint64_t(frame.pixels.width)) / 2;
    frame.pixels.top = int(height - std::uint64_t(frame.pixels.height)) / 2;
    frame.toPixels = sf::Transform().scale(float(frame.pixels.width) / float(designWidth),
                                           float(frame.pixels.height) / float(designHeight));
    return frame;
}

void framePicture(sf::RenderWindow& window)
{
    sf::RenderTarget& output = outputOf(window);
    PictureFrame& frame = demo.drawLayer.frame;
    frame = pictureFrame(output.getSize());
    if (frame.pixels.width > 0 && frame.pixels.height > 0)
        output.setView(pictureView(frame));
}

float scaleOf(const PictureFrame& frame)
{
    return float(frame.pixels.height) / float(designHeight);
}

float pictureScale()
{
    return scaleOf(demo.drawLayer.frame);
}

void setOffscreenOutput(sf::RenderTexture* texture)
{
    demo.drawLayer.offscreen = texture;
}

sf::RenderTarget& outputOf(sf::RenderWindow& window)
{
    DrawLayer& layer = demo.drawLayer;
    return layer.offscreen ? static_cast<sf::RenderTarget&>(*layer.offscreen) : window;
}

void clearOffscreenOutput()
{
    if (sf::RenderTexture* texture = demo.drawLayer.offscreen)
        texture->clear(sf::Color(0, 0, 0, 255));
}

void drawSprite(sf::RenderWindow& window, const sf::Sprite& sprite)
{
    DrawLayer& layer = demo.drawLayer;
    if (layer.mode == DrawMode::Everything)
        outputOf(window).draw(asDrawn(sprite));
    else if (layer.mode == DrawMode::Layer)
        layer.draws.push_back({asDrawn(sprite), -1});
}

void drawText(sf::RenderWindow& window, const sf::Text& text)
{
    DrawLayer& layer = demo.drawLayer;
    if (layer.mode == DrawMode::Everything) {
        drawTextSharp(outputOf(window), text);
    } else if (layer.mode == DrawMode::Layer) {
        if (layer.textCount == layer.texts.size())
            layer.texts.push_back(text);
        else
            layer.texts[layer.textCount] = text;
        layer.draws.push_back({sf::Sprite(), static_cast<int>(layer.textCount++)});
    }
}

void flushDraws(sf::RenderWindow& window)
{
    DrawLayer& layer = demo.drawLayer;
    if (layer.draws.empty())
        return;
    sf::RenderTarget& output = outputOf(window);
    const sf::Vector2i pictureSize(layer.frame.pixels.width, layer.frame.pixels.height);
    const bool narrow = viewIsPicture(output);

    // Walking back from the top, each draw learns which cells the draws above it replace. Once
    // they replace every cell, nothing beneath them can show.
    const sf::Vector2i grid = cellGrid(pictureSize);
    layer.hiddenFor.assign(layer.draws.size(), -1);
    layer.hidden.clear();
    layer.covered.assign(std::size_t(grid.x) * std::size_t(grid.y), 0);
    std::size_t first = 0;
    int hiddenNow = -1;
    for (std::size_t i = layer.draws.size(); narrow && i-- > 0;) {
        layer.hiddenFor[i] = hiddenNow;
        const DeferredDraw& draw = layer.draws[i];
        int image = 0;
        const ImageFacts* facts = draw.text < 0 ? factsOf(draw.sprite, image) : nullptr;
        if (facts && markReplacedCells(layer.covered, draw.sprite, placementOf(draw.sprite), *facts, pictureSize)) {
            if (std::find(layer.covered.begin(), layer.covered.end(), 0) == layer.covered.end()) {
                first = i;
                break;
            }
            layer.hidden.push_back(layer.covered);
            hiddenNow = int(layer.hidden.size()) - 1;
        }
    }

    output.setActive(true);
    const GLboolean fog = glIsEnabled(GL_FOG);
    glDisable(GL_FOG);
    for (std::size_t i = first; i < layer.draws.size(); ++i) {
        const DeferredDraw& draw = layer.draws[i];
        if (draw.text >= 0) {
            const sf::Text& text = layer.texts[std::size_t(draw.text)];
            if (textShows(text))
                drawTextSharp(output, text);
            continue;
        }
        if (!narrow) {
            output.draw(draw.sprite);
            continue;
        }
        int image = 0;
        const ImageFacts* facts = factsOf(draw.sprite, image);
        const sf::Transform placement = placementOf(draw.sprite);
        if (canShow(draw.sprite, placement, facts, pictureSize))
            drawSpriteNarrowed(layer, output, draw.sprite, placement, facts, image,
                               layer.hiddenFor[i] < 0 ? nullptr : &layer.hidden[std::size_t(layer.hiddenFor[i])]);
    }
    if (fog)
        glEnable(GL_FOG);
    layer.draws.clear();
    layer.textCount = 0;
}
