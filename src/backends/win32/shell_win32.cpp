// The Windows shell: the full-screen scene in a top-most popup window on
// every monitor, the preview embedded as a child of the host's window, the
// password services of the 9x family loaded at run time, and the settings
// dialog.
//
// No C++ exception crosses a Win32 callback: the window procedures catch
// ProgramEnd (and anything else), remember it and leave the message loop.
#include <algorithm>
#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "errors/handler.h"
#include "platform/sysinfo.h"
#include "platform/host.h"
#include "platform/random.h"
#include "platform/resources.h"
#include "platform/system_host.h"
#include "scene/frmmain.h"
#include "shell/saver.h"
#include "shell/shell.h"

#include "backends/win32/saver_win32.h"

namespace syl {

int runSettingsDialog(); // backends/win32/dialog_win32.cpp

namespace {

// Windows constants the modes use, by value.
constexpr UINT kSpiGetScreenSaveActive = 16;
constexpr UINT kSpiSetScreenSaveActive = 17;
constexpr UINT kSpiSetDeskWallpaper = 20;
constexpr UINT kSpiSetScreenSaverRunning = 97;
constexpr UINT kSpifUpdateAndSend = 3;
constexpr UINT kSwpNoZOrderNoActivateShow = 0x54;
// GWL_HWNDPARENT, the owner slot (window handles keep to 32 bits).
constexpr int kGwlHwndParent = -8;
constexpr UINT_PTR kHostWatchTimer = 1;
constexpr UINT kHostWatchMs = 500;

const char* const kSceneClass = "SylvadraFrmMain";
const char* const kPreviewClass = "SylvadraFrmPreview";
const char* const kStandInClass = "SylvadraPreviewStandIn";

HWND toHwnd(long long handle) { return reinterpret_cast<HWND>(static_cast<intptr_t>(handle)); }

// The object that a window of ours was created for (the creation parameter,
// kept in GWLP_USERDATA from WM_NCCREATE on); nullptr before that.
template <class T>
T* windowOwner(HWND hwnd, UINT msg, LPARAM lp)
{
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lp);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    return reinterpret_cast<T*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

// Wine (which exports wine_get_version from its ntdll).
bool runningUnderWine()
{
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// A 32-bit top-down device-independent bitmap header for 0x00RRGGBB pixels
// (blue, green, red, unused in memory: the layout of BI_RGB at 32 bits).
BITMAPINFO dibHeader(int width, int height)
{
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    return bi;
}

// Shows pixels over the rectangle (0, 0, w, h) of a device context: copied
// when the sizes agree, stretched otherwise.
void showPixels(HDC dc, std::span<const Color> pixels, int pw, int ph, int w, int h)
{
    if (pw <= 0 || ph <= 0 || w <= 0 || h <= 0 || pixels.size() < static_cast<size_t>(pw) * ph) return;
    BITMAPINFO bi = dibHeader(pw, ph);
    if (pw == w && ph == h) {
        SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(w), static_cast<DWORD>(h), 0, 0, 0, static_cast<UINT>(ph),
                          pixels.data(), &bi, DIB_RGB_COLORS);
    } else {
        SetStretchBltMode(dc, HALFTONE);
        SetBrushOrgEx(dc, 0, 0, nullptr);
        StretchDIBits(dc, 0, 0, w, h, 0, 0, pw, ph, pixels.data(), &bi, DIB_RGB_COLORS, SRCCOPY);
    }
}

// Copies the rectangle r of the pixels (pw x ph, 0x00RRGGBB, top-down) to
// the same place of a device context. The rows of r are handed over as a
// top-down bitmap of their own, so that the source scan lines are those of
// the rectangle whatever the system makes of start scans and source rows.
void showRect(HDC dc, std::span<const Color> pixels, int pw, int ph, RECT r)
{
    r.left = std::max<LONG>(r.left, 0);
    r.top = std::max<LONG>(r.top, 0);
    r.right = std::min<LONG>(r.right, pw);
    r.bottom = std::min<LONG>(r.bottom, ph);
    if (r.right <= r.left || r.bottom <= r.top || pixels.size() < static_cast<size_t>(pw) * ph) return;
    const int rows = r.bottom - r.top;
    BITMAPINFO bi = dibHeader(pw, rows);
    SetDIBitsToDevice(dc, r.left, r.top, static_cast<DWORD>(r.right - r.left), static_cast<DWORD>(rows), r.left, 0,
                      0, static_cast<UINT>(rows), pixels.data() + static_cast<size_t>(r.top) * pw, &bi,
                      DIB_RGB_COLORS);
}

// The resolution of a monitor in dots per inch: GetDpiForMonitor of
// shcore.dll where the system has it (Windows 8.1 on), otherwise the
// screen's LOGPIXELSX.
int monitorDpi(HMONITOR monitor)
{
    using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    constexpr int kMdtEffectiveDpi = 0;
    static const GetDpiForMonitorFn getDpiForMonitor = [] {
        HMODULE lib = LoadLibraryA("shcore.dll");
        return lib ? reinterpret_cast<GetDpiForMonitorFn>(
                         reinterpret_cast<void*>(GetProcAddress(lib, "GetDpiForMonitor")))
                   : nullptr;
    }();
    UINT x = 0, y = 0;
    if (getDpiForMonitor && monitor && SUCCEEDED(getDpiForMonitor(monitor, kMdtEffectiveDpi, &x, &y)) && x > 0)
        return static_cast<int>(x);
    int dpi = 0;
    if (HDC dc = GetDC(nullptr)) {
        dpi = GetDeviceCaps(dc, LOGPIXELSX);
        ReleaseDC(nullptr, dc);
    }
    return dpi > 0 ? dpi : 96;
}

// A monitor of the virtual screen (whose origin is the primary monitor's
// top-left corner, so that others may lie at negative coordinates).
struct Monitor {
    HMONITOR handle = nullptr;
    RECT rect{};
    bool primary = false;
};

BOOL CALLBACK addMonitor(HMONITOR m, HDC, LPRECT, LPARAM data)
{
    auto& out = *reinterpret_cast<std::vector<Monitor>*>(data);
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    if (GetMonitorInfoA(m, &mi) && mi.rcMonitor.right > mi.rcMonitor.left && mi.rcMonitor.bottom > mi.rcMonitor.top)
        out.push_back({m, mi.rcMonitor, (mi.dwFlags & MONITORINFOF_PRIMARY) != 0});
    return TRUE;
}

// Every monitor, the primary first, the others in the system's order.
std::vector<Monitor> monitors()
{
    std::vector<Monitor> list;
    EnumDisplayMonitors(nullptr, nullptr, addMonitor, reinterpret_cast<LPARAM>(&list));
    std::stable_partition(list.begin(), list.end(), [](const Monitor& m) { return m.primary; });
    if (!list.empty() && !list.front().primary) {
        // No monitor calls itself primary: the one at the origin is.
        auto atOrigin = std::find_if(list.begin(), list.end(), [](const Monitor& m) {
            return m.rect.left <= 0 && m.rect.top <= 0 && m.rect.right > 0 && m.rect.bottom > 0;
        });
        if (atOrigin != list.end()) std::rotate(list.begin(), atOrigin, atOrigin + 1);
        list.front().primary = true;
    }
    if (list.empty()) {
        // No monitors to tell: the primary screen as the system metrics do.
        const POINT origin{0, 0};
        Monitor m{MonitorFromPoint(origin, MONITOR_DEFAULTTOPRIMARY), {}, true};
        m.rect = {0, 0, std::max(GetSystemMetrics(SM_CXSCREEN), 1), std::max(GetSystemMetrics(SM_CYSCREEN), 1)};
        list.push_back(m);
    }
    return list;
}

class Win32Platform;

// The saver's host: the system's, with the windows' pending messages.
class Win32Host : public SystemHost {
public:
    void doEvents() override;

