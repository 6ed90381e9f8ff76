#pragma once
// Start-up memory for the images decoded ahead.
#include <cstddef>

// Prepares the C heap for `bytes` of images decoded ahead and their textures.
void growHeapForImages(std::size_t bytes);
