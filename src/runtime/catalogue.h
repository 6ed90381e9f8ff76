#pragma once
// Catalogue: what the content's images and font become once loaded, the GL textures among them.
// The program makes it once its window (and with it the GL context) exists; the state block only
// points at it.
#include <SFML/Graphics/Font.hpp>
#include <SFML/Graphics/Texture.hpp>

#include "runtime/draw_layer.h"

// The 47 images, in catalogue (load) order.
enum class Image {
    Title, Hexagon, HexagonSmall, Credits, Black, White, Wall, Gantz,
    Glint1_1, Glint1_2, Glint1_3, Glint1_4, Glint1_5, Glint1_6,
    H1, H2, H3, H4, H5, H6,
    Glint2, Glitter,
    G3Bg, G3Fg, G3D2, G3D3, G3D4, G3D1, G3D1_1, G3D1_2, G3D1_3,
    G3Flare1, G3Flare2, G3Flare3, G3Flare4, Glint,
    Glint4, G4_1, G4_2, G4_3,
    Glint5, Glint5Skull, Glint6, Halo, Halo2, WhiteP, YellowP,
    Count
};
constexpr int imageCount = static_cast<int>(Image::Count);

struct Catalogue {
    sf::Texture textures[imageCount];
    ImageFacts facts[imageCount];  // of each texture's image, for the draw layer
    // Denser texels of the images that the scenes magnify most, for the draws that magnify them;
    // unknown facts where an image has none.
    sf::Texture closeUps[imageCount];
    ImageFacts closeUpFacts[imageCount];
    sf::Font captionFont;
};
