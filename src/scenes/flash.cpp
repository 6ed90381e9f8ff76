#include "scenes/scenes.h"

void flashScene(sf::RenderWindow&) {}
