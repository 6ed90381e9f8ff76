#include "scenes/scenes.h"

void scene10(sf::RenderWindow&) {}
