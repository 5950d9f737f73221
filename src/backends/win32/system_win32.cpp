// What the Windows shell asks of the system: the family of the system, the
// screen-saver activation and running flag, the pointer, the password
// services of the 9x family loaded at run time, the z-order of a form, the
// desktop wallpaper, and the monitors with their resolution.
#include <algorithm>
#include <string>
#include <vector>

#include "errors/handler.h"

#include "backends/win32/win32_platform.h"

namespace syl {

namespace {

// Windows constants of the system settings, by value.
constexpr UINT kSpiGetScreenSaveActive = 16;
constexpr UINT kSpiSetScreenSaveActive = 17;
constexpr UINT kSpiSetDeskWallpaper = 20;
constexpr UINT kSpiSetScreenSaverRunning = 97;
constexpr UINT kSpifUpdateAndSend = 3;

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

namespace win32 {

// ---------------------------------------------------------------------------
// System state

void Win32Platform::showCursor(bool show)
{
    ShowCursor(show ? TRUE : FALSE);
    cursorHidden_ = !show;
}

void Win32Platform::setScreenSaverRunning(bool running)
{
    // TRUE as all bits set, as the running flag has always been passed.
    SystemParametersInfoA(kSpiSetScreenSaverRunning, running ? static_cast<UINT>(-1) : 0u, nullptr, 0);
    runningSet_ = running;
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

// ---------------------------------------------------------------------------
// Passwords

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
// Monitors

// GetDpiForMonitor of shcore.dll where the system has it (Windows 8.1 on),
// otherwise the screen's LOGPIXELSX.
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

namespace {

BOOL CALLBACK addMonitor(HMONITOR m, HDC, LPRECT, LPARAM data)
{
    auto& out = *reinterpret_cast<std::vector<Monitor>*>(data);
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    if (GetMonitorInfoA(m, &mi) && mi.rcMonitor.right > mi.rcMonitor.left && mi.rcMonitor.bottom > mi.rcMonitor.top)
        out.push_back({m, mi.rcMonitor, (mi.dwFlags & MONITORINFOF_PRIMARY) != 0});
    return TRUE;
}

} // namespace

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

} // namespace win32

} // namespace syl
