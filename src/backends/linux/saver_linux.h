// The Linux backend's own parts: the saver's host, the platform that runs
// the modes (the full-screen scene in SDL2 windows or in a window that
// xscreensaver hands over, the preview drawn with Xlib, the settings dialog
// in GTK 3) and the X11 helpers they share. Private to src/backends/linux.
#pragma once

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "backends/linux/session_watch.h"
#include "platform/system_host.h"
#include "scene/frmmain.h"
#include "shell/scene_runner.h"
#include "shell/cmdline.h"
#include "shell/saver.h"
#include "shell/wallpapers.h"

namespace syl {

int runSettingsDialog(); // dialog_gtk.cpp

// XOpenDisplay(nullptr) within the peers' deadline: a display that accepts
// the connection and never answers ends the program with a message
// (x11_linux.cpp).
Display* openDisplay();

// The saver's host: the system's, with the window's pending events and the
// X display's bell.
class LinuxHost : public SystemHost {
public:
    void doEvents() override
    {
        if (pump) pump();
    }

    // The bell of the display that the scene's windows are on, else of the
    // default display (the preview, the settings dialog).
    void beep() override
    {
        if (display) {
            XBell(display, 0);
            XFlush(display);
        } else if (Display* d = openDisplay()) {
            XBell(d, 0);
            XCloseDisplay(d);
        }
    }

    std::function<void()> pump;
    Display* display = nullptr;
};

// X11 helpers (x11_linux.cpp).
// An error handler that ignores every error: windows of other programs may
// be gone by the time a request reaches the server.
int xErrorIgnored(Display*, XErrorEvent*);
// X window ids have 29 bits; 0 names no window.
bool plausibleWindowId(unsigned long id);
// The desktop's text resolution: Xft.dpi of the X resources, which desktops
// set to 192 for a screen scaled to 200 %; 0 when none is set (the scene
// then follows the screen).
int desktopDpi();
// Whether a window manager runs on the display.
bool windowManagerRunning();
// Makes a window not yet shown the desktop's background: a desktop-type
// window below all others, on every workspace, in no task bar or pager.
void makeDesktopWindow(Display* d, Window w);
// Whether a full-screen window of another program covers the rectangle (a
// monitor, in root coordinates), as the window manager's stacking list
// tells.
bool fullScreenWindowCovers(Display* d, int x, int y, int w, int h);
// The monitors as RandR has them now (SDL keeps the bounds it found at the
// start when a monitor only changes its mode).
std::vector<SDL_Rect> currentMonitors(Display* d);
// The monitors with their output names and the primary (at least one: the
// screen's size when RandR names none).
std::vector<MonitorArea> monitorAreas(Display* d);

// sylvadra --set-wallpaper (setwall_linux.cpp).
int runSetWallpaper(const CommandLine& c);

// The rectangles of a w x h window that a present brings to the screen:
// what the last tick or canvas copy changed, or the whole picture
// (present_sdl.cpp).
std::vector<SDL_Rect> rectsToShow(const FrmMain& m, bool all, int w, int h);

// The full-screen scene: one borderless SDL window on every display, each
// with a scene of its own (own landscape, flower slots and flying objects,
// composed at that display's size). Display 0 is the primary: its scene is
// composed first and its landscape becomes the wallpaper. Any input on any
// window ends them all. Inside a window that xscreensaver hands over there
// is one window and one scene.
class SdlPlatform : public SaverPlatform {
public:
    explicit SdlPlatform(const CommandLine& c) : cmd_(c) {}

    void showCursor(bool show) override
    {
        if (!embedded()) SDL_ShowCursor(show ? SDL_ENABLE : SDL_DISABLE);
    }
    void setScreenSaveActive(bool active) override
    {
        // The desktop's screen saver is held off only while our own full
        // screen runs; it is released again at the end in every mode.
        if (embedded() || !SDL_WasInit(SDL_INIT_VIDEO)) return;
        if (active) SDL_EnableScreenSaver();
        else SDL_DisableScreenSaver();
    }
    bool setWallPaper(const std::string& path) override;
    void unloadForms() override
    {
        if (!running_) return;
        running_ = false;
        for (Head& h : heads_)
            if (h.scene) h.scene->form().Form_Unload();
    }
    void runPreview(long long hostWindow) override;
    void runSettings() override { status_ = runSettingsDialog(); }
    void runFullScreen() override;

    int status() const { return status_; }

