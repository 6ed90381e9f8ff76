#include "scenes/scenes.h"

void scene01(sf::RenderWindow&) {}
