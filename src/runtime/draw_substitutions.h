#pragma once
// Draw substitutions: for a draw of a known image, a cheaper draw that gives the same pixels (a
// plain quad for a one-colour image, no blending for an opaque one, nearest sampling where it
// lands on whole texels), and draws at the output's own resolution (a dense image's texels or a
// close-up in place of the design-size image, captions set at the output's size over their glow).
#include <SFML/Graphics.hpp>

#include <vector>

#include "runtime/catalogue.h"
#include "runtime/picture_frame.h"

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
// Whether a turned sprite can be drawn as upright rectangles over the cells it reaches: filtered,
// and its image's outermost texels clear, which is all that the rectangles' corners beyond its
// quad read from the texture, clamped to its edge.
bool turnedOnRectangles(const sf::Sprite& sprite, const sf::Transform& placement, const ImageFacts& facts);
// Draws the sprite over `cells` of the framed picture as upright rectangles through `shader`: the
// pieces of the cells that its texels with any alpha reach, each rectangle's texture coordinates
// those that the sprite's placement gives its corners, as fractions of the texture's size. Mesa's
// fast path takes rectangles whatever their texture coordinates, and turned quads never.
// `vertices` is scratch.
void drawTurnedOnRectangles(sf::RenderTarget& output, const sf::Sprite& sprite, const sf::Transform& placement,
                            const ImageFacts& facts, const PictureFrame& frame, const std::vector<sf::IntRect>& cells,
                            const sf::Shader& shader, std::vector<sf::Vertex>& vertices);
// The caption as set at `scale` output pixels per design pixel.
void drawTextSharp(sf::RenderTarget& output, const sf::Text& text, float scale);
// The sprite as it is drawn at `outputScale` output pixels per design pixel.
sf::Sprite asDrawn(const sf::Sprite& sprite, const Catalogue& catalogue, float outputScale);
