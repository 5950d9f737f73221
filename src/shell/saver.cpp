#include "shell/saver.h"

#include <cstdio>
#include <filesystem>

#include "errors/errptnr.h"
#include "errors/handler.h"
#include "platform/codecs.h"
#include "platform/host.h"
#include "platform/random.h"
#include "scene/frmmain.h"
#include "settings/config.h"
#include "shell/cmdline.h"
#include "shell/options.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace syl {

namespace {
SaverPlatform* g_platform = nullptr;
FrmMain* g_wallpaperScene = nullptr;
// Set once the system state has been restored: the unload events that
// Shutdown raises call exitScreensaver again, and the state must be
// restored exactly once.
bool g_ending = false;
} // namespace

int16_t& SaverRunning()
{
    static int16_t running = 0;
    return running;
}

SaverPlatform& saverPlatform()
{
    static SaverPlatform none;
    return g_platform ? *g_platform : none;
}

void setSaverPlatform(SaverPlatform* platform) { g_platform = platform; }
void setWallpaperScene(FrmMain* scene) { g_wallpaperScene = scene; }
void resetSaverState()
{
    g_ending = false;
    SaverRunning() = 0;
}

char Main(const std::string& rawCommandText, bool seedFromClock)
{
    char mode = 0;
    Procedure p("Saver", "Main");
    p.run([&] {
        SaverPlatform& plat = saverPlatform();
        std::string text, selector;
        p.step(0, [&] { LoadConfig(); });
        p.step(0, [&] { applyPendingOverrides(); });
        p.step(0, [&] {
            if (seedFromClock) defaultRnd().seedFromTimer(static_cast<float>(host().now().secondsSinceMidnight()));
        });
        p.step(0, [&] { plat.setScreenSaveActive(false); });
        p.step(0, [&] {
            text = normaliseCommandText(rawCommandText);
            selector = text.substr(0, 2);
        });
        if (selector == "/P") {
            mode = 'P';
            long long hostWindow = 0;
            p.step(0, [&] { hostWindow = hostWindowArgument(text); });
            p.step(0, [&] { SaverRunning() = kFalse; });
            p.step(0, [&] { plat.runPreview(hostWindow); });
        } else if (selector == "/C") {
            mode = 'C';
            p.step(0, [&] { plat.runSettings(); });
        } else if (selector == "/A") {
            mode = 'A';
            p.step(0, [&] {
                if (!plat.isWinNT()) plat.changePassword(hostWindowArgument(text));
            });
        } else if (selector == "/S" || text.empty()) {
            mode = 'S';
            p.step(0, [&] { SaverRunning() = kTrue; });
            p.step(0, [&] { plat.setScreenSaverRunning(true); });
            p.step(0, [&] { plat.showCursor(false); });
            p.step(0, [&] { plat.runFullScreen(); });
        }
    });
    return mode;
}

std::string wallpaperPath()
{
    std::string dir = dirOf(host().exePath());
    if (!folderWritable(dir)) {
        dir = host().userDataDir();
        std::error_code ec;
        std::filesystem::create_directories(dir, ec);
    }
    return joinPath(dir, "Sylvadra.bmp");
}

AtomicFile::AtomicFile(const std::string& path) : path_(path), tmp_(path + ".tmp")
{
    file_ = std::fopen(tmp_.c_str(), "wb");
    failed_ = file_ == nullptr;
}

AtomicFile::~AtomicFile()
{
    if (file_) {
        std::fclose(file_);
        std::remove(tmp_.c_str());
    }
}

bool AtomicFile::write(std::span<const uint8_t> bytes)
{
    if (failed_) return false;
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) failed_ = true;
    return !failed_;
}

bool AtomicFile::commit()
{
    if (!file_) return false;
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    bool ok = closed && !failed_;
#ifdef _WIN32
    ok = ok && MoveFileExA(tmp_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
#else
    ok = ok && std::rename(tmp_.c_str(), path_.c_str()) == 0;
#endif
    if (!ok) std::remove(tmp_.c_str());
    failed_ = !ok;
    return ok;
}

bool writeFileAtomically(const std::string& path, std::string_view bytes)
{
    AtomicFile f(path);
    return f.write({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()}) && f.commit();
}

void Shutdown()
{
    try {
        saverPlatform().unloadForms();
    } catch (const RuntimeError&) {
        // Failures while unloading are ignored: the program ends regardless.
    }
    throw ProgramEnd{};
}

void exitScreensaver()
{
    if (!SaverRunning() || g_ending) return;
    Procedure p("Saver", "exitScreensaver");
    p.run([&] {
        SaverPlatform& plat = saverPlatform();
        bool keepRunning = false;
        p.step(0, [&] { keepRunning = !plat.isWinNT() && !plat.verifyScreenSavePwd(); });
        if (keepRunning) return;
        g_ending = true;
        p.step(0, [&] { plat.showCursor(true); });
        p.step(0, [&] { plat.setScreenSaveActive(true); });
        p.step(0, [&] { plat.setScreenSaverRunning(false); });
        if (settings().Wallpaper && g_wallpaperScene) {
            Surface& bg = g_wallpaperScene->picBG;
            std::string path;
            p.step(0, [&] {
                bg.currentX = 10;
                bg.currentY = bg.scaleHeight() - TextHeight(bg, "Copyright") - 10;
            });
            p.step(0, [&] { Print(bg, kCopyrightLine); });
            p.step(0, [&] {
                path = wallpaperPath();
                // Encoded straight from the landscape and written piece by
                // piece: the picture is never held a second time.
                AtomicFile file(path);
                const bool written = writeBmp24(bg.pixels().data(), bg.width(), bg.height(),
                                                [&](std::span<const uint8_t> piece) { return file.write(piece); });
                if (!written || !file.commit()) raiseError(kErrFileAccess);
            });
            p.step(0, [&] { plat.setWallPaper(path); });
        }
        Shutdown();
    });
}

} // namespace syl
