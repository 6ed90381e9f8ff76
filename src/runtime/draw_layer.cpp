#include "runtime/draw_layer.h"

#include <SFML/OpenGL.hpp>
#include <algorithm>
#include <cmath>

#include "platform/gl_fast_paths.h"
#include "runtime/catalogue.h"
#include "runtime/draw_cells.h"
#include "runtime/draw_substitutions.h"
#include "runtime/state_rooms.h"

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
    const PictureFrame& frame = stateDraw().frame;
    const sf::View picture = pictureView(frame);
    return output.getSize() == frame.outputSize && view.getRotation() == picture.getRotation() &&
           view.getSize() == picture.getSize() && view.getCenter() == picture.getCenter() &&
           view.getViewport() == picture.getViewport();
}

// A sprite as it lands in the picture: its transform, in pixels of the picture.
sf::Transform placementOf(const sf::Sprite& sprite)
{
    return stateDraw().frame.toPixels * sprite.getTransform();
}

// Axis-aligned: the fast path takes only quads that are rectangles.
bool upright(const sf::Transform& placement)
{
    const float* m = placement.getMatrix();
    return m[1] == 0.0f && m[4] == 0.0f;
}

// Loads the catalogue's texel shaders once; false where there are none.
bool texelShadersOf(Catalogue& catalogue)
{
    if (!catalogue.texelShadersTried) {
        catalogue.texelShadersTried = true;
        catalogue.texelShadersLoaded =
            loadTexelShader(catalogue.texelShader, false) && loadTexelShader(catalogue.tintedTexelShader, true) &&
            loadTexelShader(catalogue.turnedTexelShader, false, true) &&
            loadTexelShader(catalogue.tintedTurnedTexelShader, true, true);
    }
    return catalogue.texelShadersLoaded;
}

bool textShows(const sf::Text& text)
{
    return text.getFillColor().a != 0 || (text.getOutlineThickness() != 0.0f && text.getOutlineColor().a != 0);
}

// A black veil: an opaque black image drawn at part alpha over the whole picture, which darkens
// everything beneath it by the same share. Blending is linear in the colours drawn and the frame
// starts black, so tinting each draw beneath by that share gives the same picture, within a level
// or two of rounding per draw, and saves a pass over the whole picture.
bool isVeil(const sf::Sprite& sprite, const sf::Transform& placement, const ImageFacts* facts,
            sf::Vector2i pictureSize)
{
    const sf::Uint8 alpha = sprite.getColor().a;
    if (!facts || !facts->oneColour || facts->colour != sf::Color::Black || alpha == 0 || alpha == 255 ||
        !upright(placement))
        return false;
    const sf::FloatRect area = placement.transformRect(sprite.getLocalBounds());
    return area.left <= 0.0f && area.top <= 0.0f && area.left + area.width >= float(pictureSize.x) &&
           area.top + area.height >= float(pictureSize.y);
}

// Works out `shades` for the draws from `first` up. A caption beneath a veil keeps it: its glow's
// colours are set as it is drawn.
void foldVeils(DrawLayer& layer, const Catalogue& catalogue, std::size_t first, sf::Vector2i pictureSize)
{
    layer.shades.assign(layer.draws.size(), 1.0f);
    bool captionBeneath = false;
    for (std::size_t i = first; i < layer.draws.size(); ++i) {
        const DeferredDraw& draw = layer.draws[i];
        if (draw.text >= 0)
            captionBeneath = captionBeneath || textShows(layer.texts[std::size_t(draw.text)]);
        else if (!captionBeneath && isVeil(draw.sprite, placementOf(draw.sprite), factsOf(draw.sprite, catalogue), pictureSize))
            layer.shades[i] = 0.0f;
    }
    float through = 1.0f;
    for (std::size_t i = layer.draws.size(); i-- > first;) {
        if (layer.shades[i] == 0.0f) {
            through *= float(255 - layer.draws[i].sprite.getColor().a) / 255.0f;
            continue;
        }
        layer.shades[i] = through;
    }
}

// The sprite's tint darkened to `shade` of its colour, its alpha kept.
sf::Sprite shaded(const sf::Sprite& sprite, float shade)
{
    sf::Sprite darker = sprite;
    const sf::Color tint = sprite.getColor();
    const auto darken = [shade](sf::Uint8 channel) { return sf::Uint8(std::lround(float(channel) * shade)); };
    darker.setColor(sf::Color(darken(tint.r), darken(tint.g), darken(tint.b), tint.a));
    return darker;
}

// The fast path's draws start a scene of their own after any other draw.
void gatherDraw(DrawLayer& layer, bool onFastPath)
{
    if (onFastPath && layer.generalDrawn) {
        startNewScene();
        layer.generalDrawn = false;
    }
    layer.generalDrawn = layer.generalDrawn || !onFastPath;
}

