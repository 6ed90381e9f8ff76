#include "platform/image_memory.h"

// The Windows heap has no counterpart to glibc's knobs, and its large pages need a privilege
// that users are not given.
void growHeapForImages(std::size_t) {}
