// Preview: frmPreview, a child of the host's window (the screen-saver
// settings of the system) showing a fixed picture until the host destroys
// it. Under Wine a borderless stand-in owned by the host shows the picture
// in its place.
#include "errors/handler.h"
#include "settings/config.h"

#include "backends/win32/win32_platform.h"

namespace syl::win32 {

namespace {

constexpr UINT kSwpNoZOrderNoActivateShow = 0x54;
// GWL_HWNDPARENT, the owner slot (window handles keep to 32 bits).
constexpr int kGwlHwndParent = -8;
constexpr UINT_PTR kHostWatchTimer = 1;
constexpr UINT kHostWatchMs = 500;

const char* const kPreviewClass = "SylvadraFrmPreview";
const char* const kStandInClass = "SylvadraPreviewStandIn";

// Wine (which exports wine_get_version from its ntdll).
bool runningUnderWine()
{
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

} // namespace

LRESULT CALLBACK Win32Platform::previewProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    auto* self = windowOwner<Win32Platform>(hwnd, msg, lp);
    if (!self) return DefWindowProcA(hwnd, msg, wp, lp);
    try {
        return self->previewMessage(hwnd, msg, wp, lp);
    } catch (...) {
        PostQuitMessage(0);
        return 0;
    }
}

// frmPreview.Form_Resize: the picture stretched over the whole client area.
void Win32Platform::previewResize(HWND hwnd, HDC dc)
{
    Procedure p("frmPreview", "Form_Resize");
    p.run([&] {
        p.step(0, [&] {
            RECT rc{};
            GetClientRect(hwnd, &rc);
            const Picture& pic = previewPicture_;
            const int w = rc.right - rc.left, h = rc.bottom - rc.top;
            if (settings().Sharp && w > 0 && h > 0) {
                // Smoothly resampled in the sharp mode.
                Surface s(w, h, 0);
                s.smooth = true;
                PaintPicture(s, viewOf(pic), 0, 0, w, h);
                showPixels(dc, s.pixels(), w, h, w, h);
            } else {
                showPixels(dc, pic.pixels, pic.width, pic.height, w, h);
            }
        });
    });
}

LRESULT Win32Platform::previewMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        previewResize(hwnd, dc);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_SIZE:
        if (HDC dc = GetDC(hwnd)) {
            previewResize(hwnd, dc);
            ReleaseDC(hwnd, dc);
        }
        InvalidateRect(hwnd, nullptr, FALSE);
        placeStandIn();
        return 0;
    case WM_TIMER:
        // A host that went away without destroying its children (or a
        // handle that never was a window) ends the preview too.
        if (wp == kHostWatchTimer) {
            if (!IsWindow(previewHost_)) DestroyWindow(hwnd);
            else placeStandIn();
        }
        return 0;
    case WM_MOVE: placeStandIn(); break;
    case WM_DESTROY: {
        KillTimer(hwnd, kHostWatchTimer);
        if (hwnd == previewWnd_) previewWnd_ = nullptr;
        destroyWindowIn(standIn_);
        // frmPreview.Form_Unload
        Procedure p("frmPreview", "Form_Unload");
        try {
            p.run([&] { p.step(0, [] { exitScreensaver(); }); });
        } catch (const ProgramEnd&) {
        }
        PostQuitMessage(0);
        return 0;
    }
    default: break;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

LRESULT CALLBACK Win32Platform::standInProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    auto* self = windowOwner<Win32Platform>(hwnd, msg, lp);
    switch (msg) {
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        if (self) {
            try {
                self->previewResize(hwnd, dc);
            } catch (...) {
            }
        }
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
    default: break;
    }
    return DefWindowProcA(hwnd, msg, wp, lp);
}

// The stand-in covers the preview's place on the screen while the preview
// is visible.
void Win32Platform::placeStandIn()
{
    if (!standIn_ || !previewWnd_) return;
    RECT r{};
    GetWindowRect(previewWnd_, &r);
    const bool show = IsWindowVisible(previewWnd_) && r.right > r.left && r.bottom > r.top;
    RECT now{};
    GetWindowRect(standIn_, &now);
    if (show && !EqualRect(&now, &r))
        SetWindowPos(standIn_, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    if (show != (IsWindowVisible(standIn_) != 0)) ShowWindow(standIn_, show ? SW_SHOWNOACTIVATE : SW_HIDE);
}

void Win32Platform::runPreview(long long hostWindow)
{
    HWND host = toHwnd(hostWindow);
    previewHost_ = host;
    RECT rc{};
    GetClientRect(host, &rc);

    // The fixed picture of the form (a plain sky colour if it is missing).
    try {
        previewPicture_ = LoadResPicture(1, ResourceKind::Data);
    } catch (const RuntimeError&) {
        previewPicture_ = Picture{};
    }
    if (previewPicture_.empty()) {
        previewPicture_.width = previewPicture_.height = 1;
        previewPicture_.pixels = {syl::RGB(112, 168, 224)};
    }

    // Load frmPreview without showing it: a borderless form.
    if (!registerWindowClass(kPreviewClass, previewProc, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)))) {
        status_ = 1;
        return;
    }
    HWND wnd = CreateWindowExA(0, kPreviewClass, "Sylvadra", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance_, this);
    if (!wnd) {
        status_ = 1;
        return;
    }
    previewWnd_ = wnd;

    // A child of the host's window, filling its client area. A window is a
    // child or a popup, not both: the child style takes the popup's place.
    LONG style = GetWindowLongA(wnd, GWL_STYLE);
    SetWindowLongA(
        wnd, GWL_STYLE,
        static_cast<LONG>((static_cast<DWORD>(style) & ~static_cast<DWORD>(WS_POPUP)) | static_cast<DWORD>(WS_CHILD)));
    SetParent(wnd, host);
    SetWindowLongA(wnd, kGwlHwndParent, static_cast<LONG>(reinterpret_cast<intptr_t>(host)));
    SetWindowPos(wnd, nullptr, 0, 0, rc.right, rc.bottom, kSwpNoZOrderNoActivateShow);
    SetTimer(wnd, kHostWatchTimer, kHostWatchMs, nullptr);

    if (runningUnderWine() && IsWindow(host) &&
        registerWindowClass(kStandInClass, standInProc, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)))) {
        standIn_ = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kStandInClass, "Sylvadra", WS_POPUP, 0, 0, 0, 0,
                                   host, nullptr, instance_, this);
        placeStandIn();
    }

    // The preview lives until the host destroys its window.
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    destroyWindowIn(previewWnd_);
}

} // namespace syl::win32
