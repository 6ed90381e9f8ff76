#pragma once
// Every picture of the demo, one function each, grouped by the scene that shows it.
#include <SFML/Graphics/Image.hpp>
#include <string>

// The emblem family: the pulse hexagon, the bubble, the six rings, the flash sigil, its light
// and the wall.
sf::Image makePulseHexagon();
sf::Image makeBubbleHexagon();
sf::Image makeEmblemRing(int ring);  // 1 (the core) to 6 (the outer frame)
sf::Image makeFlashSigil();
sf::Image makeWhite();
sf::Image makeWall();

// Space and light: the glint backgrounds, their overlays, the skull and the small sprites.
sf::Image makeWarpLayer(int layer);  // 1 (opaque background) to 6 (nearest, fastest-growing)
sf::Image makeGem();
sf::Image makePlanet();
sf::Image makePlanetSky(int overlay);  // 1 the moon, 2 the constellation, 3 the sunrise
sf::Image makeEclipse();
sf::Image makeSkull();
sf::Image makeCentralStar();
sf::Image makeHalo();
sf::Image makeUnusedHalo();
sf::Image makeGlitter();
sf::Image makeWhiteSpark();
sf::Image makeYellowSpark();

// The scrolling landscape: sky, three parallax ranges, the fast strip, foreground, flares.
sf::Image makeLandscapeSky();
sf::Image makeLandscapeForeground();
sf::Image makeParallaxRange(int depth);  // 2 (near) to 4 (far)
sf::Image makeStripPiece(int piece);     // 0: g3-d1, 1: g3-d1-1, 2: g3-d1-2, 3: g3-d1-3
sf::Image makeFlare(int flare);          // 1 to 4
sf::Image makeLandscapeStar();

// Words: the title and the credits card.
sf::Image makeTitle(const std::string& fontPath);
sf::Image makeCredits(const std::string& fontPath);
