// The Windows shell: runShell runs the mode of the command line on the
// Win32 platform, whose host hands the saver's DoEvents to the windows.
// The modes themselves: the full-screen scene on every monitor
// (fullscreen_win32.cpp), the preview in the host's window
// (preview_win32.cpp) and the settings dialog (dialog_win32.cpp).
#include <algorithm>
#include <memory>

#include "errors/ending.h"
#include "errors/handler.h"
#include "platform/host.h"
#include "platform/random.h"
#include "platform/saver_lock.h"
#include "shell/shell.h"

#include "backends/win32/win32_platform.h"

namespace syl {

namespace win32 {

// ---------------------------------------------------------------------------
// Windows of ours

bool registerWindowClass(const char* name, WNDPROC proc, HBRUSH background, UINT style, HCURSOR cursor)
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSEXA existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExA(instance, name, &existing)) return true;
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = style;
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(1));
    wc.hCursor = cursor;
    wc.hbrBackground = background;
    wc.lpszClassName = name;
    return RegisterClassExA(&wc) != 0;
}

void destroyWindowIn(HWND& slot)
{
    if (!slot) return;
    HWND w = slot;
    slot = nullptr;
    DestroyWindow(w);
}

// ---------------------------------------------------------------------------
// The host and the forms

void Win32Host::doEvents()
{
    if (platform) platform->doEvents();
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

void Win32Platform::unloadForms()
{
    if (sceneLoaded_) {
        sceneLoaded_ = false;
        for (Head& h : heads_)
            if (h.scene) h.scene->form().Form_Unload();
    }
    destroyWindowIn(previewWnd_);
}

} // namespace win32

int runShell(const CommandLine& c)
{
    // One full-screen saver at a time: a second /S ends at once.
    std::unique_ptr<SaverLock> lock;
    if (normaliseCommandText(c.commandText).substr(0, 2) == "/S") {
        lock = std::make_unique<SaverLock>();
        if (lock->state() == SaverLock::State::Busy) return 0;
    }
    win32::Win32Host h;
    win32::Win32Platform platform;
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
    return memoryExhausted() ? std::max(platform.status(), 1) : platform.status();
}

} // namespace syl