    // Readable when the session's mood may have changed (-1 without a
    // watch): the loops wait on it with their display's connection.
    int watchFd() const { return watch_ ? watch_->fd() : -1; }
    // Reads that descriptor empty, keeping the change for takeMood: a wait
    // that returns for it never finds it readable again.
    void noteMood()
    {
        if (watch_ && watch_->changed()) moodPending_ = true;
    }

protected:
    CommandLine cmd_;
    int status_ = 0;
    // The background's pace from the session's mood: watched for the
    // background only, the saver always moves.
    std::unique_ptr<SessionWatch> watch_;
    Pace pace_ = Pace::Moving;
    bool moodPending_ = false;
    void watchSession()
    {
        if (cmd_.background) watch_ = std::make_unique<SessionWatch>();
    }
    // Takes a change of the mood; true when the pace changed.
    bool takeMood();

private:
    struct Head {
        SDL_Window* window = nullptr;
        std::unique_ptr<SceneRunner> scene;
        // The form's image is the window's own image (the X server's shared
        // memory): frames are composed where the screen takes them from.
        bool shared = false;
        // The window took a new size: a new landscape for it is due.
        bool resizePending = false;
        // The desktop's background unseen: fully obscured, or its monitor
        // covered by a full-screen window. Nothing is drawn then.
        bool obscured = false, covered = false;
        // Shown through Xlib, for a visual that SDL's window surface does not
        // serve (30-bit colour, an 8-bit TrueColor layout of its own).
        bool viaXlib = false;
        Window xwindow = 0;
        Visual* visual = nullptr;
        int depth = 0;
        GC gc = nullptr;
        XImage* image = nullptr;
        // The pixel value of each 8-bit red, green and blue level.
        std::array<unsigned long, 256> red{}, green{}, blue{};
        // Shown from an image in memory shared with the X server (MIT-SHM)
        // that the form lives in, for the common 24-bit screen: only the
        // changed rectangles are put, and nothing waits for the server.
        bool viaShm = false;
        XImage* shmImage = nullptr;
        // The segment, which the image names until it is destroyed.
        std::unique_ptr<XShmSegmentInfo> shm{};
    };

    bool embedded() const { return cmd_.windowId.has_value() || cmd_.root; }
    // The desktop's background: below all windows, no input, drawn only
    // where seen.
    bool background() const { return cmd_.background; }
    // Whether the head is seen (the background may be hidden).
    bool seen(const Head& h) const { return !h.obscured && !h.covered && pace_ != Pace::Hidden; }
    void checkCovered();
    bool openWindows();
    // Whether the head can be shown, through SDL's window surface or
    // through Xlib; false after a message on stderr.
    bool chooseWay(Head& h);
    // The head's X window and its attributes (with a visual); false off X11.
    bool xWindowOf(const Head& h, Window& window, XWindowAttributes& a) const;
    bool startXlib(Head& h);
    void presentXlib(Head& h, bool all);
    void releaseXlib(Head& h);
    // present_shm.cpp: the image in shared memory at the form's size, the
    // form moved into it; false when the server or the visual cannot.
    bool startShm(Head& h, int w, int hgt);
    void presentShm(Head& h, bool all);
    void releaseShm(Head& h);
    void present(Head& h, bool all = true);
    // The window's size in pixels.
    void windowPixels(Head& h, int& w, int& hgt);
    // New window sizes and display bounds, taken outside any composition.
    void applyPendingSizes();
    // Each full-screen window over its display's bounds again.
    void refitWindows();
    void onXEvent(const XEvent& x);
    void closeWindows();
    // The form takes its image back from the window's (before SDL frees it).
    void unshare(Head& h);
    void presentAll();
    void pumpEvents();
    void endOnSignal();
    // Waits at most ms milliseconds for input; whether any came.
    bool waitForInput(int32_t ms);
    // The scene of the window that an event names; the primary's when the
    // window is none of ours.
    FrmMain& sceneOf(uint32_t windowId);
    // The end of an embedded run (xscreensaver stops it with SIGTERM).
    [[noreturn]] void endEmbedded();

    std::vector<Head> heads_; // heads_[0] is the primary display
    bool running_ = false;
    // Embedded: the given window covers the primary display, so that the
    // end of the run is the end of the saver and may leave the wallpaper.
    bool coversPrimary_ = false;
    // The X connection of SDL's windows, for waiting on it directly.
    Display* display_ = nullptr;
    // The displays changed (a mode, a monitor plugged, turned or removed).
    bool refitPending_ = false;
    bool coverCheckPending_ = false; // the windows' stacking changed
    int randrEvents_ = -1;           // the first event code of RandR, -1 without it
};

// The full screen on a Wayland compositor (wayland_linux.cpp): one
// full-screen surface on every output, each with a scene of its own, shown
// through shared-memory buffers of which only the changed rectangles are
// copied and damaged. The pointer is hidden over the surfaces; any key,
// button or real pointer movement ends the run on all outputs. The other
// modes are SdlPlatform's.
class WaylandPlatform : public SdlPlatform {
public:
    explicit WaylandPlatform(const CommandLine& c);
    ~WaylandPlatform() override;

    // The pointer is hidden by the run itself, over its own surfaces only.
    void showCursor(bool) override {}
    // The idle daemon that started the saver keeps its own timeouts (a
    // lock, the screens switched off): nothing is held off.
    void setScreenSaveActive(bool) override {}
    void unloadForms() override;
    void runFullScreen() override;

    struct Run;

private:
    std::unique_ptr<Run> run_;
};

} // namespace syl
