#include "runtime/draw_cells.h"

#include <SFML/OpenGL.hpp>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

float determinant(const sf::Transform& transform)
{
    const float* m = transform.getMatrix();
    return m[0] * m[5] - m[4] * m[1];
}

bool touchesPicture(const sf::FloatRect& area, sf::Vector2i pictureSize)
{
    return area.left < float(pictureSize.x) && area.top < float(pictureSize.y) && area.left + area.width > 0.0f &&
           area.top + area.height > 0.0f;
}

// How far beyond its texels with any alpha an image can reach: linear filtering reads the next
// texel.
constexpr int texelReach = 1;

// A texel rectangle grown all round by what filtering reads around it.
sf::FloatRect paddedTexels(int left, int top, int width, int height)
{
    return {float(left - texelReach), float(top - texelReach), float(width + 2 * texelReach),
            float(height + 2 * texelReach)};
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

}  // namespace

sf::FloatRect reachOf(const sf::Transform& placement, const sf::FloatRect& local)
{
    const sf::FloatRect bounds = placement.transformRect(local);
    return {bounds.left - 1.0f, bounds.top - 1.0f, bounds.width + 2.0f, bounds.height + 2.0f};
}

// Whether a sprite can change a pixel at all.
bool canShow(const sf::Sprite& sprite, const sf::Transform& placement, const ImageFacts* facts, sf::Vector2i pictureSize)
{
    if (sprite.getColor().a == 0 || determinant(placement) == 0.0f)
        return false;
    if (!facts)
        return touchesPicture(reachOf(placement, sprite.getLocalBounds()), pictureSize);
    const sf::IntRect& box = facts->alphaBox;
    if (box.width <= 0 || box.height <= 0)
        return false;
    return touchesPicture(reachOf(placement, paddedTexels(box.left, box.top, box.width, box.height)), pictureSize);
}

// How many cells the picture has across and down; cells are kept row by row.
sf::Vector2i cellGrid(sf::Vector2i pictureSize)
{
    return {(pictureSize.x + drawCellSize - 1) / drawCellSize, (pictureSize.y + drawCellSize - 1) / drawCellSize};
}

// Marks the picture cells that the image's non-empty tiles can reach, less those that later draws
// replace, and gathers them into rectangles of cells: runs along each row, stacked where the rows
// below repeat them. Only the cells that the alpha box can reach are looked at.
void findScissors(std::vector<char>& cells, std::vector<sf::IntRect>& scissors, const sf::Transform& placement,
                  const ImageFacts& facts, const std::vector<char>* hidden, sf::Vector2i pictureSize)
{
    const sf::Vector2i grid = cellGrid(pictureSize);
    const int across = grid.x;
    cells.resize(std::size_t(grid.x) * std::size_t(grid.y));
    scissors.clear();
    const sf::IntRect& box = facts.alphaBox;
    const CellRange bounds =
        cellsUnder(reachOf(placement, paddedTexels(box.left, box.top, box.width, box.height)), pictureSize);
    if (bounds.x1 < bounds.x0 || bounds.y1 < bounds.y0)
        return;
    for (int y = bounds.y0; y <= bounds.y1; ++y)
        std::memset(&cells[std::size_t(y * across + bounds.x0)], 0, std::size_t(bounds.x1 - bounds.x0 + 1));

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
                                                      tile.right - tile.left, tile.bottom - tile.top);
            if (turned) {
                markTurnedTile(cells.data(), across, placement, texels, bounds);
                continue;
            }
            const CellRange reached = cellsUnder(reachOf(placement, texels), pictureSize);
            const int x0 = std::max(reached.x0, bounds.x0);
            const int x1 = std::min(reached.x1, bounds.x1);
            for (int y = std::max(reached.y0, bounds.y0); x0 <= x1 && y <= std::min(reached.y1, bounds.y1); ++y)
                std::memset(&cells[std::size_t(y * across + x0)], 1, std::size_t(x1 - x0 + 1));
        }
    }

    for (int y = bounds.y0; y <= bounds.y1; ++y) {
        char* row = &cells[std::size_t(y * across)];
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
            const auto above = std::find_if(scissors.begin(), scissors.end(), [&](const sf::IntRect& rect) {
                return rect.left == runStart && rect.width == x - runStart && rect.top + rect.height == y;
            });
            if (above != scissors.end())
                ++above->height;
            else
                scissors.push_back({runStart, y, x - runStart, 1});
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
    const CellRange cells = cellsUnder(reachOf(placement, sprite.getLocalBounds()), pictureSize);
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
            const int left = std::max(0, int(std::floor(texels.left - 0.5f)) - texelReach);
            const int top = std::max(0, int(std::floor(texels.top - 0.5f)) - texelReach);
            const int right = std::min(width - 1, int(std::floor(texels.left + texels.width - 0.5f)) + 1 + texelReach);
            const int bottom = std::min(height - 1, int(std::floor(texels.top + texels.height - 0.5f)) + 1 + texelReach);
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
