// Faults the saver must survive without leaving the system broken: folders
// that cannot be written, settings files that cannot be read, resources that
// do not decode, screens of extreme sizes. After each, the pointer is shown
// again exactly once, the screen-saver activation is put back, the saver has
// ended (or, outside the full-screen mode, the program carries on), and no
// file is left half-written.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <chrono>
#include <filesystem>
#include <functional>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "errors/errptnr.h"
#include "errors/handler.h"
#include "fake_resources.h"
#include "platform/codecs.h"
#include "platform/files.h"
#include "platform/host.h"
#include "platform/random.h"
#include "platform/resources.h"
#include "platform/saver_lock.h"
#include "scene/frmmain.h"
#include "settings/config.h"
#include "settings/settings_store.h"
#include "shell/render.h"
#include "shell/saver.h"

namespace syl {
namespace {

namespace fs = std::filesystem;

// Counts what the saver asks of the system.
class RecordingPlatform : public SaverPlatform {
public:
    void showCursor(bool show) override { (show ? shown : hidden) += 1; }
    void setScreenSaveActive(bool active) override { (active ? activated : deactivated) += 1; }
    void setScreenSaverRunning(bool running) override { runningOff += running ? 0 : 1; }
    bool setWallPaper(const std::string& path) override
    {
        wallpapers.push_back(path);
        return true;
    }
    int shown = 0, hidden = 0, activated = 0, deactivated = 0, runningOff = 0;
    std::vector<std::string> wallpapers;
};

std::string readAll(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class FaultTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root_ = fs::temp_directory_path() /
                ("sylvadra-faults-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
        fs::create_directories(root_ / "app");
        host_.exePath_ = (root_ / "app" / "sylvadra").string();
        host_.userDataDir_ = (root_ / "user" / "sylvadra").string();
        host_.tick = 3600u * 1000u;
        setHost(&host_);
        setSaverPlatform(&platform_);
        setSettingsStore(&store_);
        settings() = Settings{};
        ErrPtnr::Unload();
        resetSaverState();
        defaultRnd().seed64(11);
    }
    void TearDown() override
    {
        setWallpaperScene(nullptr);
        setSaverPlatform(nullptr);
        setSettingsStore(nullptr);
        setDispatchHook({});
        setResourceProvider({});
        resetSaverState();
        ErrPtnr::Unload();
        settings() = Settings{};
        setHost(nullptr);
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
    // A folder below a regular file: nobody, root included, can create it.
    std::string blocked(const std::string& name)
    {
        std::ofstream(root_ / "plain") << "x";
        return (root_ / "plain" / name).string();
    }
    // Every file below the test's folder, by name relative to it.
    std::vector<std::string> files() const
    {
        std::vector<std::string> out;
        for (const auto& e : fs::recursive_directory_iterator(root_))
            if (e.is_regular_file() && e.path().filename() != "plain")
                out.push_back(fs::relative(e.path(), root_).generic_string());
        return out;
    }
    // The full-screen start as Main leaves it: running, pointer hidden.
    void startFullScreen()
    {
        SaverRunning() = kTrue;
        platform_.setScreenSaveActive(false);
        platform_.showCursor(false);
    }

    fs::path root_;
    HeadlessHost host_;
    RecordingPlatform platform_;
    MemorySettingsStore store_;
};

TEST_F(FaultTest, ExecutableAndUserFoldersUnwritableEndTheSaverContained)
{
    testres::Installer pictures;
    host_.exePath_ = blocked("app") + "/sylvadra";
    host_.userDataDir_ = blocked("user");
    FrmMain m(160, 120);
    setWallpaperScene(&m);
    m.Form_Load();
    m.Form_Resize();
    startFullScreen();
    m.tmrAnimation_Timer();

    // A key ends the saver; the wallpaper cannot be written anywhere, which
    // is a failure of exitScreensaver that ends the program at once.
    EXPECT_THROW(m.Form_KeyDown(), ProgramEnd);
    EXPECT_EQ(platform_.shown, 1);
    EXPECT_EQ(platform_.activated, 1);
    EXPECT_EQ(platform_.runningOff, 1);
    EXPECT_TRUE(platform_.wallpapers.empty()) << "no wallpaper to set";
    EXPECT_EQ(ErrPtnr::lblError(0), "75 (Path/File access error)");
    EXPECT_EQ(ErrPtnr::lblError(2), "exitScreensaver");
    EXPECT_GE(host_.beeps, 1);
    EXPECT_EQ(ErrPtnr::AppendProtocol(), "") << "no protocol anywhere";
    EXPECT_TRUE(files().empty()) << "nothing written, nothing half-written";

    // The unload that the shell's clean-up raises changes nothing more.
    EXPECT_NO_THROW(m.Form_Unload());
    EXPECT_EQ(platform_.shown, 1);
    EXPECT_EQ(platform_.activated, 1);
}

TEST_F(FaultTest, UnwritableExecutableFolderPutsTheWallpaperInTheUserFolder)
{
    testres::Installer pictures;
    host_.exePath_ = blocked("app") + "/sylvadra";
    FrmMain m(160, 120);
    setWallpaperScene(&m);
    m.Form_Load();
    m.Form_Resize();
    startFullScreen();
    EXPECT_THROW(m.Form_Click(), ProgramEnd);
    EXPECT_EQ(platform_.shown, 1);
    const fs::path wallpaper = fs::path(host_.userDataDir_) / "Sylvadra.bmp";
    ASSERT_EQ(platform_.wallpapers, std::vector<std::string>{wallpaper.string()});
    const std::string bytes = readAll(wallpaper);
    const Picture p = decodeBmp(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
    EXPECT_EQ(p.width, 160);
    EXPECT_EQ(p.height, 120);
    EXPECT_EQ(files(), std::vector<std::string>{"user/sylvadra/Sylvadra.bmp"}) << "no protocol, no temporary file";
}

TEST_F(FaultTest, AtomicWritesLeaveTheOldFileOrTheNewOneAndNoTemporaryFile)
{
    const fs::path target = root_ / "app" / "Sylvadra.bmp";
    ASSERT_TRUE(writeFileAtomically(target.string(), "old"));
    ASSERT_TRUE(writeFileAtomically(target.string(), "new picture"));
    EXPECT_EQ(readAll(target), "new picture");

    // A folder that does not exist, a folder below a file, and a target
    // that is a folder (the rename fails after the temporary file is full).
    fs::create_directories(root_ / "app" / "folder.bmp");
    for (const std::string& path :
         {(root_ / "missing" / "x.bmp").string(), blocked("x.bmp"), (root_ / "app" / "folder.bmp").string()}) {
        SCOPED_TRACE(path);
        EXPECT_FALSE(writeFileAtomically(path, "bytes"));
    }
    EXPECT_EQ(readAll(target), "new picture");
    EXPECT_EQ(files(), std::vector<std::string>{"app/Sylvadra.bmp"});

    // Written in pieces: nothing changes until the commit, and a file that
    // is given up (never committed) leaves no trace.
    {
        AtomicFile f(target.string());
        const uint8_t piece[] = {'a', 'b'};
        ASSERT_TRUE(f.write(piece));
        ASSERT_TRUE(f.write(piece));
        EXPECT_EQ(readAll(target), "new picture");
    }
    EXPECT_EQ(readAll(target), "new picture");
    EXPECT_EQ(files(), std::vector<std::string>{"app/Sylvadra.bmp"});
    {
        AtomicFile f(target.string());
        const uint8_t piece[] = {'a', 'b'};
        ASSERT_TRUE(f.write(piece) && f.write(piece) && f.commit());
        EXPECT_FALSE(f.commit()) << "committed once only";
    }
    EXPECT_EQ(readAll(target), "abab");
    AtomicFile nowhere((root_ / "missing" / "x.bmp").string());
    EXPECT_FALSE(nowhere.write(std::span<const uint8_t>()));
    EXPECT_FALSE(nowhere.commit());
}

// Names that someone else planted in the folders the program writes to:
// nothing is written through them, and what they point to stays as it was.
TEST_F(FaultTest, PlantedNamesAreNeverFollowed)
{
    const fs::path app = root_ / "app";
    const fs::path victim = root_ / "victim";
    std::ofstream(victim) << "precious";
    const fs::path target = app / "Sylvadra.bmp";
#ifndef _WIN32
    // The temporary names of old (fixed, guessable) and a symlink at the
    // target itself: the link is replaced, never written through.
    for (const char* planted : {"Sylvadra.bmp.tmp", "Sylvadra.bmp.part", ".sylvadra-write-probe"})
        fs::create_symlink(victim, app / planted);
    fs::create_symlink(victim, target);
    EXPECT_TRUE(folderWritable(app.string()));
    ASSERT_TRUE(writeFileAtomically(target.string(), "picture"));
    EXPECT_FALSE(fs::is_symlink(target));
    EXPECT_EQ(readAll(target), "picture");
    EXPECT_EQ(readAll(victim), "precious");

    // A file the user linked on purpose (Follow) is written where it lives.
    const fs::path link = app / "linked.ini";
    fs::create_symlink(victim, link);
    ASSERT_TRUE(writeFileAtomically(link.string(), "values", AtomicFile::Links::Follow));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(readAll(victim), "values");
    std::ofstream(victim, std::ios::trunc) << "precious";

    // Appends go only into the user's own regular files.
    fs::create_symlink(victim, app / "sylvadra.EPT");
    EXPECT_FALSE(appendToUserFile((app / "sylvadra.EPT").string(), "protocol"));
    ASSERT_EQ(mkfifo((app / "fifo").c_str(), 0600), 0);
    EXPECT_FALSE(appendToUserFile((app / "fifo").string(), "protocol")) << "no hang, no write";
    EXPECT_FALSE(writeFileAtomically((app / "fifo").string(), "x")) << "a FIFO is never replaced";
    EXPECT_EQ(fs::status(app / "fifo").type(), fs::file_type::fifo);

    // Reads take regular files of a sane size only.
    std::string text, why;
    EXPECT_EQ(readRegularFile((app / "fifo").string(), 1 << 20, text, &why), ReadStatus::Unreadable);
    fs::create_symlink("/dev/zero", app / "zero");
    EXPECT_EQ(readRegularFile((app / "zero").string(), 1 << 20, text, &why), ReadStatus::Unreadable);
    EXPECT_EQ(why, "not a regular file");
    std::ofstream(app / "big") << std::string((1 << 20) + 1, 'x');
    EXPECT_EQ(readRegularFile((app / "big").string(), 1 << 20, text), ReadStatus::Unreadable);
    EXPECT_EQ(readRegularFile((app / "none").string(), 1 << 20, text), ReadStatus::Missing);
    EXPECT_EQ(readAll(victim), "precious");
#endif
    // Two writers of one file at once never share a temporary file.
    {
        AtomicFile a(target.string()), b(target.string());
        ASSERT_TRUE(a.write(std::string_view("first")) && b.write(std::string_view("second")));
        ASSERT_TRUE(b.commit() && a.commit());
    }
    EXPECT_EQ(readAll(target), "first");
    // A folder where a file should be is refused with a reason.
    fs::create_directories(app / "out.png");
    std::string reason;
    EXPECT_FALSE(writeNamedOutput((app / "out.png").string(), "png", &reason));
    EXPECT_EQ(reason, "is a folder");
    EXPECT_TRUE(fs::is_directory(app / "out.png"));
}

// One full-screen saver at a time: the lock is refused while another holds
// it and free again once that one is gone; a name planted in its place (a
// symlink, a FIFO) is never taken, nor written through.
TEST_F(FaultTest, SaverLockIsTakenOnceAndNeverThroughAPlantedName)
{
#ifdef _WIN32
    const std::string name = "Local\\sylvadra-test-" + root_.filename().string();
#else
    const std::string name = (root_ / "saver.lock").string();
#endif
    {
        SaverLock first(name);
        ASSERT_EQ(first.state(), SaverLock::State::Taken) << first.error();
        SaverLock second(name);
        EXPECT_EQ(second.state(), SaverLock::State::Busy);
    }
    SaverLock again(name);
    EXPECT_EQ(again.state(), SaverLock::State::Taken) << again.error();
#ifndef _WIN32
    const fs::path victim = root_ / "victim";
    std::ofstream(victim) << "precious";
    fs::create_symlink(victim, root_ / "link.lock");
    SaverLock linked((root_ / "link.lock").string());
    EXPECT_EQ(linked.state(), SaverLock::State::Failed);
    EXPECT_NE(linked.error().find("symlink"), std::string::npos) << linked.error();
    EXPECT_EQ(readAll(victim), "precious");
    ASSERT_EQ(mkfifo((root_ / "fifo.lock").c_str(), 0600), 0);
    SaverLock fifo((root_ / "fifo.lock").string());
    EXPECT_EQ(fifo.state(), SaverLock::State::Failed) << "no hang, no lock";
    EXPECT_NE(fifo.error().find("not a regular file"), std::string::npos) << fifo.error();

    // The user's lock is in the runtime folder only while that is private.
    const char* old = std::getenv("XDG_RUNTIME_DIR");
    const std::string saved = old ? old : "";
    fs::create_directories(root_ / "run");
    fs::permissions(root_ / "run", fs::perms::owner_all);
    setenv("XDG_RUNTIME_DIR", (root_ / "run").c_str(), 1);
    EXPECT_EQ(saverLockName(), (root_ / "run" / "sylvadra-saver.lock").string());
    fs::permissions(root_ / "run", fs::perms::all);
    EXPECT_EQ(saverLockName().find((root_ / "run").string()), std::string::npos) << saverLockName();
    if (old) setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
    else unsetenv("XDG_RUNTIME_DIR");
#endif
}

// The wallpaper goes to the per-user folder when the program's folder can
// be written but the file cannot (here a folder in its place, as a full
// disk would fail it); one failure leaves one protocol.
TEST_F(FaultTest, WallpaperFallsBackWhenTheWriteFailsForAnyReason)
{
    testres::Installer pictures;
    fs::create_directories(root_ / "app" / "Sylvadra.bmp");
    FrmMain m(160, 120);
    setWallpaperScene(&m);
    m.Form_Load();
    m.Form_Resize();
    startFullScreen();
    EXPECT_THROW(m.Form_KeyDown(), ProgramEnd);
    const fs::path wallpaper = fs::path(host_.userDataDir_) / "Sylvadra.bmp";
    EXPECT_EQ(platform_.wallpapers, std::vector<std::string>{wallpaper.string()});
    EXPECT_TRUE(fs::is_regular_file(wallpaper));
    EXPECT_EQ(host_.beeps, 0);

    // Nowhere to write: the failure is protocolled once.
    resetSaverState();
    platform_.wallpapers.clear();
    host_.userDataDir_ = blocked("user");
    FrmMain n(160, 120);
    setWallpaperScene(&n);
    n.Form_Load();
    n.Form_Resize();
    startFullScreen();
    EXPECT_THROW(n.Form_KeyDown(), ProgramEnd);
    EXPECT_TRUE(platform_.wallpapers.empty());
    EXPECT_EQ(host_.beeps, 1);
    const std::string protocol = readAll(root_ / "app" / "sylvadra.EPT");
    size_t count = 0;
    for (size_t at = 0; (at = protocol.find("PROGRAMM-INFO:", at)) != std::string::npos; ++at) ++count;
    EXPECT_EQ(count, 1u) << "one failure, one protocol";
}

// A failure that reaches an input event of the scene form (here one that
// the dispatch of a failure inside exitScreensaver raises) is reported
// with the event's own statement number, as every scene procedure's is.
TEST_F(FaultTest, SceneInputEventsReportTheirStatementNumbers)
{
    struct FailingPlatform : RecordingPlatform {
        void showCursor(bool) override { raiseError(kErrOverflow); }
    } failing;
    setSaverPlatform(&failing);
    FrmMain m(160, 120);
    std::vector<std::string> seen;
    setDispatchHook([&](const char* module, const char* procedure, const RuntimeError&, int line) {
        seen.push_back(std::string(module) + "." + procedure + ":" + std::to_string(line));
        if (std::string(procedure) == "exitScreensaver") raiseError(kErrOverflow);
        return ErrorAction::Cancel;
    });
    const std::vector<std::pair<std::string, std::function<void()>>> events = {
        {"Form_Click", [&] { m.Form_Click(); }},
        {"Form_DblClick", [&] { m.Form_DblClick(); }},
        {"Form_KeyDown", [&] { m.Form_KeyDown(); }},
        {"Form_KeyPress", [&] { m.Form_KeyPress(); }},
        {"Form_MouseDown", [&] { m.Form_MouseDown(); }},
        {"Form_Terminate", [&] { m.Form_Terminate(); }},
        {"Form_Unload", [&] { m.Form_Unload(); }},
        {"Form_MouseMove",
         [&] {
             m.Form_MouseMove(10, 10);
             m.Form_MouseMove(20, 20);
         }},
    };
    for (const auto& [name, raise] : events) {
        SCOPED_TRACE(name);
        seen.clear();
        resetSaverState();
        SaverRunning() = kTrue;
        raise();
        const std::string line = name == "Form_MouseMove" ? "50020" : "50010";
        EXPECT_EQ(seen, (std::vector<std::string>{"Saver.exitScreensaver:0", "frmMain." + name + ":" + line}));
    }
    setSaverPlatform(&platform_);
}

// Garbage in place of every picture (the font and the preview stay as
// built in): the composition fails with error 481 through the error
// dispatch, and nothing crashes.
class GarbageResources {
public:
    GarbageResources()
    {
        setResourceProvider([this](ResourceKind kind, int id) {
            if (kind == ResourceKind::Bitmap || kind == ResourceKind::Icon) return std::span<const uint8_t>(bytes_);
            return findBuiltInResource(kind, id);
        });
    }
    ~GarbageResources() { setResourceProvider({}); }

private:
    std::vector<uint8_t> bytes_{'B', 'M', 0xFF, 0xFF, 0xFF, 0x7F, 0, 0, 0, 0, 0x36, 0, 0, 0, 40, 0, 0xde, 0xad};
};

TEST_F(FaultTest, UndecodableResourceEndsTheFullScreenSaverThroughTheDispatch)
{
    GarbageResources garbage;
    FrmMain m(320, 240);
    setWallpaperScene(&m);
    m.Form_Load();
    startFullScreen();
    EXPECT_THROW(m.Form_Resize(), ProgramEnd);
    EXPECT_EQ(ErrPtnr::lblError(0).substr(0, 5), "481 (");
    EXPECT_EQ(ErrPtnr::lblError(1), "frmMain");
    EXPECT_EQ(platform_.shown, 1);
    EXPECT_EQ(platform_.activated, 1);
    const std::string protocol = readAll(root_ / "app" / "sylvadra.EPT");
    EXPECT_NE(protocol.find("\t481 ("), std::string::npos) << protocol;
    // The wallpaper holds what was composed so far, complete.
    ASSERT_EQ(platform_.wallpapers.size(), 1u);
    const std::string bytes = readAll(platform_.wallpapers[0]);
    EXPECT_NO_THROW(decodeBmp(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size())));
    for (const std::string& f : files()) EXPECT_NE(fs::path(f).extension(), ".tmp") << f;
}

TEST_F(FaultTest, UndecodableResourceOutsideTheFullScreenEndsWithoutALoop)
{
    // Preview, settings and headless modes: exitScreensaver does nothing,
    // the dispatcher answers Retry, and the repeat guard ends the program
    // when the same statement fails again.
    GarbageResources garbage;
    FrmMain m(320, 240);
    m.Form_Load();
    EXPECT_THROW(m.Form_Resize(), ProgramEnd);
    EXPECT_EQ(ErrPtnr::lblError(0).substr(0, 5), "481 (");
    EXPECT_EQ(host_.beeps, 1) << "one failure, one beep, though its statement ran twice";
    EXPECT_EQ(platform_.shown, 0) << "the system state was never changed";
    EXPECT_TRUE(platform_.wallpapers.empty());
}

#ifndef _WIN32 // the settings file is the Linux store
// Settings files the Linux store cannot make sense of: the program starts
// with the defaults of what it cannot read and the scene runs.
TEST_F(FaultTest, DamagedSettingsFilesStartTheSceneWithDefaults)
{
    testres::Installer pictures;
    const fs::path config = root_ / "config";
    const fs::path file = config / "sylvadra" / "settings.ini";
    const std::string megabyte(1 << 20, '9');
    static const char kCorrupt[] = "\x00\xff[Settings\n\x01=\x02\nSpeed";
    struct Case {
        const char* name;
        std::string content; // written as the file, unless a folder
        bool folder;
        int protocols; // failures LoadConfig dispatches
    };
    const Case cases[] = {
        {"unreadable (a folder)", "", true, 0},
        {"empty", "", false, 0},
        {"corrupt", std::string(kCorrupt, sizeof kCorrupt - 1), false, 0},
        {"corrupt values", "[Settings]\nSpeed=fast\nrTime=1O\nmaxFl=\n", false, 3},
        {"one line of 1 MB", megabyte, false, 0},
        {"a value of almost 1 MB", "[Settings]\nSpeed=" + megabyte.substr(64) + "\n", false, 1},
        {"more than 1 MB", "[Settings]\nSpeed=3\n" + megabyte, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::error_code ec;
        fs::remove_all(config, ec);
        fs::create_directories(file.parent_path());
        if (c.folder) fs::create_directories(file);
        else std::ofstream(file, std::ios::binary) << c.content;
        auto ini = makeIniSettingsStore(config.string());
        setSettingsStore(ini.get());
        settings() = Settings{};
        settings().Speed = 1; // LoadConfig must put the default back
        ErrPtnr::Unload();
        fs::remove(root_ / "app" / "sylvadra.EPT", ec);
        LoadConfig();
        setSettingsStore(&store_);

        const Settings& s = settings();
        EXPECT_EQ(s.Speed, 5.0f);
        EXPECT_EQ(s.rTime, 600);
        EXPECT_DOUBLE_EQ(s.maxFlValue(), 6);
        EXPECT_EQ(s.halfMaxFl, 3);
        const std::string protocol = readAll(root_ / "app" / "sylvadra.EPT");
        int n = 0;
        for (size_t p = protocol.find("PROGRAMM-INFO:"); p != std::string::npos;
             p = protocol.find("PROGRAMM-INFO:", p + 1))
            ++n;
        EXPECT_EQ(n, c.protocols);

        FrmMain m(64, 48);
        m.Form_Load();
        EXPECT_EQ(m.tmrAnimation.interval, 40);
        m.Form_Resize();
        for (int t = 0; t < 50; ++t) {
            host_.tick += 40;
            m.tmrAnimation_Timer();
        }
        EXPECT_TRUE(m.tmrAnimation.enabled);
        EXPECT_EQ(host_.beeps, c.protocols) << "no failure beyond the settings";
        host_.beeps = 0;
    }
}
#endif

// The extreme screens: one pixel, and 8K. The scene composes, animates and
// renews itself without a failure; the picture has the screen's size.
TEST_F(FaultTest, OnePixelAndEightKScreensRenderWithoutAFailure)
{
    struct Case {
        int w, h;
        long ticks;
    };
    for (const Case& c : {Case{1, 1, 400}, Case{7680, 4320, 4}}) {
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
        RenderOptions o;
        o.outPng = (root_ / "out.png").string();
        o.width = c.w;
        o.height = c.h;
        o.seed = 7;
        o.ticks = c.ticks;
        ASSERT_EQ(renderHeadless(o), 0);
        const std::string png = readAll(o.outPng);
        ASSERT_GT(png.size(), 24u);
        auto be32 = [&](size_t at) {
            return (static_cast<uint32_t>(static_cast<uint8_t>(png[at])) << 24) |
                   (static_cast<uint32_t>(static_cast<uint8_t>(png[at + 1])) << 16) |
                   (static_cast<uint32_t>(static_cast<uint8_t>(png[at + 2])) << 8) |
                   static_cast<uint32_t>(static_cast<uint8_t>(png[at + 3]));
        };
        EXPECT_EQ(be32(16), static_cast<uint32_t>(c.w));
        EXPECT_EQ(be32(20), static_cast<uint32_t>(c.h));
    }

    // A one-pixel scene through many landscapes: every restart composes anew.
    testres::Installer pictures;
    settings().rTime = 60;
    FrmMain m(1, 1);
    m.Form_Load();
    m.Form_Resize();
    for (int t = 0; t < 20000; ++t) {
        host_.tick += 40;
        m.tmrAnimation_Timer();
    }
    EXPECT_TRUE(m.tmrAnimation.enabled);
    EXPECT_EQ(host_.beeps, 0);
    EXPECT_GT(m.lastRestart, 3600u * 1000u);
}

} // namespace
} // namespace syl
