#pragma once
// Draw substitutions: for a draw of a known image, a cheaper draw that gives the same pixels (a
// plain quad for a one-colour image, no blending for an opaque one, nearest sampling where it
// lands on whole texels), and draws at the output's own resolution (a dense image's texels or a
// close-up in place of the design-size image, captions set at the output's size over their glow).
#include <SFML/Graphics.hpp>

#include "runtime/catalogue.h"

// The catalogue image that `texture` holds in `textures`; -1 for any other texture.
int imageIn(const sf::Texture* texture, const sf::Texture (&textures)[imageCount]);
// Whether the sprite shows its whole texture, as every catalogue sprite does.
bool showsWholeTexture(const sf::Sprite& sprite);

// The colour that a one-colour image gives the sprite's quad, where the blend unit gives it exactly.
bool plainColour(const sf::Sprite& sprite, const ImageFacts& facts, sf::Color& colour);
bool onWholeTexels(const sf::Transform& placement);
// The sprite, or with `plain` a quad of that colour in its place; without blending when opaque;
// through `shader` where one is given.
void drawNarrowed(sf::RenderTarget& output, const sf::Sprite& sprite, const sf::Color* plain, bool opaque,
                  const sf::Shader* shader = nullptr);
// The caption as set at `scale` output pixels per design pixel.
void drawTextSharp(sf::RenderTarget& output, const sf::Text& text, float scale);
// The sprite as it is drawn at `outputScale` output pixels per design pixel.
sf::Sprite asDrawn(const sf::Sprite& sprite, const Catalogue& catalogue, float outputScale);
