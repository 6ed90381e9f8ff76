#include "platform/display.h"

#include <emscripten/emscripten.h>

std::string displayProblem()
{
    // Asked of a canvas of its own, so that the page's canvas keeps the attributes the window
    // module asks for.
    const bool webgl2 = EM_ASM_INT({
        try {
            return document.createElement('canvas').getContext('webgl2') ? 1 : 0;
        } catch (error) {
            return 0;
        }
    });
    return webgl2 ? std::string() : "this browser offers no WebGL 2, which the demo needs";
}
