#include "runtime/image_facts.h"

#include <algorithm>
#include <cmath>
#include <cstring>

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
    facts.blocksAcross = (size.x + alphaBlockSize - 1) / alphaBlockSize;
    const unsigned blocksDown = (size.y + alphaBlockSize - 1) / alphaBlockSize;
    std::vector<std::uint8_t> alphaBlocks(std::size_t(facts.blocksAcross) * blocksDown, 0);
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
            std::uint8_t* blockRow = &alphaBlocks[std::size_t(y / alphaBlockSize) * facts.blocksAcross];
            for (unsigned block = (from + spanLeft) / alphaBlockSize; block <= (from + spanRight - 1u) / alphaBlockSize; ++block)
                blockRow[block] = 1;
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
    const std::size_t sumsAcross = facts.blocksAcross + 1;
    facts.alphaBlockSums.assign(sumsAcross * (blocksDown + 1), 0);
    for (unsigned by = 0; by < blocksDown; ++by) {
        std::uint32_t rowSum = 0;
        for (unsigned bx = 0; bx < facts.blocksAcross; ++bx) {
            rowSum += alphaBlocks[std::size_t(by) * facts.blocksAcross + bx];
            facts.alphaBlockSums[(by + 1) * sumsAcross + bx + 1] = facts.alphaBlockSums[by * sumsAcross + bx + 1] + rowSum;
        }
    }
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

bool alphaWithin(const ImageFacts& facts, const sf::FloatRect& texels)
{
    const int blocksAcross = int(facts.blocksAcross);
    const int blocksDown = blocksAcross ? int(facts.alphaBlockSums.size()) / (blocksAcross + 1) - 1 : 0;
    const float perBlock = 1.0f / float(alphaBlockSize);
    const int left = std::max(0, int(std::floor(texels.left * perBlock)));
    const int top = std::max(0, int(std::floor(texels.top * perBlock)));
    const int right = std::min(blocksAcross - 1, int(std::floor((texels.left + texels.width) * perBlock)));
    const int bottom = std::min(blocksDown - 1, int(std::floor((texels.top + texels.height) * perBlock)));
    if (right < left || bottom < top)
        return false;
    const std::uint32_t* sums = facts.alphaBlockSums.data();
    const std::size_t above = std::size_t(top) * std::size_t(blocksAcross + 1);
    const std::size_t below = std::size_t(bottom + 1) * std::size_t(blocksAcross + 1);
    return sums[below + std::size_t(right + 1)] - sums[above + std::size_t(right + 1)] - sums[below + std::size_t(left)] +
               sums[above + std::size_t(left)] != 0;
}
