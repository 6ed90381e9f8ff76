#pragma once
// What the system's OpenGL offers for drawing a whole-texel sprite the way Mesa's software
// renderer does fastest: textures stored in the window's BGRA order, the first vertex of each
// triangle as its provoking vertex (so a strip's quad counts as a rectangle), and a shader that
// hands on texels times a tint uniform, with no vertex colour to interpolate. Used that way, none
// of it changes a pixel. The browser's WebGL has neither BGRA textures nor this GLSL: there textures and drawing
// stay as SFML makes them.
#include <SFML/Graphics/Image.hpp>
#include <SFML/Graphics/RenderTexture.hpp>
#include <SFML/Graphics/Shader.hpp>
#include <SFML/Graphics/Texture.hpp>

// Makes `texture` hold the image's pixels, as sf::Texture::loadFromImage does; false where it cannot.
bool loadTexels(sf::Texture& texture, const sf::Image& pixels);
// Before anything is drawn into the off-screen output, stores its pixels as the window stores its own.
void storeOutputLikeWindow(sf::RenderTexture& output);
// In the active GL context, the first vertex of each triangle becomes its provoking vertex, or with
// false the last again, as GL starts.
void leadWithFirstVertex(bool first);
// The texel shader: the current texture's texel, as an untinted sprite shows it, or `tinted` times
// a tint uniform. False where there is none. Untinted, Mesa copies texels faster still. Vertices
// give texels in pixels of the texture, as SFML's do, or `normalised` as fractions of its size.
bool loadTexelShader(sf::Shader& shader, bool tinted, bool normalised = false);
// Gives the tinted texel shader the sprite's tint.
void tintTexels(sf::Shader& shader, sf::Color tint);
// Whether Mesa's fast path multiplies texels by this tint exactly as the fixed pipeline does.
bool tintsTexelsExactly(sf::Color tint);
// Mesa gathers what it is handed into a scene and takes its fast path only where the scene holds
// nothing else (a turned sprite, a caption, a sprite through the fixed pipeline): this hands on the
// draws gathered so far, so the next ones gather into a scene of their own.
void startNewScene();
