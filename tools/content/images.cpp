#include "content.h"

void writeImages(const std::string&, const std::string&) {}
