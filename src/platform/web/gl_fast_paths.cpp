#include "platform/gl_fast_paths.h"

#include <SFML/OpenGL.hpp>

// WebGL stores textures as RGBA and draws through SFML's own shaders.
bool loadTexels(sf::Texture& texture, const sf::Image& pixels)
{
    return texture.loadFromImage(pixels);
}

void loadSmallerTexels(sf::Texture& texture, unsigned level, sf::Vector2u size, const std::uint8_t* rgba)
{
    sf::Texture::bind(&texture);
    glTexImage2D(GL_TEXTURE_2D, GLint(level), GL_RGBA, GLsizei(size.x), GLsizei(size.y), 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
    sf::Texture::bind(nullptr);
}

void storeOutputLikeWindow(sf::RenderTexture&) {}

void leadWithFirstVertex(bool) {}

bool loadTexelShader(sf::Shader&, bool)
{
    return false;
}

void tintTexels(sf::Shader&, sf::Color) {}

bool tintsTexelsExactly(sf::Color)
{
    return false;
}
