// A small screen-saver host for the end-to-end tests under Wine.
//
//   prevhost preview SCR GOFILE [WIDTH HEIGHT]
//       Opens a host window (magenta, at 100,100 on the screen), starts
//       "SCR /p <host>" and waits for the saver's child window. Prints
//         HOST <x> <y> <width> <height>        the host's client area on the screen
//         CHILD <ok> <width> <height> <visible> <same-process>
//       then waits until GOFILE exists (the script has taken its
//       screenshot), destroys the host window and waits for the saver:
//         EXIT <code> <milliseconds until the saver ended> <of which DestroyWindow>
//       Exit status 0 when the child filled the host and the saver ended.
//   prevhost spi-get        prints "active=0" or "active=1"
//   prevhost spi-set 0|1    switches the screen-saver activation (not stored)
//   prevhost monitors       prints one line per monitor, as the system
//                           lists them to a program that is DPI aware:
//                             MONITOR <left> <top> <width> <height> <primary 0|1>
//   prevhost resize CLASS WIDTH HEIGHT
//                           gives the first window of the class a new size,
//                           its top-left corner kept, as a change of the
//                           display does; prints its client size then:
//                             SIZE <width> <height>
//
// SCR and GOFILE may be Unix paths; they are read through drive Z:.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

std::string windowsPath(std::string p)
{
    if (!p.empty() && p[0] == '/') {
        for (auto& c : p)
            if (c == '/') c = '\\';
        p = "Z:" + p;
    }
    return p;
}

LRESULT CALLBACK hostProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) { return DefWindowProcA(hwnd, msg, wp, lp); }

void pumpFor(DWORD ms)
{
    const DWORD start = GetTickCount();
    for (;;) {
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
        const DWORD spent = GetTickCount() - start;
        if (spent >= ms) return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - spent, QS_ALLINPUT);
    }
}

// Waits for a process while handling this thread's messages; true when it ended.
bool waitProcess(HANDLE process, DWORD ms)
{
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD spent = GetTickCount() - start;
        if (spent >= ms) return WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
        DWORD r = MsgWaitForMultipleObjects(1, &process, FALSE, ms - spent, QS_ALLINPUT);
        if (r == WAIT_OBJECT_0) return true;
        MSG m;
        while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        }
    }
}

