// A stand-in for a screen-saver host: opens a plain window of the given
// size (at 10, 10 or at the given place), prints its X11 window id, and
// destroys the window when its standard input reaches end of file (or it
// gets SIGTERM).
//
//   sylvadra_xhost WIDTH HEIGHT [X Y]
#include <X11/Xlib.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <unistd.h>

static volatile sig_atomic_t g_stop = 0;
static void onSignal(int) { g_stop = 1; }

int main(int argc, char** argv)
{
    int w = argc > 1 ? std::atoi(argv[1]) : 320;
    int h = argc > 2 ? std::atoi(argv[2]) : 240;
    Display* d = XOpenDisplay(nullptr);
    if (!d) return 1;
    const int x = argc > 4 ? std::atoi(argv[3]) : 10;
    const int y = argc > 4 ? std::atoi(argv[4]) : 10;
    Window win = XCreateSimpleWindow(d, DefaultRootWindow(d), x, y, static_cast<unsigned>(w),
                                     static_cast<unsigned>(h), 0, 0, 0x404040);
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
