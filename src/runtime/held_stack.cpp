#include "runtime/held_stack.h"

#include <algorithm>

#include "runtime/demo_state.h"

namespace {

// A held picture pays once its stack would fill more than this many pictures' worth of pixels:
// its copy fills one, unblended.
constexpr float picturesWorthHolding = 1.5f;

}  // namespace

bool operator==(const DrawKey& a, const DrawKey& b)
{
    return a.texture == b.texture && a.textureRect == b.textureRect && a.colour == b.colour &&
           std::equal(std::begin(a.transform), std::end(a.transform), std::begin(b.transform));
}

DrawKey drawKeyOf(const sf::Sprite& sprite)
{
    const float* m = sprite.getTransform().getMatrix();
    DrawKey key;
    key.texture = sprite.getTexture();
    key.textureRect = sprite.getTextureRect();
    key.transform[0] = m[0], key.transform[1] = m[1], key.transform[2] = m[4];
    key.transform[3] = m[5], key.transform[4] = m[12], key.transform[5] = m[13];
    key.colour = sprite.getColor();
    return key;
}

void forgetHeldStack()
{
    HeldStack& held = demo.drawLayer.held;
    held.shown.clear();
    held.lastBottom.clear();
}

std::size_t planHeldStack(HeldStack& held, const sf::RenderTarget& output, const PictureFrame& frame,
                          const std::vector<DrawKey>& bottom, const std::vector<float>& pictures, bool& redraw)
{
    redraw = false;
    const bool sameOutput = held.output == &output && held.frame.outputSize == frame.outputSize &&
                            held.frame.pixels == frame.pixels;
    if (!sameOutput) {
        held.shown.clear();
        held.lastBottom.clear();
        held.output = &output;
        held.frame = frame;
    }
    // The draws that held still since the frame before.
    const auto still = std::mismatch(bottom.begin(), bottom.end(), held.lastBottom.begin(), held.lastBottom.end());
    const std::size_t stillCount = std::size_t(still.first - bottom.begin());
    held.lastBottom = bottom;
    const bool shownStill = !held.shown.empty() && held.shown.size() <= bottom.size() &&
                            std::equal(held.shown.begin(), held.shown.end(), bottom.begin());
    if (shownStill && stillCount <= held.shown.size())
        return held.shown.size();
    float filled = 0.0f;
    for (std::size_t i = 0; i < stillCount; ++i)
        filled += pictures[i];
    if (held.unavailable || stillCount < 2 || filled < picturesWorthHolding) {
        if (!shownStill)
            held.shown.clear();
        return held.shown.size();
    }
    held.shown.assign(bottom.begin(), bottom.begin() + std::ptrdiff_t(stillCount));
    redraw = true;
    return stillCount;
}

sf::RenderTarget* startHeldPicture(HeldStack& held, const sf::RenderTarget& output)
{
    const sf::Vector2u size = output.getSize();
    if (!held.picture)
        held.picture = new sf::RenderTexture;  // kept for the run, as the effect pools are
    if (held.picture->getSize() != size && !held.picture->create(size.x, size.y)) {
        held.unavailable = true;
        held.shown.clear();
        return nullptr;
    }
    held.picture->setView(output.getView());
    held.picture->clear(sf::Color(0, 0, 0, 255));
    return held.picture;
}

void finishHeldPicture(HeldStack& held)
{
    held.picture->display();
}

void copyHeldPicture(HeldStack& held, sf::RenderTarget& output, const PictureFrame& frame)
{
    sf::Sprite copy(held.picture->getTexture(), frame.pixels);
    copy.setPosition(float(frame.pixels.left), float(frame.pixels.top));
    const sf::View view = output.getView();
    output.setView(sf::View(sf::FloatRect(0.0f, 0.0f, float(frame.outputSize.x), float(frame.outputSize.y))));
    output.draw(copy, sf::BlendNone);
    output.setView(view);
}
