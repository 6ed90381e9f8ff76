#include "effects/glitter.h"

void createGlitterPool() {}
