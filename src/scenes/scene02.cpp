#include "scenes/scenes.h"

void scene02(sf::RenderWindow&) {}
