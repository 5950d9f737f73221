// Module Saver: start-up and mode dispatch (Main), the running state, and
// the ending of the full-screen saver (exitScreensaver, Shutdown). What each
// step does on the screen and in the system is the platform's, behind
// SaverPlatform; the order of the steps is here.
#pragma once

#include <cstdint>
#include <string>

#include "errors/ending.h"

namespace syl {

class FrmMain;
class Surface;

// True (-1) only while the saver runs full screen.
int16_t& SaverRunning();

class SaverPlatform {
public:
    virtual ~SaverPlatform() = default;
    // IsWinNT: true on systems that need no password check of their own.
    virtual bool isWinNT() { return true; }
    // VerifyScreenSavePwd: false keeps the saver running.
    virtual bool verifyScreenSavePwd() { return true; }
    virtual void showCursor(bool show) { (void)show; }
    // The system's screen-saver activation (switched off at start-up and
    // put back as it was at the end).
    virtual void setScreenSaveActive(bool active) { (void)active; }
    virtual void setScreenSaverRunning(bool running) { (void)running; }
    // SetWallPaper: true when the desktop took the file.
    virtual bool setWallPaper(const std::string& path)
    {
        (void)path;
        return false;
    }
    // Unloads all forms; their unload events run.
    virtual void unloadForms() {}

    // The modes.
    virtual void runPreview(long long hostWindow) { (void)hostWindow; }
    virtual void runSettings() {}
    virtual void changePassword(long long hostWindow) { (void)hostWindow; }
    virtual void runFullScreen() {}
};

SaverPlatform& saverPlatform();
// Installs the platform (not owned); nullptr restores one that does nothing.
void setSaverPlatform(SaverPlatform* platform);

// The scene whose landscape becomes the wallpaper (the primary monitor's).
void setWallpaperScene(FrmMain* scene);

// Main: loads the settings, seeds the generator from the time of day (when
// seedFromClock), switches the activation off and starts the mode that the
// command text selects. Returns the mode started: 'S', 'P', 'C', 'A' or 0.
char Main(const std::string& commandText, bool seedFromClock = true);

// exitScreensaver (errors/ending.h, where the error dispatch and the scene's
// input events reach it) ends the full-screen saver: password check where
// the system needs one, pointer and activation restored, the wallpaper
// written when asked for, all forms unloaded, the program ended
// (ProgramEnd). It does nothing unless SaverRunning is true, and restores
// the system state only once.

// Allgemein.Shutdown: unloads all forms and ends the program; failures
// inside it are ignored.
[[noreturn]] void Shutdown();

// Writes the landscape as the wallpaper file: into the executable's folder,
// and when that fails for any reason (no permission, a full disk, a folder
// in its place) into the per-user data folder. Returns the file written,
// empty when neither could be.
std::string writeWallpaper(const Surface& landscape);

// The maker's copyright line printed on the wallpaper.
inline constexpr const char* kCopyrightLine = "Sylvadra - Copyright (c) 2026 the Sylvadra developers";

// Forget that the saver ended (tests run several in one process).
void resetSaverState();

} // namespace syl
