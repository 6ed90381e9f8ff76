#include "demo/demo.h"
#include "demo/display.h"
#include "runtime/assets.h"

// Ahead of the state block's constructors: see demo/display.h. The images start decoding here,
// so that decoding overlaps the GL set-up that those constructors and the window go through.
__attribute__((constructor(101))) static void checkDisplay()
{
    exitUnlessDisplay("nerethval");
    enterContentFolder("nerethval");
    // The window is asked for at the design's size; a screen without that mode costs a second decode.
    decodeAssetsAhead(1.0f);
}

int main()
{
    return runDemo();
}
