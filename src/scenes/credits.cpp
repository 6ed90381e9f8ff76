#include "scenes/scenes.h"

void creditsScene(sf::RenderWindow&) {}
