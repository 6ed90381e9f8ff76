#include "scenes/scenes.h"

void scene09(sf::RenderWindow&) {}
