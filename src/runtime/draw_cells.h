#pragma once
// Culling and scissors. The framed picture is cut into cells of drawCellSize pixels; from an
// image's facts and a sprite's placement (its transform into pixels of the picture) these work out
// whether the draw can change a pixel at all, which cells its non-empty tiles can reach, and which
// cells its opaque tiles replace, so that the draws beneath leave them alone.
#include <SFML/Graphics.hpp>
#include <vector>

#include "runtime/image_facts.h"
#include "runtime/picture_frame.h"

// The picture rectangle that a local rectangle can touch, a pixel wider all round.
sf::FloatRect reachOf(const sf::Transform& placement, const sf::FloatRect& local);
// How many cells the picture has across and down; cells are kept row by row.
sf::Vector2i cellGrid(sf::Vector2i pictureSize);
// Whether a sprite can change a pixel at all; without facts, judged by its rectangle.
bool canShow(const sf::Sprite& sprite, const sf::Transform& placement, const ImageFacts* facts, sf::Vector2i pictureSize);
// The cells that the image's non-empty tiles can reach, less the `hidden` ones (none when null),
// as rectangles of cells in `scissors`. `cells` is scratch of the picture's cell count.
void findScissors(std::vector<char>& cells, std::vector<sf::IntRect>& scissors, const sf::Transform& placement,
                  const ImageFacts& facts, const std::vector<char>* hidden, sf::Vector2i pictureSize);
// Marks in `covered` the cells whose every pixel this sprite replaces; true when it marked one not
// marked yet.
bool markReplacedCells(std::vector<char>& covered, const sf::Sprite& sprite, const sf::Transform& placement,
                       const ImageFacts& facts, sf::Vector2i pictureSize);
// Limits GL's drawing to a rectangle of cells of the framed picture.
void setScissor(const sf::IntRect& cells, const PictureFrame& frame);
