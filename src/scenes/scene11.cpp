#include "scenes/scenes.h"

void scene11(sf::RenderWindow&) {}
