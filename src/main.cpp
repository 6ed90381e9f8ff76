#include "demo/demo.h"
#include "demo/display.h"
#include "runtime/assets.h"

int main()
{
    if (!displayReady("nerethval"))
        return 1;
    enterContentFolder("nerethval");
    // Decoding overlaps the window's and the GL driver's set-up. The window is asked for at the
    // design's size; a screen without that mode costs a second decode.
    return runDemo(decodeAssetsAhead(1.0f));
}
