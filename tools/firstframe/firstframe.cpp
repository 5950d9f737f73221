// Start to first frame: starts a program on the current X display and
// reports how long it takes until its first composed frame is on the
// screen, seen as white text appearing in the address label's place at the
// bottom right (drawn by the first animation tick, never by the landscape
// as it is being built).
//
//   sylvadra_firstframe PROGRAM ARGS...
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <thread>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: sylvadra_firstframe PROGRAM ARGS...\n");
        return 2;
    }
    Display* d = XOpenDisplay(nullptr);
    if (!d) {
        std::fprintf(stderr, "firstframe: no X display\n");
        return 1;
    }
    const Window root = DefaultRootWindow(d);
    XWindowAttributes a{};
    XGetWindowAttributes(d, root, &a);
    // The label: 137 x 19 pixels, 3 from the right edge, on the bottom edge.
    const int lw = 137, lh = 19, lx = a.width - lw - 3, ly = a.height - lh;
    const auto t0 = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        execvp(argv[1], argv + 1);
        _exit(127);
    }
    double ms = -1;
    while (ms < 0) {
        const double elapsed = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        if (elapsed > 10000) break;
        if (XImage* img = XGetImage(d, root, lx, ly, lw, lh, AllPlanes, ZPixmap)) {
            for (int y = 0; y < lh && ms < 0; ++y)
                for (int x = 0; x < lw; ++x)
                    if ((XGetPixel(img, x, y) & 0xFFFFFF) == 0xFFFFFF) {
                        ms = elapsed;
                        break;
                    }
            XDestroyImage(img);
        }
        if (ms < 0) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    kill(child, SIGTERM);
    waitpid(child, nullptr, 0);
    XCloseDisplay(d);
    if (ms < 0) {
        std::printf("no frame within 10 s\n");
        return 1;
    }
    std::printf("first frame after %.0f ms\n", ms);
    return 0;
}
