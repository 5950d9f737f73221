// The Linux settings file: <config dir>/sylvadra/settings.ini, group
// [Settings]. Damaged, unreadable and oversized files never fail a read;
// what cannot be read takes its default and is never written over. A save
// replaces the file once, keeping its mode and a symbolic link to it.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include "errors/handler.h"
#include "platform/host.h"
#include "settings/config.h"
#include "settings/settings_store.h"

namespace syl {
namespace {

namespace fs = std::filesystem;

class IniStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() /
               ("sylvadra-ini-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
        fs::create_directories(dir_);
        store_ = makeIniSettingsStore(dir_.string());
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    fs::path file() const { return dir_ / "sylvadra" / "settings.ini"; }
    void writeFile(const std::string& content)
    {
        fs::create_directories(file().parent_path());
        std::ofstream(file(), std::ios::binary) << content;
    }
    std::string readFile() const
    {
        std::ifstream in(file(), std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::string get(const std::string& key) { return store_->get("Sylvadra", "Settings", key, "<default>"); }
    // What settings.ini is: its kind, its link target, its bytes and its
    // inode (of the file a link names), for comparing before and after.
    std::string snapshot() const
    {
        struct stat l {
        }, t{};
        if (lstat(file().c_str(), &l) != 0) return "missing";
        std::string what = std::to_string(l.st_mode) + " " + std::to_string(l.st_ino);
        if (S_ISLNK(l.st_mode)) {
            what += " -> " + fs::read_symlink(file()).string();
            if (stat(file().c_str(), &t) == 0) what += " " + std::to_string(t.st_mode) + " " + std::to_string(t.st_ino);
        }
        if (S_ISLNK(l.st_mode) ? S_ISREG(t.st_mode) : S_ISREG(l.st_mode)) what += " " + readFile();
        return what;
    }
    static unsigned modeOf(const fs::path& p)
    {
        struct stat st {};
        return stat(p.c_str(), &st) == 0 ? st.st_mode & 07777 : 0xFFFFu;
    }

    fs::path dir_;
    std::unique_ptr<SettingsStore> store_;
};

template <class F>
int errorOf(F&& f)
{
    try {
        f();
    } catch (const RuntimeError& e) {
        return e.number();
    }
    return 0;
}

TEST_F(IniStoreTest, WritesTheSettingsGroupAndReadsItBack)
{
    EXPECT_EQ(get("maxFl"), "<default>"); // no file yet
    store_->set("Sylvadra", "Settings", "maxFl", "5,84");
    store_->set("Sylvadra", "Settings", "Speed", "5");
    store_->set("Sylvadra", "Settings", "maxFl", "6,08"); // replaces
    store_->set("Sylvadra", "Other", "maxFl", "1");
    EXPECT_EQ(get("maxFl"), "6,08");
    EXPECT_EQ(get("Speed"), "5");
    EXPECT_EQ(get("Date"), "<default>");
    EXPECT_EQ(store_->get("Sylvadra", "Other", "maxFl", ""), "1");
    EXPECT_EQ(store_->get("Else", "Settings", "maxFl", "d"), "d"); // another application, another file

    const std::string text = readFile();
    EXPECT_NE(text.find("[Settings]\n"), std::string::npos);
    EXPECT_NE(text.find("maxFl=6,08\n"), std::string::npos);
    // The atomic save leaves no temporary file behind.
    int files = 0;
    for (const auto& e : fs::directory_iterator(file().parent_path())) {
        ++files;
        EXPECT_EQ(e.path().filename(), "settings.ini");
    }
    EXPECT_EQ(files, 1);

    // A text with line ends and leading blanks survives.
    store_->set("Sylvadra", "Settings", "Odd", "  a\nb=c\\");
    EXPECT_EQ(get("Odd"), "  a\nb=c\\");
}

TEST_F(IniStoreTest, DamagedFilesKeepWhatCanBeRead)
{
    // Lines of almost a megabyte: the file stays within the size that is read.
    const std::string megabyte((1 << 20) - 64, 'x');
    const char binary[] = "\x00\xff\xfe[Set\x00tings]\n\x80\x81=\x01\n";
    struct Case {
        const char* name;
        std::string content;
        const char* maxFl; // expected reads
        const char* speed;
    };
    const Case cases[] = {
        {"empty", "", "<default>", "<default>"},
        {"garbage", "garbage\n", "<default>", "<default>"},
        {"no group", "maxFl=7\nSpeed=3\n", "<default>", "<default>"},
        {"stray line", "[Settings]\nmaxFl=7\ngarbage line\nSpeed=3\n", "7", "3"},
        {"bad group", "[Settings]\nmaxFl=7\n[bad[group]\nSpeed=3\n", "7", "<default>"},
        {"binary", std::string(binary, sizeof binary - 1), "<default>", "<default>"},
        {"bad utf-8 line", "[Settings]\nmaxFl=7\nSpeed=\xff\xfe\n", "7", "<default>"},
        {"crlf", "[Settings]\r\nmaxFl=7\r\nSpeed=3\r\n", "7", "3"},
        {"megabyte line", "[Settings]\n" + megabyte + "\nmaxFl=7\nSpeed=3\n", "7", "3"},
        {"megabyte key", "[Settings]\nmaxFl=7\n" + megabyte + "=1\nSpeed=3\n", "7", "3"},
        {"no line end", "[Settings]\nmaxFl=7", "7", "<default>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        writeFile(c.content);
        EXPECT_EQ(get("maxFl"), c.maxFl);
        EXPECT_EQ(get("Speed"), c.speed);
        // Writing into a damaged file keeps what was readable and adds the key.
        store_->set("Sylvadra", "Settings", "Date", "0");
        EXPECT_EQ(get("Date"), "0");
        EXPECT_EQ(get("maxFl"), c.maxFl);
        EXPECT_EQ(get("Speed"), c.speed);
    }
}

TEST_F(IniStoreTest, HugeValueIsReadAndLoadConfigFallsBackToTheDefault)
{
    const size_t size = (1u << 20) - 64; // the file stays just within the size that is read
    writeFile("[Settings]\nmaxFl=" + std::string(size, '7') + "\nSpeed=3\n");
    EXPECT_EQ(get("maxFl").size(), size);

    HeadlessHost h;
    setHost(&h);
    setSettingsStore(store_.get());
    int dispatched = 0;
    setDispatchHook([&](const char*, const char*, const RuntimeError&, int) {
        ++dispatched;
        return ErrorAction::Retry;
    });
    settings() = Settings{};
    LoadConfig();
    setDispatchHook({});
    setSettingsStore(nullptr);
    setHost(nullptr);

    EXPECT_EQ(dispatched, 1);
    EXPECT_DOUBLE_EQ(settings().maxFlValue(), 6);
    EXPECT_EQ(settings().Speed, 3.0f);
    settings() = Settings{};
}

TEST_F(IniStoreTest, ByteOrderMarkBeforeTheGroupIsSkipped)
{
    writeFile("\xEF\xBB\xBF[Settings]\nmaxFl=7\nSpeed=3\n");
    EXPECT_EQ(get("maxFl"), "7");
    EXPECT_EQ(get("Speed"), "3");
    store_->set("Sylvadra", "Settings", "Date", "0");
    EXPECT_EQ(get("maxFl"), "7");
    EXPECT_EQ(get("Date"), "0");
}

// What stands in place of settings.ini and cannot be read as a settings
// file reads as the defaults, fails a save, and is left exactly as it was.
// None of these depends on permissions, so they hold for root as well.
TEST_F(IniStoreTest, WhatCannotBeReadIsNeverWrittenOver)
{
    const std::string tooLarge = "[Settings]\nmaxFl=7\n" + std::string(1 << 20, '#');
    const struct {
        const char* name;
        std::function<void()> make;
    } cases[] = {
        {"a folder", [&] { fs::create_directories(file()); }},
        {"a FIFO", [&] { ASSERT_EQ(mkfifo(file().c_str(), 0600), 0); }},
        {"a symbolic link to /dev/zero", [&] { fs::create_symlink("/dev/zero", file()); }},
        {"a file over 1 MB", [&] { writeFile(tooLarge); }},
        {"a link to a file over 1 MB",
         [&] {
             fs::create_directories(dir_ / "elsewhere");
             std::ofstream(dir_ / "elsewhere" / "real.ini", std::ios::binary) << tooLarge;
             fs::create_symlink(dir_ / "elsewhere" / "real.ini", file());
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::error_code ec;
        fs::remove_all(dir_ / "sylvadra", ec);
        fs::remove_all(dir_ / "elsewhere", ec);
        fs::create_directories(file().parent_path());
        c.make();
        const auto before = snapshot();

        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(get("maxFl"), "<default>");
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
        EXPECT_EQ(errorOf([&] {
                      store_->setMany("Sylvadra", "Settings", {{"maxFl", "5"}, {"Speed", "3"}});
                  }),
                  kErrFileAccess);
        EXPECT_EQ(store_->lastWriteFailure().rfind(file().string() + ": ", 0), 0u) << store_->lastWriteFailure();
        EXPECT_EQ(snapshot(), before);
        // Nothing is left behind in the folder either.
        int entries = 0;
        for ([[maybe_unused]] const auto& e : fs::directory_iterator(file().parent_path())) ++entries;
        EXPECT_EQ(entries, 1);
    }

    // A config folder below a regular file (fails for every user, root too).
    std::ofstream(dir_ / "plain") << "x";
    auto blocked = makeIniSettingsStore((dir_ / "plain" / "config").string());
    EXPECT_EQ(blocked->get("Sylvadra", "Settings", "maxFl", "6"), "6");
    EXPECT_EQ(errorOf([&] { blocked->set("Sylvadra", "Settings", "maxFl", "7"); }), kErrFileAccess);
    EXPECT_NE(blocked->lastWriteFailure().find((dir_ / "plain").string()), std::string::npos);
}

TEST_F(IniStoreTest, SaveKeepsTheFileItsModeAndALinkToIt)
{
    // A new file is the user's alone.
    store_->set("Sylvadra", "Settings", "Speed", "3");
    EXPECT_EQ(modeOf(file()), 0600);
    EXPECT_TRUE(store_->lastWriteFailure().empty());

    // An existing file keeps its mode, its comments and its other groups.
    writeFile("# mine\n[Other]\nkey=value\n[Settings]\nmaxFl=7\n");
    fs::permissions(file(), static_cast<fs::perms>(0640), fs::perm_options::replace);
    store_->setMany("Sylvadra", "Settings", {{"Speed", "4"}, {"Date", "0"}});
    EXPECT_EQ(modeOf(file()), 0640);
    const std::string text = readFile();
    for (const char* part : {"# mine\n", "[Other]\nkey=value\n", "[Settings]\nmaxFl=7\nSpeed=4\nDate=0\n"})
        EXPECT_NE(text.find(part), std::string::npos) << part << " in " << text;

    // A symbolic link stays one; the file it names is replaced, in its own
    // folder, with its own mode.
    const fs::path real = dir_ / "elsewhere" / "real.ini";
    fs::create_directories(real.parent_path());
    std::ofstream(real, std::ios::binary) << "[Settings]\nmaxFl=9\n";
    fs::permissions(real, static_cast<fs::perms>(0604), fs::perm_options::replace);
    fs::remove(file());
    fs::create_symlink("../elsewhere/real.ini", file());
    store_->set("Sylvadra", "Settings", "Speed", "2");
    EXPECT_TRUE(fs::is_symlink(file()));
    EXPECT_EQ(fs::read_symlink(file()), "../elsewhere/real.ini");
    EXPECT_EQ(modeOf(real), 0604);
    EXPECT_EQ(get("maxFl"), "9");
    EXPECT_EQ(get("Speed"), "2");
    int entries = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(real.parent_path())) ++entries;
    EXPECT_EQ(entries, 1); // no temporary file left beside the target
}

TEST_F(IniStoreTest, ReadingSessionReadsTheFileOnce)
{
    writeFile("[Settings]\nmaxFl=7\n");
    store_->beginReading();
    EXPECT_EQ(get("maxFl"), "7");
    writeFile("[Settings]\nmaxFl=8\n");
    EXPECT_EQ(get("maxFl"), "7"); // what the session read first
    store_->endReading();
    EXPECT_EQ(get("maxFl"), "8");
    // Outside a session every read sees the file as it is.
    writeFile("[Settings]\nmaxFl=9\n");
    EXPECT_EQ(get("maxFl"), "9");
}

// SaveConfig replaces the settings file once for all eleven keys: one file
// created beside it, one rename onto it.
TEST_F(IniStoreTest, SaveConfigReplacesTheFileOnce)
{
    writeFile("[Settings]\nmaxFl=7\n");
    const int watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    ASSERT_GE(watch, 0);
    ASSERT_GE(inotify_add_watch(watch, file().parent_path().c_str(), IN_CREATE | IN_MOVED_TO), 0);

    HeadlessHost h;
    setHost(&h);
    setSettingsStore(store_.get());
    settings() = Settings{};
    SaveConfig();
    setSettingsStore(nullptr);
    setHost(nullptr);

    int created = 0, renamedOnto = 0;
    alignas(inotify_event) char buf[8192];
    for (ssize_t n; (n = read(watch, buf, sizeof buf)) > 0;) {
        for (char* p = buf; p < buf + n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(p);
            if (e->mask & IN_CREATE) ++created;
            if ((e->mask & IN_MOVED_TO) && e->len && std::strcmp(e->name, "settings.ini") == 0) ++renamedOnto;
            p += sizeof(inotify_event) + e->len;
        }
    }
    close(watch);
    EXPECT_EQ(created, 1);
    EXPECT_EQ(renamedOnto, 1);
    for (const char* key :
         {"SpeedF", "maxFl", "SpeedS", "SpeedO", "Speed", "Date", "Time", "Restart", "rTime", "Wallpaper", "Sharp"})
        EXPECT_NE(get(key), "<default>") << key;
}

TEST(IniStoreFolder, FollowsXdgConfigHome)
{
    const char* oldXdg = std::getenv("XDG_CONFIG_HOME");
    const std::string savedXdg = oldXdg ? oldXdg : "";
    const char* oldHome = std::getenv("HOME");
    const std::string savedHome = oldHome ? oldHome : "";

    setenv("HOME", "/home/tester", 1);
    struct Case {
        const char* xdg; // nullptr: unset
        const char* dir;
    };
    for (const Case& c : {Case{"/xdg/config", "/xdg/config"}, Case{nullptr, "/home/tester/.config"},
                          Case{"", "/home/tester/.config"}, Case{"relative/dir", "/home/tester/.config"}}) {
        SCOPED_TRACE(c.xdg ? c.xdg : "(unset)");
        if (c.xdg) setenv("XDG_CONFIG_HOME", c.xdg, 1);
        else unsetenv("XDG_CONFIG_HOME");
        EXPECT_EQ(defaultConfigDir(), c.dir);
    }

    if (oldXdg) setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1);
    else unsetenv("XDG_CONFIG_HOME");
    if (oldHome) setenv("HOME", savedHome.c_str(), 1);
    else unsetenv("HOME");
}

} // namespace
} // namespace syl
