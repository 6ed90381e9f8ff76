#include "scenes/scenes.h"

void scene04(sf::RenderWindow&) {}
