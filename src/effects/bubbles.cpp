#include "effects/bubbles.h"

void createBubblePool() {}
