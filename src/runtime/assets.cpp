#include "runtime/assets.h"

void loadAssets() {}
