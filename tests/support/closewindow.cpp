// Asks a top-level window to close, as a window manager's close button does: sends it
// WM_DELETE_WINDOW. Used by the end-to-end tests, which run without a window manager.
//   closewindow WINDOW_ID     (decimal or 0x hex, as xdotool and xwininfo print it)
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: closewindow WINDOW_ID\n");
        return 2;
    }
    char* end = nullptr;
    const Window window = std::strtoul(argv[1], &end, 0);
    if (!window || *end) {
        std::fprintf(stderr, "closewindow: \"%s\" is not a window id\n", argv[1]);
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "closewindow: cannot open the display\n");
        return 1;
    }
    XEvent event = {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XCloseDisplay(display);
    return 0;
}
