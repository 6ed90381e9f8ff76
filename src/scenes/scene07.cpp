#include "scenes/scenes.h"

void scene07(sf::RenderWindow&) {}
