// Asks a top-level window to close, as a window manager's close button does: sends it
// WM_DELETE_WINDOW. Used by the end-to-end tests, which run without a window manager.
//   closewindow "window title"
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <cstring>

static Window findByName(Display* display, Window window, const char* name)
{
    char* windowName = nullptr;
    if (XFetchName(display, window, &windowName) && windowName) {
        bool match = std::strcmp(windowName, name) == 0;
        XFree(windowName);
        if (match) return window;
    }
    Window root, parent, *children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, window, &root, &parent, &children, &count)) return 0;
    Window found = 0;
    for (unsigned int i = 0; i < count && !found; ++i) found = findByName(display, children[i], name);
    if (children) XFree(children);
    return found;
}

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: closewindow \"window title\"\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "closewindow: cannot open the display\n");
        return 1;
    }
    Window window = findByName(display, DefaultRootWindow(display), argv[1]);
    if (!window) {
        std::fprintf(stderr, "closewindow: no window named \"%s\"\n", argv[1]);
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
