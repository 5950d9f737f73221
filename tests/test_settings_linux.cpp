// The Linux settings file: <config dir>/sylvadra/settings.ini, group
// [Settings]. Damaged, unreadable and oversized files never fail a read;
// what cannot be read takes its default.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
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
    const std::string megabyte(1 << 20, 'x');
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

TEST_F(IniStoreTest, MegabyteValueIsReadAndLoadConfigFallsBackToTheDefault)
{
    writeFile("[Settings]\nmaxFl=" + std::string(1 << 20, '7') + "\nSpeed=3\n");
    EXPECT_EQ(get("maxFl").size(), 1u << 20);

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

TEST_F(IniStoreTest, UnreadableAndUnwritablePlaces)
{
    // settings.ini is a folder: nothing to read, nothing can be written.
    fs::create_directories(file());
    EXPECT_EQ(get("maxFl"), "<default>");
    EXPECT_EQ(errorOf([&] { store_->set("Sylvadra", "Settings", "maxFl", "7"); }), kErrFileAccess);

    // A config folder below a regular file (fails for every user, root too).
    std::ofstream(dir_ / "plain") << "x";
    auto blocked = makeIniSettingsStore((dir_ / "plain" / "config").string());
    EXPECT_EQ(blocked->get("Sylvadra", "Settings", "maxFl", "6"), "6");
    EXPECT_EQ(errorOf([&] { blocked->set("Sylvadra", "Settings", "maxFl", "7"); }), kErrFileAccess);
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
        if (c.xdg)
            setenv("XDG_CONFIG_HOME", c.xdg, 1);
        else
            unsetenv("XDG_CONFIG_HOME");
        EXPECT_EQ(defaultConfigDir(), c.dir);
    }

    if (oldXdg)
        setenv("XDG_CONFIG_HOME", savedXdg.c_str(), 1);
    else
        unsetenv("XDG_CONFIG_HOME");
    if (oldHome)
        setenv("HOME", savedHome.c_str(), 1);
    else
        unsetenv("HOME");
}

} // namespace
} // namespace syl
