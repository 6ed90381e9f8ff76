#include "platform/display.h"

#include <X11/Xlib.h>

#include <cstdlib>

std::string displayProblem()
{
    // Held open to the end: were it the server's only client, closing it would let the server
    // reset, and refuse the connection that SFML makes straight after.
    static Display* const display = XOpenDisplay(nullptr);
    if (display)
        return {};
    const char* name = std::getenv("DISPLAY");
    const std::string hint = "(xvfb-run -a -s \"-screen 0 1280x720x24\" works without a screen)";
    if (!name || !*name)
        return "needs an X display, and DISPLAY is not set " + hint;
    return "cannot open the X display \"" + std::string(name) + "\" " + hint;
}
