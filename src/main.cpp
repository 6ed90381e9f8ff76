#include "demo/demo.h"
#include "demo/display.h"
#include "runtime/assets.h"

// Ahead of the state block's constructors: see demo/display.h.
__attribute__((constructor(101))) static void checkDisplay()
{
    exitUnlessDisplay("nerethval");
}

int main()
{
    enterContentFolder("nerethval");
    return runDemo();
}
