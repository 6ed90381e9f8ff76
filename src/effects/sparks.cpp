#include "effects/sparks.h"

void createSparkPool() {}
