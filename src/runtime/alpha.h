#pragma once
// The one alpha convention: truncate toward zero, keep the low 8 bits, tint white.
#include <SFML/Graphics/Color.hpp>

// alpha on the 0-255 scale (captions, overlays, layers)
inline sf::Color alphaColour(float alpha)
{
    return sf::Color(255, 255, 255, static_cast<sf::Uint8>(static_cast<int>(alpha)));
}

// alpha on the 0-1 scale (pool slots, fade sprites)
inline sf::Color unitAlphaColour(float alpha)
{
    return alphaColour(alpha * 255.0f);
}
