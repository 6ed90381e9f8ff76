#include "runtime/draw_layer.h"

#include <SFML/OpenGL.hpp>
#include <algorithm>

#include "runtime/demo_state.h"
#include "runtime/draw_cells.h"
#include "runtime/draw_substitutions.h"

namespace {

// Facts are trusted only for the image they were worked out from: a demo texture or close-up,
// still that size, drawn whole and not repeated. Anything else (a test picture, say) is drawn
// without them.
const ImageFacts* factsOf(const sf::Sprite& sprite, const Catalogue& catalogue)
{
    const sf::Texture* texture = sprite.getTexture();
    const ImageFacts* facts = nullptr;
    int image = -1;
    if ((image = imageIn(texture, catalogue.textures)) >= 0)
        facts = &catalogue.facts[image];
    else if ((image = imageIn(texture, catalogue.closeUps)) >= 0)
        facts = &catalogue.closeUpFacts[image];
    if (!facts || !facts->known || texture->getSize() != facts->size || texture->isRepeated() ||
        !showsWholeTexture(sprite))
        return nullptr;
    return facts;
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

void drawSpriteNarrowed(DrawLayer& layer, sf::RenderTarget& output, const sf::Sprite& sprite,
                        const sf::Transform& placement, const ImageFacts* facts, const std::vector<char>* hidden)
{
    if (!facts) {
        output.draw(sprite);
        return;
    }
    const sf::Vector2i pictureSize(layer.frame.pixels.width, layer.frame.pixels.height);
    findScissors(layer.cells, layer.scissors, placement, *facts, hidden, pictureSize);
    if (layer.scissors.empty())
        return;

    sf::Color colour;
    const bool plain = plainColour(sprite, *facts, colour);
    const bool opaque = facts->opaque && sprite.getColor().a == 255;
    // The sprite's own texture, the close-up's where it shows one; SFML's sprite holds it as const.
    sf::Texture& texture = const_cast<sf::Texture&>(*sprite.getTexture());
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

// How many pictures' worth of pixels a sprite's texels with any alpha can reach, by their box.
float picturesReached(const sf::Sprite& sprite, const sf::Transform& placement, const ImageFacts* facts,
                      sf::Vector2i pictureSize)
{
    const sf::FloatRect local = facts ? sf::FloatRect(facts->alphaBox) : sprite.getLocalBounds();
    const sf::FloatRect box = placement.transformRect(local);
    const float width = std::min(box.left + box.width, float(pictureSize.x)) - std::max(box.left, 0.0f);
    const float height = std::min(box.top + box.height, float(pictureSize.y)) - std::max(box.top, 0.0f);
    if (width <= 0.0f || height <= 0.0f || sprite.getColor().a == 0)
        return 0.0f;
    return width * height / (float(pictureSize.x) * float(pictureSize.y));
}

// The bottom of the frame, from draw `first`, from the held picture where it holds still; how
// many draws that took.
std::size_t drawHeldBottom(DrawLayer& layer, sf::RenderTarget& output, std::size_t first, const Catalogue& catalogue)
{
    const sf::Vector2i pictureSize(layer.frame.pixels.width, layer.frame.pixels.height);
    layer.bottom.clear();
    layer.bottomFill.clear();
    for (std::size_t i = first; i < layer.draws.size() && layer.draws[i].text < 0; ++i) {
        const sf::Sprite& sprite = layer.draws[i].sprite;
        const sf::Transform placement = placementOf(sprite);
        // A turned sprite drawn into an off-screen picture comes out up to 2 levels apart on its
        // edges from the same draw into a window (llvmpipe), so there it ends the stack.
        const float* m = placement.getMatrix();
        if (!layer.offscreen && (m[1] != 0.0f || m[4] != 0.0f))
            break;
        layer.bottom.push_back(drawKeyOf(sprite));
        layer.bottomFill.push_back(picturesReached(sprite, placement, factsOf(sprite, catalogue), pictureSize));
    }
    bool redraw = false;
    const std::size_t held = planHeldStack(layer.held, output, layer.frame, layer.bottom, layer.bottomFill, redraw);
    if (held == 0)
        return 0;
    if (redraw) {
        sf::RenderTarget* picture = startHeldPicture(layer.held, output);
        if (!picture)
            return 0;
        // Every cell of each: what the draws above the stack hide now may show once they move.
        for (std::size_t i = first; i < first + held; ++i) {
            const sf::Sprite& sprite = layer.draws[i].sprite;
            const ImageFacts* facts = factsOf(sprite, catalogue);
            const sf::Transform placement = placementOf(sprite);
            if (canShow(sprite, placement, facts, pictureSize))
                drawSpriteNarrowed(layer, *picture, sprite, placement, facts, nullptr);
        }
        finishHeldPicture(layer.held);
    }
    copyHeldPicture(layer.held, output, layer.frame);
    return held;
}

bool textShows(const sf::Text& text)
{
    return text.getFillColor().a != 0 || (text.getOutlineThickness() != 0.0f && text.getOutlineColor().a != 0);
}

}  // namespace

void setDrawMode(DrawMode mode)
{
    demo.drawLayer.mode = mode;
}

void drawSprite(sf::RenderWindow& window, const sf::Sprite& sprite)
{
    DrawLayer& layer = demo.drawLayer;
    if (layer.mode == DrawMode::Everything)
        outputOf(window).draw(asDrawn(sprite, *demo.catalogue, pictureScale()));
    else if (layer.mode == DrawMode::Layer)
        layer.draws.push_back({asDrawn(sprite, *demo.catalogue, pictureScale()), -1});
}

void drawText(sf::RenderWindow& window, const sf::Text& text)
{
    DrawLayer& layer = demo.drawLayer;
    if (layer.mode == DrawMode::Everything) {
        drawTextSharp(outputOf(window), text, pictureScale());
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
    const Catalogue& catalogue = *demo.catalogue;
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
        const ImageFacts* facts = draw.text < 0 ? factsOf(draw.sprite, catalogue) : nullptr;
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
    if (narrow)
        first += drawHeldBottom(layer, output, first, catalogue);
    for (std::size_t i = first; i < layer.draws.size(); ++i) {
        const DeferredDraw& draw = layer.draws[i];
        if (draw.text >= 0) {
            const sf::Text& text = layer.texts[std::size_t(draw.text)];
            if (textShows(text))
                drawTextSharp(output, text, scaleOf(layer.frame));
            continue;
        }
        if (!narrow) {
            output.draw(draw.sprite);
            continue;
        }
        const ImageFacts* facts = factsOf(draw.sprite, catalogue);
        const sf::Transform placement = placementOf(draw.sprite);
        if (canShow(draw.sprite, placement, facts, pictureSize))
            drawSpriteNarrowed(layer, output, draw.sprite, placement, facts,
                               layer.hiddenFor[i] < 0 ? nullptr : &layer.hidden[std::size_t(layer.hiddenFor[i])]);
    }
    if (fog)
        glEnable(GL_FOG);
    layer.draws.clear();
    layer.textCount = 0;
}
