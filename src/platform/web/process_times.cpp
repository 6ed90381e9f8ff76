#include "platform/process_times.h"

#include <emscripten/emscripten.h>

double processAgeSeconds()
{
    // performance.now() counts from the page's start, which is the program's.
    return emscripten_get_now() * 1e-3;
}

double processCpuMs()
{
    // A page cannot read its CPU time; the main thread's wall time is the nearest there is.
    return emscripten_get_now();
}
