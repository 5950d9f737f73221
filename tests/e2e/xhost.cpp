// A stand-in for a screen-saver host: opens a plain window of the given
// size (at 10, 10 or at the given place), prints its X11 window id, and
// destroys the window when its standard input reaches end of file (or it
// gets SIGTERM).
//
//   sylvadra_xhost WIDTH HEIGHT [X Y]
//
// With --bells it opens no window but prints "ready", then "bell" for each
// ring of the display's bell, until standard input reaches end of file.
#include <X11/Xlib.h>
#include <X11/XKBlib.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <string_view>
#include <unistd.h>

static volatile sig_atomic_t g_stop = 0;
static void onSignal(int) { g_stop = 1; }

static int listenForBells()
{
    int event = 0, error = 0, major = XkbMajorVersion, minor = XkbMinorVersion;
    Display* d = XkbOpenDisplay(nullptr, &event, &error, &major, &minor, nullptr);
    if (!d) return 1;
    XkbSelectEvents(d, XkbUseCoreKbd, XkbBellNotifyMask, XkbBellNotifyMask);
    XSync(d, False);
    std::printf("ready\n");
    std::fflush(stdout);
    pollfd p[2] = {{0, POLLIN, 0}, {ConnectionNumber(d), POLLIN, 0}};
    char buf[64];
    for (;;) {
        while (XPending(d)) {
            XEvent e;
            XNextEvent(d, &e);
            if (e.type == event && reinterpret_cast<XkbAnyEvent*>(&e)->xkb_type == XkbBellNotify) {
                std::printf("bell\n");
                std::fflush(stdout);
            }
        }
        if (poll(p, 2, 1000) > 0 && (p[0].revents & (POLLIN | POLLHUP)) && read(0, buf, sizeof buf) <= 0) break;
    }
    XCloseDisplay(d);
    return 0;
}

int main(int argc, char** argv)
{
    if (argc > 1 && std::string_view(argv[1]) == "--bells") return listenForBells();
    int w = argc > 1 ? std::atoi(argv[1]) : 320;
    int h = argc > 2 ? std::atoi(argv[2]) : 240;
    Display* d = XOpenDisplay(nullptr);
    if (!d) return 1;
    const int x = argc > 4 ? std::atoi(argv[3]) : 10;
    const int y = argc > 4 ? std::atoi(argv[4]) : 10;
    Window win = XCreateSimpleWindow(d, DefaultRootWindow(d), x, y, static_cast<unsigned>(w), static_cast<unsigned>(h),
                                     0, 0, 0x404040);
    XStoreName(d, win, "sylvadra-test-host");
    XMapWindow(d, win);
    XSync(d, False);
    std::printf("%lu\n", static_cast<unsigned long>(win));
    std::fflush(stdout);
    std::signal(SIGTERM, onSignal);
    pollfd p{0, POLLIN, 0};
    char buf[64];
    while (!g_stop) {
        while (XPending(d)) {
            XEvent e;
            XNextEvent(d, &e);
        }
        if (poll(&p, 1, 50) > 0 && read(0, buf, sizeof buf) <= 0) break;
    }
    XDestroyWindow(d, win);
    XSync(d, False);
    XCloseDisplay(d);
    return 0;
}
