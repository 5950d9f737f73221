// Closes a window as its close box does: WM_DELETE_WINDOW to the window
// whose id is the first argument (no window manager runs on the test
// displays). Built by the settings-dialog tests of both platforms.
#include <X11/Xlib.h>
#include <cstdlib>
int main(int argc, char** argv)
{
    Display* d = XOpenDisplay(nullptr);
    if (!d || argc < 2) return 1;
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = std::strtoul(argv[1], nullptr, 0);
    e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, e.xclient.window, False, NoEventMask, &e);
    XSync(d, False);
    XCloseDisplay(d);
    return 0;
}
