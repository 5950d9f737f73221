#include "shell/saver.h"

#include <span>

#include "errors/errptnr.h"
#include "errors/handler.h"
#include "platform/codecs.h"
#include "platform/files.h"
#include "platform/host.h"
#include "platform/random.h"
#include "scene/frmmain.h"
#include "settings/config.h"
#include "shell/cmdline.h"
#include "shell/options.h"

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

namespace {

bool writeBmpFile(const std::string& path, const Surface& bg)
{
    // Encoded straight from the landscape and written piece by piece: the
    // picture is never held a second time.
    AtomicFile file(path);
    const bool written = writeBmp24(bg.pixels().data(), bg.width(), bg.height(),
                                    [&](std::span<const uint8_t> piece) { return file.write(piece); });
    return written && file.commit();
}

} // namespace

std::string writeWallpaper(const Surface& bg)
{
    const std::string folder = dirOf(host().exePath());
    const std::string beside = joinPath(folder, "Sylvadra.bmp");
    if (programFolderUsable(folder) && writeBmpFile(beside, bg)) return beside;
    const std::string userDir = host().userDataDir();
    if (userDir.empty() || !makeUserFolder(userDir)) return {};
    const std::string own = joinPath(userDir, "Sylvadra.bmp");
    return writeBmpFile(own, bg) ? own : std::string();
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

namespace {

void endTheSaver()
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
                path = writeWallpaper(bg);
                if (path.empty()) raiseError(kErrFileAccess);
            });
            p.step(0, [&] { plat.setWallPaper(path); });
        }
        Shutdown();
    });
}

// The ending is the shell's; the dispatch and the scene reach it through
// exitScreensaver as soon as the program runs.
[[maybe_unused]] const bool g_endingInstalled = (installSaverEnding(&endTheSaver), true);

} // namespace

} // namespace syl
