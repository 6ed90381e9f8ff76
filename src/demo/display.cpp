#include "demo/display.h"

#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

void exitUnlessDisplay(const char* program)
{
    // Held open to the end: were it the server's only client, closing it would let the server
    // reset, and refuse the connection that SFML makes straight after.
    static Display* const display = XOpenDisplay(nullptr);
    if (display)
        return;
    const char* name = std::getenv("DISPLAY");
    const char* hint = "xvfb-run -a -s \"-screen 0 1280x720x24\" works without a screen";
    if (!name || !*name)
        std::fprintf(stderr, "%s: needs an X display, and DISPLAY is not set (%s)\n", program, hint);
    else
        std::fprintf(stderr, "%s: cannot open the X display \"%s\" (%s)\n", program, name, hint);
    std::exit(1);
}
