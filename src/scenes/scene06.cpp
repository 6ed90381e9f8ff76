#include "scenes/scenes.h"

void scene06(sf::RenderWindow&) {}
