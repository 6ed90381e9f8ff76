#pragma once
// Images shown smaller than their file's texels, resampled once at load to the texels they show:
// a 2x file on a 1.5x output becomes a 1.5x image, which the picture then shows texel for pixel
// instead of squeezing four texels into three pixels on every frame.
#include <SFML/Graphics/Image.hpp>

// `image` resampled to `size` with a Catmull-Rom filter widened to the reduction, in premultiplied
// alpha so that clear texels lend no colour to their neighbours' edges.
sf::Image resampledImage(const sf::Image& image, sf::Vector2u size);
