#include "platform/image_memory.h"

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <vector>

// Start-up here is mostly page faults: the decoded images and the textures that software OpenGL
// makes of them (clearing each first) take hundreds of megabytes of fresh memory, and on 2 MiB
// pages there are 500 times fewer faults than on 4 KiB ones. So the C heap, where both come from,
// grows once by room for every image twice (decoded and waiting, and as a texture), marked for
// huge pages, and keeps what is freed for the next image instead of handing it back. The settings
// stay: the buffers software OpenGL takes and frees every frame then come from the heap too,
// not as fresh mappings faulted in page by page each frame.
void growHeapForImages(std::size_t bytes)
{
    constexpr std::size_t hugePage = std::size_t(2) << 20;
    mallopt(M_ARENA_MAX, 1);  // the workers allocate from the same heap as GL
    mallopt(M_MMAP_THRESHOLD, 32 << 20);  // an image is a piece of the heap, not a mapping of its own
    mallopt(M_TRIM_THRESHOLD, int(std::min<std::size_t>(2 * bytes, INT_MAX)));
    mallopt(M_TOP_PAD, int(std::min<std::size_t>(bytes, INT_MAX)));
    // Blocks from the top of the heap until one makes it grow, by the padding just set. A few
    // are enough: where the heap does not grow (another malloc, no room), nothing is marked.
    const auto heapEnd = [] { return reinterpret_cast<std::uintptr_t>(sbrk(0)); };
    const std::uintptr_t start = heapEnd();
    std::vector<void*> probes;
    for (int i = 0; i < 8 && heapEnd() == start; ++i)
        probes.push_back(std::malloc(hugePage));
    const std::uintptr_t first = (start + hugePage - 1) / hugePage * hugePage;
    const std::uintptr_t end = heapEnd() / hugePage * hugePage;
    if (end > first)
        madvise(reinterpret_cast<void*>(first), end - first, MADV_HUGEPAGE);
    for (void* probe : probes)
        std::free(probe);
    mallopt(M_TOP_PAD, 128 << 10);  // glibc's default
}
