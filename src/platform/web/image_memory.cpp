#include "platform/image_memory.h"

// The WebAssembly heap grows as it is asked for; images decode one at a time in the browser.
void growHeapForImages(std::size_t) {}