    Win32Platform* platform = nullptr;
};

class Win32Platform : public SaverPlatform {
public:
    Win32Platform() : instance_(GetModuleHandleA(nullptr)) {}

    bool isWinNT() override { return IsWinNT(); }
    bool verifyScreenSavePwd() override;
    void showCursor(bool show) override
    {
        ShowCursor(show ? TRUE : FALSE);
        cursorHidden_ = !show;
    }
    void setScreenSaveActive(bool active) override;
    void setScreenSaverRunning(bool running) override
    {
        // TRUE as all bits set, as the running flag has always been passed.
        SystemParametersInfoA(kSpiSetScreenSaverRunning, running ? static_cast<UINT>(-1) : 0u, nullptr, 0);
        runningSet_ = running;
    }
    bool setWallPaper(const std::string& path) override { return SetWallPaper(path); }
    void unloadForms() override;

    void runPreview(long long hostWindow) override;
    void runSettings() override { status_ = runSettingsDialog(); }
    void changePassword(long long hostWindow) override;
    void runFullScreen() override;

    // DoEvents: the scene forms are brought to the screen and pending
    // messages are handled. When one of them ended the saver, the end goes
    // on from here up to the loop of runFullScreen.
    void doEvents();

    // What start-up changed in the system and the ending did not put back
    // (a mode other than full screen, or a full screen that ended without
    // exitScreensaver): the activation as it was, the pointer, the running
    // flag.
    void restoreSystemState();

