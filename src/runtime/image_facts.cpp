#include "runtime/image_facts.h"

#include <algorithm>
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
