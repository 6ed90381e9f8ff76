#include "platform/gl_fast_paths.h"

#include <SFML/OpenGL.hpp>
#include <SFML/Window/Context.hpp>
#include <array>
#include <cstdint>
#include <utility>
#include <vector>

// Windows' gl.h stops at OpenGL 1.1 and names it GL_BGRA_EXT.
#ifndef GL_BGRA
#define GL_BGRA 0x80E1
#endif

namespace {

// OpenGL 3.2's GL_FIRST_VERTEX_CONVENTION and GL_LAST_VERTEX_CONVENTION.
constexpr GLenum firstVertexConvention = 0x8E4D;
constexpr GLenum lastVertexConvention = 0x8E4E;

// Mesa keeps the BGRA order only for the unsized internal format given BGRA data.
void specifyBgra(const sf::Texture& texture, sf::Vector2u size, const void* texels)
{
    sf::Texture::bind(&texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, GLsizei(size.x), GLsizei(size.y), 0, GL_BGRA, GL_UNSIGNED_BYTE, texels);
    sf::Texture::bind(nullptr);
    // As SFML does after an upload: other contexts see the new texels at once.
    glFlush();
}

std::vector<sf::Uint8> bgraOf(const std::uint8_t* rgba, sf::Vector2u size)
{
    std::vector<sf::Uint8> bgra(rgba, rgba + std::size_t(size.x) * size.y * 4);
    for (std::size_t i = 0; i < bgra.size(); i += 4)
        std::swap(bgra[i], bgra[i + 2]);
    return bgra;
}

}  // namespace

bool loadTexels(sf::Texture& texture, const sf::Image& pixels)
{
    if (!texture.create(pixels.getSize().x, pixels.getSize().y))
        return false;
    specifyBgra(texture, pixels.getSize(), bgraOf(pixels.getPixelsPtr(), pixels.getSize()).data());
    return true;
}

void storeOutputLikeWindow(sf::RenderTexture& output)
{
    output.setActive(true);
    specifyBgra(output.getTexture(), output.getTexture().getSize(), nullptr);
}

void leadWithFirstVertex(bool first)
{
    // Through the context: Windows' opengl32 exports no entry point beyond OpenGL 1.1.
    using ProvokingVertex = void (*)(GLenum);
    if (auto provokingVertex = reinterpret_cast<ProvokingVertex>(sf::Context::getFunction("glProvokingVertex")))
        provokingVertex(first ? firstVertexConvention : lastVertexConvention);
}

bool loadTexelShader(sf::Shader& shader, bool tinted, bool normalised)
{
    // No gl_Color: Mesa's fast path wants nothing interpolated but the texture coordinates.
    static const char vertex[] =
        "varying vec2 uv;\n"
        "void main() { gl_Position = ftransform(); uv = (gl_TextureMatrix[0] * gl_MultiTexCoord0).xy; }\n";
    // Coordinates handed on as given: no product with the texture matrix rounds them.
    static const char normalisedVertex[] =
        "varying vec2 uv;\n"
        "void main() { gl_Position = ftransform(); uv = gl_MultiTexCoord0.xy; }\n";
    static const char texels[] =
        "uniform sampler2D texels;\n"
        "varying vec2 uv;\n"
        "void main() { gl_FragColor = texture2D(texels, uv); }\n";
    static const char tintedTexels[] =
        "uniform sampler2D texels;\n"
        "uniform vec4 tint;\n"
        "varying vec2 uv;\n"
        "void main() { gl_FragColor = texture2D(texels, uv) * tint; }\n";
    const char* vertexShader = normalised ? normalisedVertex : vertex;
    if (!sf::Shader::isAvailable() || !shader.loadFromMemory(vertexShader, tinted ? tintedTexels : texels))
        return false;
    shader.setUniform("texels", sf::Shader::CurrentTexture);
    return true;
}

void tintTexels(sf::Shader& shader, sf::Color tint)
{
    shader.setUniform("tint", sf::Glsl::Vec4(tint));
}

bool tintsTexelsExactly(sf::Color tint)
{
    // The fast path multiplies bytes as (p + (p >> 8) + 128) >> 8 with p = texel * tint, where the
    // fixed pipeline rounds texel * tint / 255; for 24 tints (152 to 253) one texel value comes out
    // a level apart. Worked out once, not for every sprite of every frame.
    static const std::array<bool, 256> exactChannel = [] {
        std::array<bool, 256> exact{};
        for (unsigned channel = 0; channel < 256; ++channel) {
            exact[channel] = true;
            for (unsigned texel = 0; texel < 256; ++texel) {
                const unsigned product = texel * channel;
                if ((product + (product >> 8) + 128) >> 8 != (2 * product + 255) / 510)
                    exact[channel] = false;
            }
        }
        return exact;
    }();
    return exactChannel[tint.r] && exactChannel[tint.g] && exactChannel[tint.b] && exactChannel[tint.a];
}

void startNewScene()
{
    glFlush();
}