    int status() const { return status_; }

private:
    // One full-screen form on a monitor, with a scene of its own.
    struct Head {
        HWND wnd = nullptr;
        HMONITOR monitor = nullptr;
        RECT rect{}; // the monitor on the virtual screen
        std::unique_ptr<FrmMain> scene;
        // Its landscape is on the form: from now on the form is what the
        // window shows (black before).
        bool live = false;
        DWORD next = 0; // when its next animation tick is due
        // The window's client size changed: the scene takes the new size
        // at the next turn of the loop (not inside a composition, which
        // handles window messages at each stage).
        bool resizePending = false;
    };

    static LRESULT CALLBACK sceneProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    static LRESULT CALLBACK previewProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    static LRESULT CALLBACK standInProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT sceneMessage(Head* h, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT previewMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

    bool registerClass(const char* name, WNDPROC proc, HBRUSH background);
    // The head of a window of ours; nullptr for any other.
    Head* headOf(HWND hwnd);
    // Runs an event of a head's scene; an end of the program inside it ends
    // the loop.
    template <class F>
    void sceneEvent(Head* h, F&& f);
    void endLoop(bool failed);
    // Handles the queued messages; false once WM_QUIT has been seen.
    bool pumpMessages();
    // Opens a top-most borderless form on every monitor; false when not even
    // the primary's could be opened.
    bool openHeads();
    // Brings a head's form to its window: the rectangles that the last tick
    // changed, or all of it.
    void present(Head& h, bool all);
    void presentAll();
    // A head's window over its monitor's bounds as they are now.
    void refit(Head& h);
    // The scenes whose windows changed size compose a landscape for it.
    void resizeScenes();
    void paintHead(Head& h, HDC dc, const RECT& area);
    void previewResize(HWND hwnd, HDC dc);
    void placeStandIn();

    HINSTANCE instance_;
    int status_ = 0;

    // System state changed by start-up.
    bool activationKnown_ = false;
    bool activationBefore_ = true;
    bool activationSwitchedOff_ = false;
    bool cursorHidden_ = false;
    bool runningSet_ = false;

    // The scene forms, heads_[0] on the primary monitor.
    std::vector<Head> heads_;
    bool sceneLoaded_ = false;
    bool ended_ = false;
    bool quit_ = false;

    // The preview form.
    HWND previewWnd_ = nullptr;
    HWND previewHost_ = nullptr;
    Picture previewPicture_;
    // Wine draws no child window whose parent belongs to another process:
    // there a borderless top-level window owned by the host shows the same
    // picture over the preview's place.
    HWND standIn_ = nullptr;
};

void Win32Host::doEvents()
{
    if (platform) platform->doEvents();
}

// ---------------------------------------------------------------------------
// System state

// SPI_SETSCREENSAVEACTIVE without storing it in the profile or telling other
// windows, then read back: under Wine the setting goes to the X server,
// whose connection is only sent on with a request that waits for an answer,
// and the program may end right after.
void switchScreenSaveActive(bool active)
{
    SystemParametersInfoA(kSpiSetScreenSaveActive, active ? 1u : 0u, nullptr, 0);
    BOOL now = FALSE;
    SystemParametersInfoA(kSpiGetScreenSaveActive, 0, &now, 0);
}

void Win32Platform::setScreenSaveActive(bool active)
{
    if (!active && !activationKnown_) {
        BOOL was = TRUE;
        if (SystemParametersInfoA(kSpiGetScreenSaveActive, 0, &was, 0)) {
            activationBefore_ = was != FALSE;
            activationKnown_ = true;
        }
    }
    switchScreenSaveActive(active);
    activationSwitchedOff_ = !active;
}

void Win32Platform::restoreSystemState()
{
    if (activationSwitchedOff_ && activationKnown_) {
        switchScreenSaveActive(activationBefore_);
        activationSwitchedOff_ = false;
    }
    if (runningSet_) setScreenSaverRunning(false);
    if (cursorHidden_) showCursor(true);
}

// The password services of the 9x family, looked up only when needed: the
// libraries do not exist on the NT family.
bool Win32Platform::verifyScreenSavePwd()
{
    using VerifyFn = BOOL(WINAPI*)(HWND);
    HMODULE lib = LoadLibraryA("password.cpl");
    if (!lib) return true;
    bool ok = true;
    if (auto fn = reinterpret_cast<VerifyFn>(reinterpret_cast<void*>(GetProcAddress(lib, "VerifyScreenSavePwd"))))
        ok = fn(heads_.empty() ? nullptr : heads_.front().wnd) != 0;
    FreeLibrary(lib);
    return ok;
}

void Win32Platform::changePassword(long long hostWindow)
{
    using ChangeFn = DWORD(WINAPI*)(LPCSTR, HWND, DWORD, LPVOID);
    HMODULE lib = LoadLibraryA("mpr.dll");
    if (!lib) return;
    if (auto fn = reinterpret_cast<ChangeFn>(reinterpret_cast<void*>(GetProcAddress(lib, "PwdChangePasswordA"))))
        fn("SCRSAVE", toHwnd(hostWindow), 0, nullptr);
    FreeLibrary(lib);
}

// ---------------------------------------------------------------------------
// Forms

bool Win32Platform::registerClass(const char* name, WNDPROC proc, HBRUSH background)
{
    WNDCLASSEXA wc{};
    if (GetClassInfoExA(instance_, name, &wc)) return true;
    wc = WNDCLASSEXA{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = proc;
    wc.hInstance = instance_;
    wc.hIcon = LoadIconA(instance_, MAKEINTRESOURCEA(1));
    wc.hbrBackground = background;
    wc.lpszClassName = name;
    return RegisterClassExA(&wc) != 0;
}

void Win32Platform::unloadForms()
{
    if (sceneLoaded_) {
        sceneLoaded_ = false;
        for (Head& h : heads_)
            if (h.scene) h.scene->Form_Unload();
    }
    if (previewWnd_) {
        HWND w = previewWnd_;
        previewWnd_ = nullptr;
        DestroyWindow(w);
    }
}

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

void Win32Platform::doEvents()
{
    if (!heads_.empty()) {
        presentAll();
        pumpMessages();
        if (ended_ || quit_) throw ProgramEnd{};
        return;
    }
    // Outside the scene (the settings dialog): pending messages are handled,
    // and a quit request is left in the queue for the dialog's own loop.
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void Win32Platform::present(Head& h, bool all)
{
    if (!h.live || !h.wnd || !h.scene) return;
    HDC dc = GetDC(h.wnd);
    if (!dc) return;
    RECT rc{};
    GetClientRect(h.wnd, &rc);
    const FrmMain& m = *h.scene;
    const Surface& f = m.form;
    const int w = rc.right - rc.left, hgt = rc.bottom - rc.top;
    if (all || m.changedAll || w != f.width() || hgt != f.height()) {
        showPixels(dc, f.pixels(), f.width(), f.height(), w, hgt);
    } else {
        // The window showed the last frame: only what the tick changed goes
        // to it.
        for (const FrmMain::Rect& r : m.changed)
            if (!r.empty()) showRect(dc, f.pixels(), f.width(), f.height(), RECT{r.x0, r.y0, r.x1, r.y1});
    }
    ReleaseDC(h.wnd, dc);
}

void Win32Platform::presentAll()
{
    for (Head& h : heads_) present(h, false);
}

// WM_PAINT: the invalid area from the form (black while the head has no
// landscape yet).
void Win32Platform::paintHead(Head& h, HDC dc, const RECT& area)
{
    RECT rc{};
    GetClientRect(h.wnd, &rc);
    if (!h.live || !h.scene) {
        FillRect(dc, &area, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        return;
    }
    const Surface& f = h.scene->form;
    if (rc.right - rc.left == f.width() && rc.bottom - rc.top == f.height())
        showRect(dc, f.pixels(), f.width(), f.height(), area);
    else
        showPixels(dc, f.pixels(), f.width(), f.height(), rc.right - rc.left, rc.bottom - rc.top);
}

// ---------------------------------------------------------------------------
// Full screen: frmMain, once on every monitor

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
    case WM_SYSKEYDOWN: sceneEvent(h, [h] { h->scene->Form_KeyDown(); }); return 0;
    case WM_CHAR:
    case WM_SYSCHAR: sceneEvent(h, [h] { h->scene->Form_KeyPress(); }); return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_XBUTTONDOWN: sceneEvent(h, [h] { h->scene->Form_MouseDown(); }); return 0;
    case WM_LBUTTONUP: sceneEvent(h, [h] { h->scene->Form_Click(); }); return 0;
    case WM_MOUSEMOVE: {
        const float x = static_cast<float>(static_cast<short>(LOWORD(lp)));
        const float y = static_cast<float>(static_cast<short>(HIWORD(lp)));
        sceneEvent(h, [h, x, y] { h->scene->Form_MouseMove(x, y); });
        return 0;
    }
    case WM_SIZE:
        // A new size (a change of the display mode, a monitor turned): a
        // new landscape for it, not the old one cut or stretched.
        if (h && h->scene && wp != SIZE_MINIMIZED) {
            RECT rc{};
            GetClientRect(hwnd, &rc);
            if (rc.right - rc.left != h->scene->ScaleWidth() || rc.bottom - rc.top != h->scene->ScaleHeight())
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
        sceneEvent(h, [h] { h->scene->Form_Unload(); });
        if (!ended_) {
            sceneLoaded_ = false;
            endLoop(false);
        }
        return 0;
    case WM_ENDSESSION:
        if (wp) sceneEvent(h, [h] { h->scene->Form_Terminate(); });
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
        h.scene = std::make_unique<FrmMain>(std::max<int>(rc.right - rc.left, 1), std::max<int>(rc.bottom - rc.top, 1));
        // Frames are composed where they changed only, pixel for pixel the same.
        h.scene->incremental = true;
        h.scene->setDpi(monitorDpi(h.monitor));
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
        FrmMain& m = *h.scene;
        const int w = std::max<int>(rc.right - rc.left, 1), hgt = std::max<int>(rc.bottom - rc.top, 1);
        if (w == m.ScaleWidth() && hgt == m.ScaleHeight()) continue;
        // The monitor's resolution may have changed with its mode.
        const int dpi = monitorDpi(h.monitor);
        if (dpi != m.dpi()) m.setDpi(dpi);
        m.resizeForm(w, hgt);
        present(h, true);
        h.next = GetTickCount();
    }
}

void Win32Platform::runFullScreen()
{
    if (!registerClass(kSceneClass, sceneProc, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH))) || !openHeads()) {
        heads_.clear();
        status_ = 1;
        return;
    }
    sceneLoaded_ = true;
    setWallpaperScene(heads_.front().scene.get());
    try {
        // The primary first, exactly as a single screen runs; then every
        // further monitor, its form black until its landscape is there.
        for (size_t k = 0; k < heads_.size() && !ended_ && !quit_ && sceneLoaded_; ++k) {
            Head& h = heads_[k];
            h.scene->Form_Load();
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
            h.scene->Form_Resize();
            present(h, true);
            h.next = GetTickCount();
        }
        // Each head's animation timer: one tick per interval while it is
        // enabled, messages handled in between without busy waiting.
        while (!ended_ && !quit_ && sceneLoaded_) {
            DWORD now = GetTickCount();
            int32_t wait = INT32_MAX;
            for (const Head& h : heads_) wait = std::min(wait, static_cast<int32_t>(h.next - now));
            if (wait > 0) MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(wait), QS_ALLINPUT,
                                                      MWMO_INPUTAVAILABLE);
            if (!pumpMessages() || ended_ || !sceneLoaded_) break;
            resizeScenes();
            for (Head& h : heads_) {
                if (ended_ || quit_ || !sceneLoaded_) break;
                FrmMain& m = *h.scene;
                const DWORD interval = static_cast<DWORD>(std::max<int32_t>(m.tmrAnimation.interval, 1));
                now = GetTickCount();
                if (static_cast<int32_t>(now - h.next) < 0) continue;
                h.next += interval;
                // After a long stall (a new landscape, a suspended machine)
                // the timer does not try to catch up.
                if (static_cast<int32_t>(now - h.next) > static_cast<int32_t>(interval)) h.next = now + interval;
                if (m.tmrAnimation.enabled) {
                    m.tmrAnimation_Timer();
                    present(h, false);
                }
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

// ---------------------------------------------------------------------------
// Preview: frmPreview

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
            showPixels(dc, pic.pixels, pic.width, pic.height, rc.right - rc.left, rc.bottom - rc.top);
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
    case WM_MOVE:
        placeStandIn();
        break;
    case WM_DESTROY: {
        KillTimer(hwnd, kHostWatchTimer);
        if (hwnd == previewWnd_) previewWnd_ = nullptr;
        if (standIn_) {
            HWND s = standIn_;
            standIn_ = nullptr;
            DestroyWindow(s);
        }
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
    if (!registerClass(kPreviewClass, previewProc, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)))) {
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
    SetWindowLongA(wnd, GWL_STYLE, static_cast<LONG>((static_cast<DWORD>(style) & ~static_cast<DWORD>(WS_POPUP)) |
                                                     static_cast<DWORD>(WS_CHILD)));
    SetParent(wnd, host);
    SetWindowLongA(wnd, kGwlHwndParent, static_cast<LONG>(reinterpret_cast<intptr_t>(host)));
    SetWindowPos(wnd, nullptr, 0, 0, rc.right, rc.bottom, kSwpNoZOrderNoActivateShow);
    SetTimer(wnd, kHostWatchTimer, kHostWatchMs, nullptr);

    if (runningUnderWine() && IsWindow(host) &&
        registerClass(kStandInClass, standInProc, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)))) {
        standIn_ = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kStandInClass, "Sylvadra", WS_POPUP, 0, 0, 0,
                                   0, host, nullptr, instance_, this);
        placeStandIn();
    }