void drawSpriteNarrowed(DrawLayer& layer, sf::RenderTarget& output, const sf::Sprite& sprite,
                        const sf::Transform& placement, const ImageFacts* facts, const std::vector<char>* hidden,
                        Catalogue* texelShaders)
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
    const bool untinted = sprite.getColor() == sf::Color::White;
    // Turned, the sprite's rectangles sample the texture on the fast path's own fixed-point
    // coordinates and weights, a few levels from the general path's: the frame is approximate.
    if (texelShaders && !plain && turnedOnRectangles(sprite, placement, *facts)) {
        sf::Shader& shader = untinted ? texelShaders->turnedTexelShader : texelShaders->tintedTurnedTexelShader;
        if (!untinted)
            tintTexels(shader, sprite.getColor());
        layer.approximate = true;
        gatherDraw(layer, true);
        drawTurnedOnRectangles(output, sprite, placement, *facts, layer.frame, layer.scissors, shader,
                               layer.batches.vertices);
        return;
    }
    const bool opaque = facts->opaque && sprite.getColor().a == 255;
    // The sprite's own texture, the close-up's where it shows one; SFML's sprite holds it as const.
    sf::Texture& texture = const_cast<sf::Texture&>(*sprite.getTexture());
    const bool nearest = !plain && texture.isSmooth() && onWholeTexels(placement);
    // On whole texels the texel shader gives the fixed pipeline's pixels, faster, for the tints
    // that Mesa's fast path multiplies as the fixed pipeline does. Filtered and unturned, a sprite
    // takes the fast path through it too, whose bilinear weights and products land a few levels
    // from the fixed pipeline's: that frame is approximate.
    // Once the frame is approximate (a folded veil, a filtered sprite before), every tint does.
    const bool exact = nearest && (tintsTexelsExactly(sprite.getColor()) || layer.approximate);
    const bool filtered = !nearest && !plain && texture.isSmooth() && upright(placement);
    sf::Shader* shader = nullptr;
    if (texelShaders && (exact || filtered)) {
        shader = untinted ? &texelShaders->texelShader : &texelShaders->tintedTexelShader;
        if (!untinted)
            tintTexels(*shader, sprite.getColor());
        layer.approximate = layer.approximate || filtered;
    }
    gatherDraw(layer, shader != nullptr);
    if (nearest)
        texture.setSmooth(false);
    // Only around these draws: elsewhere the first vertex leading moves interpolated colours and
    // texture coordinates by a rounding.
    if (shader)
        leadWithFirstVertex(true);
    glEnable(GL_SCISSOR_TEST);
    for (const sf::IntRect& cells : layer.scissors) {
        setScissor(cells, layer.frame);
        drawNarrowed(output, sprite, plain ? &colour : nullptr, opaque, shader);
    }
    glDisable(GL_SCISSOR_TEST);
    if (shader)
        leadWithFirstVertex(false);
    if (nearest)
        texture.setSmooth(true);
}

}  // namespace

void setDrawMode(DrawMode mode)
{
    stateDraw().mode = mode;
}

void drawSprite(sf::RenderWindow& window, const sf::Sprite& sprite)
{
    DrawLayer& layer = stateDraw();
    if (layer.mode == DrawMode::Everything)
        outputOf(window).draw(asDrawn(sprite, *stateContent().catalogue, pictureScale()));
    else if (layer.mode == DrawMode::Layer)
        layer.draws.push_back({asDrawn(sprite, *stateContent().catalogue, pictureScale()), -1});
}

void drawText(sf::RenderWindow& window, const sf::Text& text)
{
    DrawLayer& layer = stateDraw();
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
    DrawLayer& layer = stateDraw();
    layer.approximate = false;
    layer.generalDrawn = false;
    if (layer.draws.empty())
        return;
    Catalogue& catalogue = *stateContent().catalogue;
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

    if (narrow)
        foldVeils(layer, catalogue, first, pictureSize);
    else
        layer.shades.assign(layer.draws.size(), 1.0f);

    output.setActive(true);
    Catalogue* texelShaders = texelShadersOf(catalogue) ? &catalogue : nullptr;
    const GLboolean fog = glIsEnabled(GL_FOG);
    glDisable(GL_FOG);
    for (std::size_t i = first; i < layer.draws.size(); ++i) {
        const DeferredDraw& draw = layer.draws[i];
        if (draw.text >= 0) {
            drawBatches(layer.batches, output);
            const sf::Text& text = layer.texts[std::size_t(draw.text)];
            if (textShows(text)) {
                drawTextSharp(output, text, scaleOf(layer.frame));
                layer.generalDrawn = true;
            }
            continue;
        }
        if (!narrow) {
            output.draw(draw.sprite);
            continue;
        }
        const float shade = layer.shades[i];
        if (shade == 0.0f)
            continue;
        const ImageFacts* facts = factsOf(draw.sprite, catalogue);
        const sf::Transform placement = placementOf(draw.sprite);
        if (!canShow(draw.sprite, placement, facts, pictureSize))
            continue;
        layer.approximate = layer.approximate || shade < 1.0f;
        const sf::Sprite& sprite = shade < 1.0f ? shaded(draw.sprite, shade) : draw.sprite;
        if (worthBatching(sprite, placement, scaleOf(layer.frame))) {
            addToBatches(layer.batches, sprite, placement);
            layer.generalDrawn = true;
            continue;
        }
        drawBatches(layer.batches, output);
        drawSpriteNarrowed(layer, output, sprite, placement, facts,
                           layer.hiddenFor[i] < 0 ? nullptr : &layer.hidden[std::size_t(layer.hiddenFor[i])],
                           texelShaders);
    }
    drawBatches(layer.batches, output);
    if (fog)
        glEnable(GL_FOG);
    layer.draws.clear();
    layer.textCount = 0;
}
