#include "content.h"

void writeSoundtrack(const std::string&) {}
