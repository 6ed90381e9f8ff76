/* x11-probe: what the end-to-end test needs from X that xdotool does not give.
 *   x11-probe close <window>        sends the window manager's close request (WM_DELETE_WINDOW)
 *   x11-probe pixel <window> <x> <y> prints the pixel's red, green and blue
 *   x11-probe lit <window>           prints the window's width and height, then the box of its
 *                                    pixels that are not black (left top right bottom, exclusive;
 *                                    "none" when all are) */
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int sendCloseRequest(Display* display, Window window)
{
    XEvent event;
    memset(&event, 0, sizeof(event));
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = (long)XInternAtom(display, "WM_DELETE_WINDOW", False);
    event.xclient.data.l[1] = CurrentTime;
    if (!XSendEvent(display, window, False, NoEventMask, &event))
        return 1;
    XSync(display, False);
    return 0;
}

static int printPixel(Display* display, Window window, int x, int y)
{
    XImage* image = XGetImage(display, window, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image)
        return 1;
    const unsigned long pixel = XGetPixel(image, 0, 0);
    printf("%lu %lu %lu\n", (pixel & image->red_mask) >> 16, (pixel & image->green_mask) >> 8,
           pixel & image->blue_mask);
    XDestroyImage(image);
    return 0;
}

static int printLitBox(Display* display, Window window)
{
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes))
        return 1;
    XImage* image = XGetImage(display, window, 0, 0, (unsigned)attributes.width, (unsigned)attributes.height,
                              AllPlanes, ZPixmap);
    if (!image)
        return 1;
    int left = attributes.width, top = attributes.height, right = 0, bottom = 0;
    for (int y = 0; y < attributes.height; ++y)
        for (int x = 0; x < attributes.width; ++x) {
            if ((XGetPixel(image, x, y) & (image->red_mask | image->green_mask | image->blue_mask)) == 0)
                continue;
            if (x < left) left = x;
            if (y < top) top = y;
            if (x + 1 > right) right = x + 1;
            if (y + 1 > bottom) bottom = y + 1;
        }
    if (right > left)
        printf("%d %d %d %d %d %d\n", attributes.width, attributes.height, left, top, right, bottom);
    else
        printf("%d %d none\n", attributes.width, attributes.height);
    XDestroyImage(image);
    return 0;
}

int main(int argc, char** argv)
{
    Display* display = XOpenDisplay(NULL);
    if (!display || argc < 3) {
        fprintf(stderr, "usage: x11-probe close <window> | pixel <window> <x> <y> | lit <window> (needs an X display)\n");
        return 2;
    }
    const Window window = (Window)strtoul(argv[2], NULL, 0);
    int status = 2;
    if (strcmp(argv[1], "close") == 0)
        status = sendCloseRequest(display, window);
    else if (strcmp(argv[1], "pixel") == 0 && argc == 5)
        status = printPixel(display, window, atoi(argv[3]), atoi(argv[4]));
    else if (strcmp(argv[1], "lit") == 0)
        status = printLitBox(display, window);
    XCloseDisplay(display);
    return status;
}
