#include "runtime/draw_layer.h"

#include <SFML/OpenGL.hpp>
#include <algorithm>
#include <limits>

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

// A draw the soft route may take: a soft catalogue image at full strength of its facts.
bool isSoftDraw(const DeferredDraw& draw, const Catalogue& catalogue)
{
    const int image = draw.text < 0 ? imageIn(draw.sprite.getTexture(), catalogue.textures) : -1;
    return image >= 0 && isSoft(Image(image)) && factsOf(draw.sprite, catalogue);
}

// Draws[begin, end) into the half-resolution buffer, which starts clear: drawn with the usual
// blend onto nothing, each pixel holds the run's colour premultiplied by its alpha, so one
// composite with (1, 1 - alpha) gives what drawing the run there one by one gives.
void drawSoftRun(DrawLayer& layer, sf::RenderTarget& output, std::size_t begin, std::size_t end, const sf::IntRect& cells)
{
    const sf::Vector2u size(unsigned(layer.frame.pixels.width + 1) / 2, unsigned(layer.frame.pixels.height + 1) / 2);
    if (!layer.softBuffer || layer.softBuffer->getSize() != size) {
        layer.softBuffer = std::make_unique<sf::RenderTexture>();
        layer.softBuffer->create(size.x, size.y);
        layer.softBuffer->setSmooth(true);
        layer.softBuffer->setView(sf::View(sf::FloatRect(0.0f, 0.0f, float(designWidth), float(designHeight))));
    }
    sf::RenderTexture& buffer = *layer.softBuffer;
    buffer.clear(sf::Color::Transparent);
    for (std::size_t i = begin; i < end; ++i)
        buffer.draw(layer.draws[i].sprite);
    buffer.display();

    output.setActive(true);
    sf::Sprite composite(buffer.getTexture());
    composite.setScale(float(designWidth) / float(size.x), float(designHeight) / float(size.y));
    glEnable(GL_SCISSOR_TEST);
    setScissor(cells, layer.frame);
    output.draw(composite, sf::BlendMode(sf::BlendMode::One, sf::BlendMode::OneMinusSrcAlpha));
    glDisable(GL_SCISSOR_TEST);
    layer.approximate = true;
}

// From draws[begin], a run of soft draws (leaving out those that cannot show) and whether the
// soft route is cheaper for it. On software GL each pixel costs about the same however it is
// drawn, so the run costs the cells it reaches directly, and a quarter of them at half
// resolution plus the composite over their bounds.
std::size_t softRunEnd(DrawLayer& layer, std::size_t begin, bool& cheaper, sf::IntRect& bounds)
{
    const Catalogue& catalogue = *demo.catalogue;
    const sf::Vector2i pictureSize(layer.frame.pixels.width, layer.frame.pixels.height);
    long reached = 0;
    int left = std::numeric_limits<int>::max(), top = left, right = 0, bottom = 0;
    std::size_t end = begin;
    for (; end < layer.draws.size() && isSoftDraw(layer.draws[end], catalogue); ++end) {
        const sf::Sprite& sprite = layer.draws[end].sprite;
        const sf::Transform placement = placementOf(sprite);
        const ImageFacts* facts = factsOf(sprite, catalogue);
        if (!canShow(sprite, placement, facts, pictureSize))
            continue;
        findScissors(layer.cells, layer.scissors, placement, *facts, nullptr, pictureSize);
        for (const sf::IntRect& rect : layer.scissors) {
            reached += long(rect.width) * rect.height;
            left = std::min(left, rect.left);
            top = std::min(top, rect.top);
            right = std::max(right, rect.left + rect.width);
            bottom = std::max(bottom, rect.top + rect.height);
        }
    }
    cheaper = right > left && 3 * reached > 4 * long(right - left) * (bottom - top);
    bounds = {left, top, right - left, bottom - top};
    return end;
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
    layer.approximate = false;
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
    std::size_t judgedUntil = first;  // soft draws before this one were judged as part of a run
    for (std::size_t i = first; i < layer.draws.size(); ++i) {
        if (narrow && i >= judgedUntil && isSoftDraw(layer.draws[i], catalogue)) {
            bool cheaper = false;
            sf::IntRect bounds;
            judgedUntil = softRunEnd(layer, i, cheaper, bounds);
            if (cheaper) {
                drawSoftRun(layer, output, i, judgedUntil, bounds);
                i = judgedUntil - 1;
                continue;
            }
        }
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