int preview(const std::string& scr, const std::string& goFile, int width, int height)
{
    HINSTANCE inst = GetModuleHandleA(nullptr);
    WNDCLASSA wc{};
    wc.lpfnWndProc = hostProc;
    wc.hInstance = inst;
    wc.hbrBackground = CreateSolidBrush(0x00FF00FF); // magenta: any pixel of it left shows a gap
    wc.lpszClassName = "SylvadraTestHost";
    RegisterClassA(&wc);
    HWND host = CreateWindowExA(0, wc.lpszClassName, "Preview host", WS_POPUP | WS_CLIPCHILDREN, 100, 100, width,
                                height, nullptr, nullptr, inst, nullptr);
    if (!host) {
        std::printf("ERROR no host window\n");
        return 2;
    }
    // Shown without activation, so that no window manager is waited for
    // when it is destroyed.
    SetWindowPos(host, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    UpdateWindow(host);
    pumpFor(300);

    char cmd[1024];
    std::snprintf(cmd, sizeof cmd, "\"%s\" /p %lld", windowsPath(scr).c_str(),
                  static_cast<long long>(reinterpret_cast<intptr_t>(host)));
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, cmd, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        std::printf("ERROR cannot start %s (%lu)\n", cmd, GetLastError());
        return 2;
    }

    RECT rc{};
    GetClientRect(host, &rc);
    POINT origin{0, 0};
    ClientToScreen(host, &origin);
    std::printf("HOST %ld %ld %ld %ld\n", origin.x, origin.y, rc.right, rc.bottom);
    std::fflush(stdout);

    // The saver's child window: it appears (within a minute, however busy
    // the machine), then has time to paint.
    HWND child = nullptr;
    for (int i = 0; i < 600 && !child; ++i) {
        pumpFor(100);
        HWND c = GetWindow(host, GW_CHILD);
        if (c && IsWindowVisible(c)) child = c;
    }
    pumpFor(700);
    bool ok = false;
    if (child) {
        RECT cr{};
        GetClientRect(child, &cr);
        DWORD pid = 0;
        GetWindowThreadProcessId(child, &pid);
        const bool filled = cr.right == rc.right && cr.bottom == rc.bottom;
        const bool sameProcess = pid == pi.dwProcessId;
        const bool visible = IsWindowVisible(child) != 0;
        ok = filled && sameProcess && visible && GetParent(child) == host;
        std::printf("CHILD %d %ld %ld %d %d\n", ok ? 1 : 0, cr.right, cr.bottom, visible ? 1 : 0, sameProcess ? 1 : 0);
    } else {
        std::printf("CHILD 0 0 0 0 0\n");
    }
    std::fflush(stdout);

    // Hold the host until the script has looked at it.
    const std::string go = windowsPath(goFile);
    for (int i = 0; i < 400 && GetFileAttributesA(go.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) pumpFor(100);

    const DWORD start = GetTickCount();
    DestroyWindow(host);
    const DWORD destroyed = GetTickCount() - start;
    const bool ended = waitProcess(pi.hProcess, 10000);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    std::printf("EXIT %ld %lu %lu\n", ended ? static_cast<long>(code) : -1L, GetTickCount() - start, destroyed);
    std::fflush(stdout);
    if (!ended) TerminateProcess(pi.hProcess, 3);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return ok && ended ? 0 : 1;
}

BOOL CALLBACK printMonitor(HMONITOR m, HDC, LPRECT, LPARAM)
{
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    if (GetMonitorInfoA(m, &mi))
        std::printf("MONITOR %ld %ld %ld %ld %d\n", mi.rcMonitor.left, mi.rcMonitor.top,
                    mi.rcMonitor.right - mi.rcMonitor.left, mi.rcMonitor.bottom - mi.rcMonitor.top,
                    (mi.dwFlags & MONITORINFOF_PRIMARY) ? 1 : 0);
    return TRUE;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc >= 4 && std::strcmp(argv[1], "preview") == 0) {
        int w = argc >= 6 ? std::atoi(argv[4]) : 200;
        int h = argc >= 6 ? std::atoi(argv[5]) : 150;
        return preview(argv[2], argv[3], w, h);
    }
    // The activation is read and set with the display driver loaded (a
    // hidden window does that), as a screen saver sees it: under Wine that
    // is the X server's screen saver, not only Wine's registry.
    if (argc >= 2 && (std::strcmp(argv[1], "spi-get") == 0 || std::strcmp(argv[1], "spi-set") == 0))
        CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (argc >= 2 && std::strcmp(argv[1], "spi-get") == 0) {
        BOOL active = FALSE;
        if (!SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &active, 0)) return 2;
        std::printf("active=%d\n", active ? 1 : 0);
        return 0;
    }
    if (argc >= 3 && std::strcmp(argv[1], "spi-set") == 0) {
        if (!SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, std::atoi(argv[2]) ? 1 : 0, nullptr, 0)) return 2;
        BOOL active = FALSE;
        SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &active, 0); // delivers the change before the end
        return 0;
    }
    if (argc >= 2 && std::strcmp(argv[1], "monitors") == 0) {
        // The saver sees physical pixels (its manifest declares it DPI
        // aware); so does this host, whatever the test's resolution.
        using SetAwarenessFn = BOOL(WINAPI*)(HANDLE);
        if (auto set = reinterpret_cast<SetAwarenessFn>(reinterpret_cast<void*>(
                GetProcAddress(GetModuleHandleA("user32.dll"), "SetProcessDpiAwarenessContext"))))
            set(reinterpret_cast<HANDLE>(static_cast<intptr_t>(-4))); // per monitor, version 2
        return EnumDisplayMonitors(nullptr, nullptr, printMonitor, 0) ? 0 : 2;
    }
    if (argc >= 5 && std::strcmp(argv[1], "resize") == 0) {
        HWND w = FindWindowA(argv[2], nullptr);
        if (!w) {
            std::printf("ERROR no window of class %s\n", argv[2]);
            return 2;
        }
        if (!SetWindowPos(w, nullptr, 0, 0, std::atoi(argv[3]), std::atoi(argv[4]),
                          SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE))
            return 2;
        RECT rc{};
        GetClientRect(w, &rc);
        std::printf("SIZE %ld %ld\n", rc.right - rc.left, rc.bottom - rc.top);
        return 0;
    }
    std::fprintf(stderr, "usage: prevhost preview SCR GOFILE [WIDTH HEIGHT] | spi-get | spi-set 0|1 | monitors | "
                         "resize CLASS WIDTH HEIGHT\n");
    return 2;
}
