#pragma once
// Every scene of the timeline; the frame loop calls one of them per frame.
#include <SFML/Graphics/RenderWindow.hpp>

using SceneFunction = void (*)(sf::RenderWindow& window);

void scene01(sf::RenderWindow& window);
void scene02(sf::RenderWindow& window);
void scene03(sf::RenderWindow& window);
void scene04(sf::RenderWindow& window);
void scene05(sf::RenderWindow& window);
void scene06(sf::RenderWindow& window);
void scene07(sf::RenderWindow& window);
void scene08(sf::RenderWindow& window);
void scene09(sf::RenderWindow& window);
void scene10(sf::RenderWindow& window);
void scene11(sf::RenderWindow& window);
void flashScene(sf::RenderWindow& window);
void creditsScene(sf::RenderWindow& window);
