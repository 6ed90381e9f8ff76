#include "effects/hex_pulses.h"

void createHexPulsePool() {}
