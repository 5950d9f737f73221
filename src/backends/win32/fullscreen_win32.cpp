// Full screen: frmMain, once on every monitor. Each monitor gets a top-most
// borderless window with a scene of its own; the loop ticks every scene's
// animation timer, and a window that changes size (a new display mode, a
// monitor turned) gets a new landscape for it.
//
// No C++ exception crosses the window procedure: it catches ProgramEnd (and
// anything else), remembers it and leaves the message loop.
#include <algorithm>
#include <climits>
#include <memory>
#include <vector>

#include "errors/handler.h"
#include "settings/config.h"

#include "backends/win32/win32_platform.h"

namespace syl::win32 {

namespace {

const char* const kSceneClass = "SylvadraFrmMain";

} // namespace

void Win32Platform::endLoop(bool failed)
{
    if (failed) status_ = 1;
    if (!ended_) {
        ended_ = true;
        PostQuitMessage(status_);
    }
}

Win32Platform::Head* Win32Platform::headOf(HWND hwnd)
{
    for (Head& h : heads_)
        if (h.wnd == hwnd) return &h;
    return nullptr;
}

template <class F>
void Win32Platform::sceneEvent(Head* h, F&& f)
{
    if (ended_ || !h || !h->scene || !sceneLoaded_) return;
    try {
        f();
    } catch (const ProgramEnd&) {
        endLoop(false);
    } catch (...) {
        endLoop(true);
    }
}

bool Win32Platform::pumpMessages()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            quit_ = true;
            return false;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
        if (ended_) break;
    }
    return true;
}

LRESULT CALLBACK Win32Platform::sceneProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    auto* self = windowOwner<Win32Platform>(hwnd, msg, lp);
    if (!self) return DefWindowProcA(hwnd, msg, wp, lp);
    try {
        return self->sceneMessage(self->headOf(hwnd), hwnd, msg, wp, lp);
    } catch (...) {
        self->endLoop(true);
        return 0;
    }
}

