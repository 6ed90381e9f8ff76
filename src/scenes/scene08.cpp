#include "scenes/scenes.h"

void scene08(sf::RenderWindow&) {}