    // The preview lives until the host destroys its window.
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    if (previewWnd_) {
        HWND w = previewWnd_;
        previewWnd_ = nullptr;
        DestroyWindow(w);
    }
}

} // namespace

// ---------------------------------------------------------------------------
// Saver and Allgemein helpers

bool IsWinNT()
{
    bool nt = false;
    Procedure p("Saver", "IsWinNT");
    p.run([&] {
        p.step(0, [&] {
            OSVERSIONINFOA osv{};
            osv.dwOSVersionInfoSize = 148;
            const BOOL got = GetVersionExA(&osv);
            nt = got == 1 && osv.dwPlatformId == VER_PLATFORM_WIN32_NT;
        });
    });
    return nt;
}

bool SetTopMost(HWND form, int16_t topmost, int16_t activate)
{
    bool ok = false;
    Procedure p("Saver", "SetTopMost");
    p.run([&] {
        p.step(0, [&] {
            UINT flags = SWP_NOMOVE | SWP_NOSIZE;
            if (activate == kFalse) flags |= SWP_NOACTIVATE;
            HWND position = HWND_TOP;
            if (topmost == kTrue) position = HWND_TOPMOST;
            else if (topmost == kFalse) position = HWND_NOTOPMOST;
            ok = SetWindowPos(form, position, 0, 0, 0, 0, flags) != 0;
        });
    });
    return ok;
}

bool SetWallPaper(const std::string& path)
{
    bool ok = false;
    Procedure p("Allgemein", "SetWallPaper");
    p.run([&] {
        p.step(0, [&] {
            std::vector<char> text(path.begin(), path.end());
            text.push_back('\0');
            ok = SystemParametersInfoA(kSpiSetDeskWallpaper, 0, text.data(), kSpifUpdateAndSend) != 0;
        });
    });
    return ok;
}

int runShell(const CommandLine& c)
{
    Win32Host h;
    Win32Platform platform;
    h.platform = &platform;
    setHost(&h);
    setSaverPlatform(&platform);
    // --seed repeats a run's landscapes; otherwise Main seeds from the clock.
    if (c.seed) defaultRnd().seed64(*c.seed);
    try {
        Main(c.commandText, !c.seed);
    } catch (const ProgramEnd&) {
    }
    // Whatever ended the run, the system is left as it was found (the
    // full-screen ending has already switched the activation on again).
    platform.restoreSystemState();
    setSaverPlatform(nullptr);
    setHost(nullptr);
    return platform.status();
}

} // namespace syl
