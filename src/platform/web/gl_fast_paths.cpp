#include "platform/gl_fast_paths.h"

// WebGL stores textures as RGBA and draws through SFML's own shaders.
bool loadTexels(sf::Texture& texture, const sf::Image& pixels)
{
    return texture.loadFromImage(pixels);
}

void storeOutputLikeWindow(sf::RenderTexture&) {}

void leadWithFirstVertex(bool) {}

bool loadTexelShader(sf::Shader&, bool, bool)
{
    return false;
}

void tintTexels(sf::Shader&, sf::Color) {}

bool tintsTexelsExactly(sf::Color)
{
    return false;
}

void startNewScene() {}
