// What the files of the Windows shell share: the platform object behind the
// saver's modes (Win32Platform, with the host that hands it DoEvents), the
// monitors, the drawing of pixels to a window and the window plumbing that
// every window of ours uses.
//
// The platform's work is spread by concern: shell_win32.cpp (runShell, the
// host, the forms), system_win32.cpp (system settings, passwords,
// monitors), present_win32.cpp (frames to the windows), fullscreen_win32.cpp
// (the scene on every monitor) and preview_win32.cpp (the host's preview).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/resources.h"
#include "platform/system_host.h"
#include "scene/frmmain.h"
#include "shell/scene_runner.h"
#include "shell/saver.h"

#include "backends/win32/saver_win32.h"

namespace syl::win32 {

// ---------------------------------------------------------------------------
// Windows of ours

// Registers a window class of ours once (a class that exists already is
// left as it is), with icon 1 of the program. False when the class could
// not be registered.
bool registerWindowClass(const char* name, WNDPROC proc, HBRUSH background, UINT style = 0, HCURSOR cursor = nullptr);

// Destroys the window in a slot of ours; the slot is emptied first, so that
// the messages of the destruction find the window gone.
void destroyWindowIn(HWND& slot);

inline HWND toHwnd(long long handle) { return reinterpret_cast<HWND>(static_cast<intptr_t>(handle)); }

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

// ---------------------------------------------------------------------------
// Pixels to a window (present_win32.cpp)

// A 32-bit top-down device-independent bitmap header for 0x00RRGGBB pixels
// (blue, green, red, unused in memory: the layout of BI_RGB at 32 bits).
BITMAPINFO dibHeader(int width, int height);

// Shows pixels over the rectangle (0, 0, w, h) of a device context: copied
// when the sizes agree, stretched otherwise.
void showPixels(HDC dc, std::span<const Color> pixels, int pw, int ph, int w, int h);

// Copies the rectangle r of the pixels (pw x ph, 0x00RRGGBB, top-down) to
// the same place of a device context.
void showRect(HDC dc, std::span<const Color> pixels, int pw, int ph, RECT r);

// ---------------------------------------------------------------------------
// Monitors (system_win32.cpp)

// A monitor of the virtual screen (whose origin is the primary monitor's
// top-left corner, so that others may lie at negative coordinates).
struct Monitor {
    HMONITOR handle = nullptr;
    RECT rect{};
    bool primary = false;
};

// Every monitor, the primary first, the others in the system's order.
std::vector<Monitor> monitors();

// The resolution of a monitor in dots per inch.
int monitorDpi(HMONITOR monitor);

// ---------------------------------------------------------------------------
// The platform

// The settings dialog frmConfig, modal until it closes (dialog_win32.cpp).
int runSettingsDialog();

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
    void showCursor(bool show) override;
    void setScreenSaveActive(bool active) override;
    void setScreenSaverRunning(bool running) override;
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
        std::unique_ptr<SceneRunner> scene;
        // Its landscape is on the form: from now on the form is what the
        // window shows (black before).
        bool live = false;
        // The window's client size changed: the scene takes the new size
        // at the next turn of the loop (not inside a composition, which
        // handles window messages at each stage).
        bool resizePending = false;
    };

    // The full screen (fullscreen_win32.cpp).
    static LRESULT CALLBACK sceneProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT sceneMessage(Head* h, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
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
    // A head's window over its monitor's bounds as they are now.
    void refit(Head& h);
    // The scenes whose windows changed size compose a landscape for it.
    void resizeScenes();

    // Frames to the scene windows (present_win32.cpp).
    // Brings a head's form to its window: the rectangles that the last tick
    // changed, or all of it.
    void present(Head& h, bool all);
    void presentAll();
    void paintHead(Head& h, HDC dc, const RECT& area);

    // The preview (preview_win32.cpp).
    static LRESULT CALLBACK previewProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    static LRESULT CALLBACK standInProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    LRESULT previewMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
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

} // namespace syl::win32
