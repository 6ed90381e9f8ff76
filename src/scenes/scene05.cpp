#include "scenes/scenes.h"

void scene05(sf::RenderWindow&) {}
