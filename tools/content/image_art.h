#pragma once
// Every picture of the demo, one function each, grouped by the scene that shows it.
#include <SFML/Graphics/Image.hpp>
#include <string>

// The emblem family: the pulse hexagon, the bubble, the six rings, the flash sigil, its light
// and the wall.
sf::Image makeHexagon();
sf::Image makeHexagonSmall();
sf::Image makeEmblemRing(int ring);  // 1 (the core) to 6 (the outer frame)
sf::Image makeGantz();
sf::Image makeWhite();
sf::Image makeWall();

// Space and light: the glint backgrounds, their overlays, the skull and the small sprites.
sf::Image makeGlint1(int layer);  // 1 (opaque background) to 6 (nearest, fastest-growing)
sf::Image makeGlint2();
sf::Image makeGlint4();
sf::Image makeG4(int overlay);  // 1 to 3, in the order they appear
sf::Image makeGlint5();
sf::Image makeSkull();
sf::Image makeGlint6();
sf::Image makeHalo();
sf::Image makeHalo2();
sf::Image makeGlitter();
sf::Image makeWhiteSpark();
sf::Image makeYellowSpark();

// The scrolling landscape: sky, three parallax ranges, the fast strip, foreground, flares.
sf::Image makeLandscapeSky();
sf::Image makeLandscapeForeground();
sf::Image makeParallaxRange(int depth);  // 2 (near) to 4 (far)
sf::Image makeStripPiece(int piece);     // 0: g3-d1, 1: g3-d1-1, 2: g3-d1-2, 3: g3-d1-3
sf::Image makeFlare(int flare);          // 1 to 4
sf::Image makeLandscapeGlint();

// Words: the title and the credits card.
sf::Image makeTitle(const std::string& fontPath);
sf::Image makeCredits(const std::string& fontPath);
