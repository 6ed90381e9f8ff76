#include "runtime/draw_batches.h"

#include <algorithm>

#include "runtime/draw_cells.h"

namespace {

constexpr float smallSprite = 64.0f;  // design pixels

// The sprite's quad, placed as SFML places a sprite's four corners.
void appendTriangles(std::vector<sf::Vertex>& vertices, const sf::Sprite& sprite)
{
    const sf::FloatRect local = sprite.getLocalBounds();
    const sf::IntRect texels = sprite.getTextureRect();
    const float left = float(texels.left);
    const float top = float(texels.top);
    const float right = left + float(texels.width);
    const float bottom = top + float(texels.height);
    const sf::Transform& transform = sprite.getTransform();
    const sf::Color colour = sprite.getColor();
    const sf::Vertex corners[] = {
        {transform.transformPoint(0.0f, 0.0f), colour, {left, top}},
        {transform.transformPoint(0.0f, local.height), colour, {left, bottom}},
        {transform.transformPoint(local.width, 0.0f), colour, {right, top}},
        {transform.transformPoint(local.width, local.height), colour, {right, bottom}},
    };
    appendQuad(vertices, corners);
}

}  // namespace

void appendQuad(std::vector<sf::Vertex>& vertices, const sf::Vertex (&corners)[4])
{
    for (int corner : {0, 1, 2, 2, 1, 3})
        vertices.push_back(corners[corner]);
}

bool worthBatching(const sf::Sprite& sprite, const sf::Transform& placement, float scale)
{
    const sf::FloatRect bounds = placement.transformRect(sprite.getLocalBounds());
    return bounds.width <= smallSprite * scale && bounds.height <= smallSprite * scale;
}

void addToBatches(SpriteBatches& batches, const sf::Sprite& sprite, const sf::Transform& placement)
{
    BatchedSprite added{sprite, reachOf(placement, sprite.getLocalBounds()), 0};
    for (const BatchedSprite& earlier : batches.waiting) {
        if (!earlier.reach.intersects(added.reach))
            continue;
        const int after = earlier.batch + (earlier.sprite.getTexture() == sprite.getTexture() ? 0 : 1);
        added.batch = std::max(added.batch, after);
    }
    batches.waiting.push_back(added);
}

void drawBatches(SpriteBatches& batches, sf::RenderTarget& output)
{
    int last = -1;
    for (const BatchedSprite& waiting : batches.waiting)
        last = std::max(last, waiting.batch);
    for (int batch = 0; batch <= last; ++batch) {
        // Within a batch number no two images overlap, so each image's sprites go in one draw.
        for (std::size_t first = 0; first < batches.waiting.size(); ++first) {
            const BatchedSprite& opening = batches.waiting[first];
            if (opening.batch != batch)
                continue;
            const sf::Texture* texture = opening.sprite.getTexture();
            const auto drawnBefore = std::find_if(batches.waiting.begin(), batches.waiting.begin() + long(first),
                                                  [&](const BatchedSprite& other) {
                                                      return other.batch == batch && other.sprite.getTexture() == texture;
                                                  });
            if (drawnBefore != batches.waiting.begin() + long(first))
                continue;
            batches.vertices.clear();
            for (std::size_t i = first; i < batches.waiting.size(); ++i)
                if (batches.waiting[i].batch == batch && batches.waiting[i].sprite.getTexture() == texture)
                    appendTriangles(batches.vertices, batches.waiting[i].sprite);
            output.draw(batches.vertices.data(), batches.vertices.size(), sf::Triangles,
                        sf::RenderStates(sf::BlendAlpha, sf::Transform::Identity, texture, nullptr));
        }
    }
    batches.waiting.clear();
}
