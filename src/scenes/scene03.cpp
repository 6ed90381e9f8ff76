#include "scenes/scenes.h"

void scene03(sf::RenderWindow&) {}
