#pragma once
// Catalogue: the manifest's images and the caption font once loaded, the GL textures among them.
// The program makes it once its window (and with it the GL context) exists; the state block only
// points at it.
#include <SFML/Graphics/Font.hpp>
#include <SFML/Graphics/Shader.hpp>
#include <SFML/Graphics/Texture.hpp>

#include "runtime/image_facts.h"
#include "runtime/image_manifest.h"

struct Catalogue {
    sf::Texture textures[imageCount];
    ImageFacts facts[imageCount];  // of each texture's image, for the draw layer
    // Denser texels of the images that the scenes magnify most, for the draws that magnify them;
    // unknown facts where an image has none.
    sf::Texture closeUps[imageCount];
    ImageFacts closeUpFacts[imageCount];
    sf::Font captionFont;
    // The draw layer's shaders for whole-texel and filtered sprites, untinted and tinted, and the
    // same for turned sprites drawn as upright rectangles, loaded at its first flush where GL has
    // them.
    sf::Shader texelShader;
    sf::Shader tintedTexelShader;
    sf::Shader turnedTexelShader;
    sf::Shader tintedTurnedTexelShader;
    bool texelShadersTried = false;
    bool texelShadersLoaded = false;
};