LRESULT Win32Platform::sceneMessage(Head* h, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_ERASEBKGND: return 1; // WM_PAINT covers the whole client area
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        if (h) paintHead(*h, dc, ps.rcPaint);
        else FillRect(dc, &ps.rcPaint, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_SETCURSOR:
        if (cursorHidden_) {
            SetCursor(nullptr);
            return TRUE;
        }
        break;
    // Input on any monitor goes to the scene of that monitor, whose events
    // end the saver on all of them.
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: sceneEvent(h, [h] { h->scene->form().Form_KeyDown(); }); return 0;
    case WM_CHAR:
    case WM_SYSCHAR: sceneEvent(h, [h] { h->scene->form().Form_KeyPress(); }); return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN: sceneEvent(h, [h] { h->scene->form().Form_MouseDown(); }); return 0;
    case WM_LBUTTONUP: sceneEvent(h, [h] { h->scene->form().Form_Click(); }); return 0;
    case WM_MOUSEMOVE: {
        const float x = static_cast<float>(static_cast<short>(LOWORD(lp)));
        const float y = static_cast<float>(static_cast<short>(HIWORD(lp)));
        sceneEvent(h, [h, x, y] { h->scene->form().Form_MouseMove(x, y); });
        return 0;
    }
    case WM_SIZE:
        // A new size (a change of the display mode, a monitor turned): a
        // new landscape for it, not the old one cut or stretched.
        if (h && h->scene && wp != SIZE_MINIMIZED) {
            RECT rc{};
            GetClientRect(hwnd, &rc);
            if (rc.right - rc.left != h->scene->form().ScaleWidth() ||
                rc.bottom - rc.top != h->scene->form().ScaleHeight())
                h->resizePending = true;
        }
        return 0;
    case WM_DISPLAYCHANGE:
        // Each form covers its monitor again; the new size comes as WM_SIZE.
        if (h) refit(*h);
        break;
    case WM_SYSCOMMAND:
        // No other screen saver starts over this one.
        if ((wp & 0xFFF0) == SC_SCREENSAVE) return 0;
        break;
    case WM_CLOSE:
        // Unloading a form ends the program: its unload event ends the
        // saver, and forms that are no longer loaded keep nothing running.
        sceneEvent(h, [h] { h->scene->form().Form_Unload(); });
        if (!ended_) {
            sceneLoaded_ = false;
            endLoop(false);
        }
        return 0;
    case WM_ENDSESSION:
        if (wp) sceneEvent(h, [h] { h->scene->form().Form_Terminate(); });
        return 0;
    default: break;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

bool Win32Platform::openHeads()
{
    const std::vector<Monitor> list = monitors();
    heads_.reserve(list.size());
    for (const Monitor& mon : list) {
        // A form over the monitor, without border or caption.
        const RECT& r = mon.rect;
        HWND w = CreateWindowExA(0, kSceneClass, "Sylvadra", WS_POPUP, r.left, r.top, r.right - r.left,
                                 r.bottom - r.top, nullptr, nullptr, instance_, this);
        if (!w) {
            if (heads_.empty()) return false; // the primary's is needed
            continue;
        }
        Head h;
        h.wnd = w;
        h.monitor = mon.handle;
        h.rect = r;
        heads_.push_back(std::move(h));
    }
    for (Head& h : heads_) {
        // The scene at the window's size in pixels, its text at the
        // monitor's resolution.
        RECT rc{};
        GetClientRect(h.wnd, &rc);
        h.scene =
            std::make_unique<SceneRunner>(rc.right - rc.left, rc.bottom - rc.top, SceneOptions{monitorDpi(h.monitor)});
    }
    return true;
}

void Win32Platform::refit(Head& h)
{
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    HMONITOR m = h.monitor;
    if (!GetMonitorInfoA(m, &mi)) {
        // The monitor is gone: the nearest of those left.
        m = MonitorFromRect(&h.rect, MONITOR_DEFAULTTONEAREST);
        if (!m || !GetMonitorInfoA(m, &mi)) return;
    }
    const RECT& r = mi.rcMonitor;
    if (r.right <= r.left || r.bottom <= r.top) return;
    h.monitor = m;
    h.rect = r;
    RECT now{};
    GetWindowRect(h.wnd, &now);
    if (!EqualRect(&now, &r))
        SetWindowPos(h.wnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Platform::resizeScenes()
{
    for (Head& h : heads_) {
        if (ended_ || quit_ || !sceneLoaded_) return;
        if (!h.resizePending || !h.live) continue;
        h.resizePending = false;
        RECT rc{};
        GetClientRect(h.wnd, &rc);
        // The monitor's resolution may have changed with its mode.
        if (h.scene->resize(rc.right - rc.left, rc.bottom - rc.top, monitorDpi(h.monitor))) present(h, true);
    }
}

void Win32Platform::runFullScreen()
{
    const auto black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    if (!registerWindowClass(kSceneClass, sceneProc, black) || !openHeads()) {
        heads_.clear();
        status_ = 1;
        return;
    }
    sceneLoaded_ = true;
    setWallpaperScene(&heads_.front().scene->form());
    try {
        // The primary first, exactly as a single screen runs; then every
        // further monitor, its form black until its landscape is there.
        for (size_t k = 0; k < heads_.size() && !ended_ && !quit_ && sceneLoaded_; ++k) {
            Head& h = heads_[k];
            h.scene->load();
            if (ended_) break;
            h.live = true;
            if (k == 0) {
                SetTopMost(h.wnd, kTrue, kTrue);
                ShowWindow(h.wnd, SW_SHOW);
                SetForegroundWindow(h.wnd);
                SetFocus(h.wnd);
                UpdateWindow(h.wnd);
                for (size_t j = 1; j < heads_.size(); ++j) {
                    SetTopMost(heads_[j].wnd, kTrue, kFalse);
                    ShowWindow(heads_[j].wnd, SW_SHOWNOACTIVATE);
                    UpdateWindow(heads_[j].wnd);
                }
            }
            h.scene->compose();
            present(h, true);
        }
        // Each head's animation timer: one tick per interval while it is
        // enabled, messages handled in between without busy waiting.
        while (!ended_ && !quit_ && sceneLoaded_) {
            DWORD now = GetTickCount();
            int32_t wait = INT32_MAX;
            for (const Head& h : heads_) wait = std::min(wait, h.scene->untilDue(now));
            if (wait > 0)
                MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(wait), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
            if (!pumpMessages() || ended_ || !sceneLoaded_) break;
            resizeScenes();
            for (Head& h : heads_) {
                if (ended_ || quit_ || !sceneLoaded_) break;
                if (h.scene->tick(GetTickCount())) present(h, false);
            }
        }
    } catch (const ProgramEnd&) {
    } catch (...) {
        status_ = 1;
    }
    // The program ends now, and the windows go with the process: destroying
    // them here would only wait for the window manager under Wine (up to two
    // seconds when there is none). Messages are no longer dispatched to them.
    setWallpaperScene(nullptr);
    sceneLoaded_ = false;
    heads_.clear();
}

} // namespace syl::win32
