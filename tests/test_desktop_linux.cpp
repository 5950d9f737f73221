// The wallpaper on the Linux desktops, each reached through its own
// interface: GSettings on a key-file backend with schemas of the test's own,
// stand-in xfconf and Plasma shell services on a private D-Bus bus, and a
// stand-in sway IPC socket.
#include <gtest/gtest.h>

#define G_SETTINGS_ENABLE_BACKEND
#include <gio/gio.h>
#include <gio/gsettingsbackend.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <future>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "backends/linux/desktop_linux.h"
#include "platform/host.h"
#include "settings/config.h"
#include "shell/wallpapers.h"
#include "fakes/fake_bus.h"
#include "fakes/fake_sway.h"
#include "fakes/scoped.h"

namespace syl {
namespace {

namespace fs = std::filesystem;
using fakes::ScopedEnv;
using fakes::TempDir;

// The picture's name has spaces and both quotes; its URI has them
// percent-encoded but the apostrophe, which URIs allow.
const char* kPictureName = "it's a \"view\".bmp";
const char* kPictureUriName = "it's%20a%20%22view%22.bmp";

// ---- detection and the texts sent ----

TEST(DesktopDetect, FirstKnownEntryOfTheListCountsCaseAside)
{
    EXPECT_EQ(detectDesktop("GNOME", nullptr), Desktop::Gnome);
    EXPECT_EQ(detectDesktop("ubuntu:GNOME", nullptr), Desktop::Gnome);
    EXPECT_EQ(detectDesktop("Unity:Unity7:ubuntu", nullptr), Desktop::Gnome);
    EXPECT_EQ(detectDesktop("Budgie:GNOME", nullptr), Desktop::Gnome);
    EXPECT_EQ(detectDesktop("X-Cinnamon", nullptr), Desktop::Cinnamon);
    EXPECT_EQ(detectDesktop("cinnamon", nullptr), Desktop::Cinnamon);
    EXPECT_EQ(detectDesktop("MATE", nullptr), Desktop::Mate);
    EXPECT_EQ(detectDesktop("xfce", nullptr), Desktop::Xfce);
    EXPECT_EQ(detectDesktop("KDE", nullptr), Desktop::Kde);
    EXPECT_EQ(detectDesktop("KDE:GNOME", nullptr), Desktop::Kde);
    EXPECT_EQ(detectDesktop("sway", "/run/user/1/sway-ipc.sock"), Desktop::Sway);
    EXPECT_EQ(detectDesktop(nullptr, "/run/user/1/sway-ipc.sock"), Desktop::Sway);
    EXPECT_EQ(detectDesktop("GNOME", "/run/user/1/sway-ipc.sock"), Desktop::Gnome);
    EXPECT_EQ(detectDesktop("sway", nullptr), Desktop::Other);
    EXPECT_EQ(detectDesktop("GNOMEX:XFCE4", ""), Desktop::Other);
    EXPECT_EQ(detectDesktop("", nullptr), Desktop::Other);
    EXPECT_EQ(detectDesktop(nullptr, nullptr), Desktop::Other);
}

TEST(DesktopDetect, ElsewhereNothingIsSetAndNothingIsWrong)
{
    ScopedEnv desk("XDG_CURRENT_DESKTOP", "LXQt");
    ScopedEnv sway("SWAYSOCK", nullptr);
    std::string why = "unchanged";
    EXPECT_FALSE(setDesktopWallpaper("/tmp/picture.bmp", &why));
    EXPECT_EQ(why, "");
}

TEST(PlasmaScript, QuotesTheUriAsAJavaScriptString)
{
    EXPECT_EQ(javaScriptString("a\"b\\c'd"), "\"a\\\"b\\\\c'd\"");
    EXPECT_EQ(javaScriptString("line\nnext\x01"), "\"line\\u000anext\\u0001\"");
    EXPECT_EQ(javaScriptString("\xE2\x80\xA8\xC3\xA9"), "\"\\u2028\xC3\xA9\"");
    std::string script = plasmaWallpaperScript("file:///a/b\"c.bmp");
    EXPECT_NE(script.find("desktops()"), std::string::npos);
    EXPECT_NE(script.find("wallpaperPlugin = \"org.kde.image\""), std::string::npos);
    EXPECT_NE(script.find("[\"Wallpaper\", \"org.kde.image\", \"General\"]"), std::string::npos);
    EXPECT_NE(script.find("writeConfig(\"Image\", \"file:///a/b\\\"c.bmp\")"), std::string::npos);
}

TEST(SwayIpc, CommandQuotesThePathAndRepliesAreRead)
{
    EXPECT_EQ(swayBackgroundCommand("/home/a b/x\"y\\z.bmp"), "output * bg \"/home/a b/x\\\"y\\\\z.bmp\" fill");
    EXPECT_TRUE(swayReplySucceeded("[{\"success\":true}]"));
    EXPECT_TRUE(swayReplySucceeded("[ { \"success\": true } ]"));
    EXPECT_FALSE(swayReplySucceeded("[ { \"success\": false, \"error\": \"Unknown output\" } ]"));
    EXPECT_FALSE(swayReplySucceeded("[{\"success\":true},{\"success\":false}]"));
    EXPECT_FALSE(swayReplySucceeded("[]"));
    EXPECT_FALSE(swayReplySucceeded(""));
}

// ---- GSettings ----

const char* kGnomeSchema = R"(<schemalist>
  <schema id="org.gnome.desktop.background" path="/org/gnome/desktop/background/">
    <key name="picture-uri" type="s"><default>''</default></key>
    <key name="picture-uri-dark" type="s"><default>''</default></key>
  </schema>
</schemalist>
)";
const char* kGnomeSchemaWithoutDark = R"(<schemalist>
  <schema id="org.gnome.desktop.background" path="/org/gnome/desktop/background/">
    <key name="picture-uri" type="s"><default>''</default></key>
  </schema>
</schemalist>
)";
const char* kGnomeSchemaWithOptions = R"(<schemalist>
  <schema id="org.gnome.desktop.background" path="/org/gnome/desktop/background/">
    <key name="picture-uri" type="s"><default>''</default></key>
    <key name="picture-options" type="s">
      <choices><choice value="zoom"/><choice value="centered"/><choice value="spanned"/></choices>
      <default>'zoom'</default>
    </key>
  </schema>
</schemalist>
)";
const char* kCinnamonSchema = R"(<schemalist>
  <schema id="org.cinnamon.desktop.background" path="/org/cinnamon/desktop/background/">
    <key name="picture-uri" type="s"><default>''</default></key>
  </schema>
</schemalist>
)";
const char* kMateSchema = R"(<schemalist>
  <schema id="org.mate.background" path="/org/mate/desktop/background/">
    <key name="picture-filename" type="s"><default>''</default></key>
  </schema>
</schemalist>
)";

class GSettingsWallpaper : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(tmp_.path.empty());
        picture_ = (tmp_.path / kPictureName).string();
        uri_ = "file://" + tmp_.path.string() + "/" + kPictureUriName;
        keyfile_ = tmp_.path / "keyfile";
    }
    void TearDown() override
    {
        if (backend_) g_object_unref(backend_);
        if (source_) g_settings_schema_source_unref(source_);
    }

    // Schemas compiled into dir; false (with a skip) when the compiler is missing.
    bool compileSchemas(const fs::path& dir, const std::map<std::string, const char*>& files)
    {
        gchar* compiler = g_find_program_in_path("glib-compile-schemas");
        if (!compiler) return false;
        fs::create_directories(dir);
        for (const auto& [name, xml] : files) std::ofstream(dir / name) << xml;
        std::string dirArg = dir.string();
        gchar* argv[] = {compiler, dirArg.data(), nullptr};
        gint status = -1;
        GError* err = nullptr;
        gboolean ran =
            g_spawn_sync(nullptr, argv, nullptr, G_SPAWN_DEFAULT, nullptr, nullptr, nullptr, nullptr, &status, &err);
        g_free(compiler);
        EXPECT_TRUE(ran) << (err ? err->message : "");
        if (err) g_error_free(err);
        EXPECT_TRUE(g_spawn_check_wait_status(status, nullptr));
        return true;
    }
    // A private schema source and key-file backend of the schemas given.
    bool useSchemas(const std::map<std::string, const char*>& files)
    {
        fs::path dir = tmp_.path / "schemas";
        if (!compileSchemas(dir, files)) return false;
        GError* err = nullptr;
        source_ = g_settings_schema_source_new_from_directory(dir.c_str(), nullptr, FALSE, &err);
        EXPECT_NE(source_, nullptr) << (err ? err->message : "");
        if (err) g_error_free(err);
        backend_ = g_keyfile_settings_backend_new(keyfile_.c_str(), "/", nullptr);
        return source_ != nullptr;
    }
    std::string read(const char* schemaId, const char* key)
    {
        GSettingsSchema* schema = g_settings_schema_source_lookup(source_, schemaId, FALSE);
        if (!schema) return "<no schema>";
        GSettings* s = g_settings_new_full(schema, backend_, nullptr);
        gchar* v = g_settings_get_string(s, key);
        std::string value = v;
        g_free(v);
        g_object_unref(s);
        g_settings_schema_unref(schema);
        return value;
    }
    std::string keyfileText() const
    {
        std::ifstream in(keyfile_);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    TempDir tmp_;
    std::string picture_, uri_;
    fs::path keyfile_;
    GSettingsSchemaSource* source_ = nullptr;
    GSettingsBackend* backend_ = nullptr;
};

#define USE_SCHEMAS(...)                                                                                               \
    do {                                                                                                               \
        if (!useSchemas(__VA_ARGS__)) GTEST_SKIP() << "glib-compile-schemas is missing";                               \
    } while (0)

TEST_F(GSettingsWallpaper, GnomeGetsTheUriInBothKeys)
{
    USE_SCHEMAS({{"gnome.gschema.xml", kGnomeSchema}});
    std::string why;
    ASSERT_TRUE(setGSettingsWallpaper(Desktop::Gnome, picture_, source_, backend_, &why)) << why;
    EXPECT_EQ(read("org.gnome.desktop.background", "picture-uri"), uri_);
    EXPECT_EQ(read("org.gnome.desktop.background", "picture-uri-dark"), uri_);
    std::string file = keyfileText();
    EXPECT_NE(file.find("[org/gnome/desktop/background]"), std::string::npos) << file;
    EXPECT_NE(file.find(kPictureUriName), std::string::npos) << file;
}

// The picture options: "spanned" for a picture of every monitor; a single
// monitor's picture after it is zoomed, and one the user chose is kept.
TEST_F(GSettingsWallpaper, ASpannedPictureAndAfterItOneMonitorsZoomed)
{
    USE_SCHEMAS({{"gnome.gschema.xml", kGnomeSchemaWithOptions}});
    std::string why;
    ASSERT_TRUE(setGSettingsWallpaper(Desktop::Gnome, picture_, source_, backend_, &why, "spanned")) << why;
    EXPECT_EQ(read("org.gnome.desktop.background", "picture-options"), "spanned");
    ASSERT_TRUE(setGSettingsWallpaper(Desktop::Gnome, picture_, source_, backend_, &why)) << why;
    EXPECT_EQ(read("org.gnome.desktop.background", "picture-options"), "zoom");
    ASSERT_TRUE(setGSettingsWallpaper(Desktop::Gnome, picture_, source_, backend_, &why, "centered")) << why;
    ASSERT_TRUE(setGSettingsWallpaper(Desktop::Gnome, picture_, source_, backend_, &why)) << why;
    EXPECT_EQ(read("org.gnome.desktop.background", "picture-options"), "centered");
    // A value the schema does not take is left out, the picture set all the same.
    ASSERT_TRUE(setGSettingsWallpaper(Desktop::Gnome, picture_, source_, backend_, &why, "tiled")) << why;
    EXPECT_EQ(read("org.gnome.desktop.background", "picture-options"), "centered");
    EXPECT_EQ(read("org.gnome.desktop.background", "picture-uri"), uri_);
}

TEST_F(GSettingsWallpaper, GnomeWithoutADarkKeyGetsTheOneKey)
{
    USE_SCHEMAS({{"gnome.gschema.xml", kGnomeSchemaWithoutDark}});
    std::string why;
    ASSERT_TRUE(setGSettingsWallpaper(Desktop::Gnome, picture_, source_, backend_, &why)) << why;
    EXPECT_EQ(read("org.gnome.desktop.background", "picture-uri"), uri_);
    EXPECT_EQ(keyfileText().find("picture-uri-dark"), std::string::npos);
}

// The wallpaper of the time of day: a set of the four phases and its timed
// wallpaper, which GNOME takes as its picture; its description names four
// pictures of the set, shown through the whole day. Later runs of the same
// day take the same set again.
TEST_F(GSettingsWallpaper, TheTimedWallpaperOfTheDay)
{
    USE_SCHEMAS({{"gnome.gschema.xml", kGnomeSchema}});
    HeadlessHost host;
    host.userDataDir_ = (tmp_.path / "data").string();
    setHost(&host);
    settings() = Settings{};
    settings().Sharp = 0;
    settings().DayNight = 1;
    const std::string folder = (tmp_.path / "data" / "wallpaper").string();
    WallpaperSet set, again;
    std::string why;
    ASSERT_TRUE(writeWallpaperSet({{"a", 0, 0, 64, 48, true}}, true, folder, set, &why)) << why;
    ASSERT_TRUE(writeWallpaperSet({{"a", 0, 0, 64, 48, true}}, true, folder, again, &why)) << why;
    setHost(nullptr);
    settings() = Settings{};
    EXPECT_EQ(again.slideshow, set.slideshow);
    ASSERT_TRUE(setGSettingsWallpaper(Desktop::Gnome, set.slideshow, source_, backend_, &why, "zoom")) << why;
    const std::string uri = read("org.gnome.desktop.background", "picture-uri");
    ASSERT_EQ(uri, "file://" + set.slideshow);
    std::ifstream in(set.slideshow);
    std::stringstream text;
    text << in.rdbuf();
    const std::string xml = text.str();
    std::set<std::string> files;
    long seconds = 0;
    for (size_t at = xml.find("<file>"); at != std::string::npos; at = xml.find("<file>", at + 1))
        files.insert(xml.substr(at + 6, xml.find('<', at + 6) - at - 6));
    for (size_t at = xml.find("<duration>"); at != std::string::npos; at = xml.find("<duration>", at + 1))
        seconds += std::stol(xml.substr(at + 10));
    EXPECT_EQ(seconds, 24 * 3600);
    ASSERT_EQ(files.size(), 4u) << xml;
    for (const std::string& f : files) {
        EXPECT_TRUE(fs::is_regular_file(f)) << f;
        EXPECT_EQ(f.rfind(folder, 0), 0u) << f;
    }
}

TEST_F(GSettingsWallpaper, CinnamonGetsTheUri)
{
    USE_SCHEMAS({{"cinnamon.gschema.xml", kCinnamonSchema}});
    std::string why;
    ASSERT_TRUE(setGSettingsWallpaper(Desktop::Cinnamon, picture_, source_, backend_, &why)) << why;
    EXPECT_EQ(read("org.cinnamon.desktop.background", "picture-uri"), uri_);
}

TEST_F(GSettingsWallpaper, MateGetsThePath)
{
    USE_SCHEMAS({{"mate.gschema.xml", kMateSchema}});
    std::string why;
    ASSERT_TRUE(setGSettingsWallpaper(Desktop::Mate, picture_, source_, backend_, &why)) << why;
    EXPECT_EQ(read("org.mate.background", "picture-filename"), picture_);
}

TEST_F(GSettingsWallpaper, AMissingSchemaIsAPlainFailure)
{
    USE_SCHEMAS({{"mate.gschema.xml", kMateSchema}});
    std::string why;
    EXPECT_FALSE(setGSettingsWallpaper(Desktop::Cinnamon, picture_, source_, backend_, &why));
    EXPECT_NE(why.find("org.cinnamon.desktop.background"), std::string::npos) << why;
    EXPECT_FALSE(fs::exists(keyfile_));
}

// GLib's own defaults, as the saver uses them: the schemas and key file of
// the environment. GLib reads that environment once, at its first use of
// settings, which in this program is here.
TEST_F(GSettingsWallpaper, TheDesktopOfTheEnvironmentThroughGLibsDefaults)
{
    fs::path dir = tmp_.path / "default-schemas";
    if (!compileSchemas(dir, {{"gnome.gschema.xml", kGnomeSchema}})) GTEST_SKIP() << "glib-compile-schemas is missing";
    fs::path config = tmp_.path / "config";
    ScopedEnv schemas("GSETTINGS_SCHEMA_DIR", dir.c_str());
    ScopedEnv backend("GSETTINGS_BACKEND", "keyfile");
    ScopedEnv home("XDG_CONFIG_HOME", config.c_str());
    ScopedEnv desk("XDG_CURRENT_DESKTOP", "ubuntu:GNOME");
    // Nothing may reach the user's own settings.
    ASSERT_EQ(fs::path(g_get_user_config_dir()), config) << "GLib had read the configuration folder before";
    std::string why;
    ASSERT_TRUE(setDesktopWallpaper(picture_, &why)) << why;
    GKeyFile* kf = g_key_file_new();
    std::string file = (config / "glib-2.0" / "settings" / "keyfile").string();
    ASSERT_TRUE(g_key_file_load_from_file(kf, file.c_str(), G_KEY_FILE_NONE, nullptr)) << file;
    gchar* v = g_key_file_get_value(kf, "org/gnome/desktop/background", "picture-uri", nullptr);
    ASSERT_NE(v, nullptr);
    GVariant* value = g_variant_parse(G_VARIANT_TYPE_STRING, v, nullptr, nullptr, nullptr);
    g_free(v);
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(std::string(g_variant_get_string(value, nullptr)), uri_);
    g_variant_unref(value);
    g_key_file_free(kf);
}

// ---- D-Bus ----

// A message bus of the test's own, with no services to start, and
// stand-in xfconf and Plasma shell services on it that record their calls.
class DesktopBus : public ::testing::Test, public fakes::FakeSessionBus {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(tmp_.path.empty());
        picture_ = (tmp_.path / kPictureName).string();
        if (!start(tmp_.path)) GTEST_SKIP() << "no dbus-daemon to run a bus of the test's own";
    }
    void TearDown() override { stop(); }
    void startServices(std::map<std::string, GVariant*> xfconfProperties, bool plasmaRefuses = false)
    {
        FakeSessionBus::startServices(std::move(xfconfProperties), plasmaRefuses);
        ASSERT_TRUE(servicesStarted_) << "the stand-in services did not start";
    }

    TempDir tmp_;
    std::string picture_;
};

TEST_F(DesktopBus, XfceGetsThePictureOnEveryMonitorAndWorkspace)
{
    const std::string screen = "/backdrop/screen0/";
    startServices({
        {screen + "monitorHDMI-1/workspace0/last-image", g_variant_ref_sink(g_variant_new_string("/old.png"))},
        {screen + "monitorHDMI-1/workspace1/last-image", g_variant_ref_sink(g_variant_new_string("/old.png"))},
        {screen + "monitoreDP-1/workspace0/last-image", g_variant_ref_sink(g_variant_new_string("/old.png"))},
        {screen + "monitoreDP-1/workspace0/image-style", g_variant_ref_sink(g_variant_new_int32(5))},
        {"/backdrop/single-workspace-mode", g_variant_ref_sink(g_variant_new_boolean(TRUE))},
    });
    ScopedEnv desk("XDG_CURRENT_DESKTOP", "XFCE");
    std::string why;
    ASSERT_TRUE(setDesktopWallpaper(picture_, &why)) << why;

    std::vector<Call> got = calls();
    ASSERT_EQ(got.size(), 4u);
    EXPECT_EQ(got[0].method, "GetAllProperties");
    EXPECT_EQ(got[0].args, (std::vector<std::string>{"xfce4-desktop", "/backdrop"}));
    std::vector<std::string> set;
    for (size_t i = 1; i < got.size(); ++i) {
        EXPECT_EQ(got[i].method, "SetProperty");
        ASSERT_EQ(got[i].args.size(), 3u);
        EXPECT_EQ(got[i].args[0], "xfce4-desktop");
        set.push_back(got[i].args[1]);
        EXPECT_EQ(got[i].args[2], picture_);
    }
    EXPECT_EQ(set, (std::vector<std::string>{screen + "monitorHDMI-1/workspace0/last-image",
                                             screen + "monitorHDMI-1/workspace1/last-image",
                                             screen + "monitoreDP-1/workspace0/last-image"}));
}

TEST_F(DesktopBus, XfceWithNoPictureYetGetsTheFirstMonitors)
{
    startServices({});
    ScopedEnv desk("XDG_CURRENT_DESKTOP", "XFCE");
    std::string why;
    ASSERT_TRUE(setDesktopWallpaper(picture_, &why)) << why;
    std::vector<Call> got = calls();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[1].method, "SetProperty");
    EXPECT_EQ(got[1].args[1], "/backdrop/screen0/monitor0/workspace0/last-image");
}

// A set of --set-wallpaper: each property takes the picture of its monitor,
// by the output's name or by its number; one of a monitor not known takes
// the primary's. Plasma gets the pictures by its screen numbers, the
// primary's first.
TEST_F(DesktopBus, EachMonitorGetsItsOwnPicture)
{
    const std::string screen = "/backdrop/screen0/";
    auto old = [] { return g_variant_ref_sink(g_variant_new_string("/old.png")); };
    startServices({
        {screen + "monitorHDMI-1/workspace0/last-image", old()},
        {screen + "monitorHDMI-1/workspace1/last-image", old()},
        {screen + "monitor0/workspace0/last-image", old()},
        {screen + "monitorVGA-7/workspace0/last-image", old()},
    });
    const std::vector<MonitorPicture> set = {{"eDP-1", false, "/w/one.png"}, {"HDMI-1", true, "/w/two.png"}};
    ScopedEnv desk("XDG_CURRENT_DESKTOP", "XFCE");
    std::string why;
    ASSERT_TRUE(setDesktopWallpapers(set, "/w/all.png", &why)) << why;
    std::map<std::string, std::string> got;
    for (const Call& c : calls())
        if (c.method == "SetProperty" && c.args.size() == 3) got[c.args[1]] = c.args[2];
    EXPECT_EQ(got, (std::map<std::string, std::string>{
                       {screen + "monitor0/workspace0/last-image", "/w/one.png"},
                       {screen + "monitorHDMI-1/workspace0/last-image", "/w/two.png"},
                       {screen + "monitorHDMI-1/workspace1/last-image", "/w/two.png"},
                       {screen + "monitorVGA-7/workspace0/last-image", "/w/two.png"},
                   }));

    ScopedEnv kde("XDG_CURRENT_DESKTOP", "KDE");
    ASSERT_TRUE(setDesktopWallpapers(set, "/w/all.png", &why)) << why;
    std::vector<Call> all = calls();
    ASSERT_EQ(all.back().method, "evaluateScript");
    EXPECT_EQ(all.back().args[0],
              plasmaWallpaperScript(std::vector<std::string>{"file:///w/two.png", "file:///w/one.png"}));
    EXPECT_NE(all.back().args[0].find("[\"file:///w/two.png\", \"file:///w/one.png\"]"), std::string::npos);
    EXPECT_NE(all.back().args[0].find("d.screen"), std::string::npos);
}

TEST_F(DesktopBus, XfceWithNoPictureYetGetsEachNamedMonitor)
{
    startServices({});
    ScopedEnv desk("XDG_CURRENT_DESKTOP", "XFCE");
    std::string why;
    ASSERT_TRUE(setDesktopWallpapers({{"DP-1", true, "/w/one.png"}, {"DP-2", false, "/w/two.png"}}, "", &why)) << why;
    std::vector<Call> got = calls();
    ASSERT_EQ(got.size(), 3u);
    EXPECT_EQ(got[1].args, (std::vector<std::string>{
                               "xfce4-desktop", "/backdrop/screen0/monitorDP-1/workspace0/last-image", "/w/one.png"}));
    EXPECT_EQ(got[2].args, (std::vector<std::string>{
                               "xfce4-desktop", "/backdrop/screen0/monitorDP-2/workspace0/last-image", "/w/two.png"}));
}

TEST_F(DesktopBus, WithoutTheServiceNothingIsSet)
{
    ScopedEnv desk("XDG_CURRENT_DESKTOP", "XFCE");
    std::string why;
    EXPECT_FALSE(setDesktopWallpaper(picture_, &why));
    EXPECT_NE(why.find("xfconf"), std::string::npos) << why;
    ScopedEnv kde("XDG_CURRENT_DESKTOP", "KDE");
    EXPECT_FALSE(setDesktopWallpaper(picture_, &why));
    EXPECT_NE(why.find("Plasma"), std::string::npos) << why;
}

TEST_F(DesktopBus, PlasmaRunsTheScriptForEveryDesktop)
{
    startServices({});
    ScopedEnv desk("XDG_CURRENT_DESKTOP", "KDE");
    std::string why;
    ASSERT_TRUE(setDesktopWallpaper(picture_, &why)) << why;
    std::vector<Call> got = calls();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].method, "evaluateScript");
    ASSERT_EQ(got[0].args.size(), 1u);
    std::string uri = "file://" + tmp_.path.string() + "/" + kPictureUriName;
    EXPECT_EQ(got[0].args[0], plasmaWallpaperScript(uri));
    EXPECT_NE(got[0].args[0].find("writeConfig(\"Image\", \"" + uri + "\")"), std::string::npos) << got[0].args[0];
}

TEST_F(DesktopBus, PlasmaRefusingTheScriptIsAFailure)
{
    startServices({}, true);
    ScopedEnv desk("XDG_CURRENT_DESKTOP", "KDE");
    std::string why;
    EXPECT_FALSE(setDesktopWallpaper(picture_, &why));
    EXPECT_NE(why.find("Widgets are locked"), std::string::npos) << why;
}

// ---- sway ----

// A stand-in sway: one connection, one i3-ipc message read, one reply of
// the message's type.
class SwaySocket : public ::testing::Test, public fakes::FakeSwaySocket {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(tmp_.path.empty());
        picture_ = (tmp_.path / kPictureName).string();
        ASSERT_TRUE(listen((tmp_.path / "sway-ipc.sock").string()));
    }

    TempDir tmp_;
    std::string picture_;
};

TEST_F(SwaySocket, RunsTheBackgroundCommandForEveryOutput)
{
    // sway expands a background's path as a shell word: a path with other
    // than plain characters reaches it as a link with a plain name, in a
    // folder of the user's own under the runtime folder.
    answerWith("[{\"success\":true}]");
    const fs::path runtime = tmp_.path / "runtime";
    fs::create_directories(runtime);
    ScopedEnv run("XDG_RUNTIME_DIR", runtime.c_str());
    ScopedEnv desk("XDG_CURRENT_DESKTOP", "sway");
    ScopedEnv sock("SWAYSOCK", socketPath_.c_str());
    std::string why;
    EXPECT_TRUE(setDesktopWallpaper(picture_, &why)) << why;
    server_.join();
    EXPECT_EQ(magic_, "i3-ipc");
    EXPECT_EQ(type_, 0u);
    const fs::path link = runtime / "sylvadra-wallpaper" / "picture-1.link";
    EXPECT_EQ(command_, "output * bg \"" + link.string() + "\" fill");
    EXPECT_EQ(fs::read_symlink(link), fs::path(picture_));
    // A plain path goes as it is.
    const std::string plain = (tmp_.path / "plain_1.png").string();
    answerWith("[{\"success\":true}]");
    EXPECT_TRUE(setDesktopWallpaper(plain, &why)) << why;
    server_.join();
    EXPECT_EQ(command_, "output * bg \"" + plain + "\" fill");
}

TEST_F(SwaySocket, ARefusalIsAFailure)
{
    answerWith("[ { \"success\": false, \"parse_error\": false, \"error\": \"Invalid output\" } ]");
    const fs::path runtime = tmp_.path / "runtime";
    fs::create_directories(runtime);
    ScopedEnv run("XDG_RUNTIME_DIR", runtime.c_str());
    std::string why;
    EXPECT_FALSE(setSwayWallpaper(socketPath_, picture_, &why));
    EXPECT_NE(why.find("Invalid output"), std::string::npos) << why;
}

// A socket that dribbles its answer a byte every second and a half: the
// call gives up once its deadline (10 s) has passed, not when the answer
// is whole.
TEST_F(SwaySocket, AnAnswerDribbledOutGivesUpAtTheDeadline)
{
    server_ = std::thread([this] {
        int c = ::accept(listener_, nullptr, nullptr);
        if (c < 0) return;
        const std::string out = std::string("i3-ipc") + std::string(8, '\0');
        for (char b : out) {
            if (::send(c, &b, 1, MSG_NOSIGNAL) != 1) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(1500));
        }
        ::close(c);
    });
    const auto start = std::chrono::steady_clock::now();
    std::vector<MonitorArea> outputs;
    std::string why;
    EXPECT_FALSE(swayOutputs(socketPath_, outputs, &why));
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, std::chrono::seconds(19)) << "waited for the whole answer";
    EXPECT_NE(why.find("in time"), std::string::npos) << why;
}

// sway's outputs as GET_OUTPUTS tells them: the active ones at their
// modes' pixels (turned ones turned), the focused one the primary.
TEST_F(SwaySocket, OutputsAreTheActiveOnesAtTheirPixels)
{
    answerWith(R"([ {"id": 3, "name": "eDP-1", "active": true, "focused": false, "scale": 2.0,
                     "transform": "normal", "rect": {"x": 0, "y": 0, "width": 1280, "height": 800},
                     "current_mode": {"width": 2560, "height": 1600, "refresh": 60000}},
                    {"name": "HDMI-A-1", "active": false, "rect": {"x": 0, "y": 0, "width": 0, "height": 0},
                     "current_mode": {"width": 1920, "height": 1080}, "modes": []},
                    {"name": "DP-\u00e9", "active": true, "focused": true, "transform": "flipped-90",
                     "rect": {"x": 1280, "y": -200, "width": 1080, "height": 1920},
                     "current_mode": {"width": 1920, "height": 1080, "refresh": 59950}, "make": "A \"B\" \\ C"} ])");
    std::vector<MonitorArea> outputs;
    std::string why;
    ASSERT_TRUE(swayOutputs(socketPath_, outputs, &why)) << why;
    server_.join();
    EXPECT_EQ(type_, 3u);
    EXPECT_EQ(command_, "");
    ASSERT_EQ(outputs.size(), 2u);
    EXPECT_EQ(outputs[0].name, "eDP-1");
    EXPECT_EQ(outputs[0].width, 2560);
    EXPECT_EQ(outputs[0].height, 1600);
    EXPECT_FALSE(outputs[0].primary);
    EXPECT_EQ(outputs[1].name, "DP-\xC3\xA9");
    EXPECT_EQ(outputs[1].width, 1080);
    EXPECT_EQ(outputs[1].height, 1920);
    EXPECT_EQ(outputs[1].x, 1280);
    EXPECT_EQ(outputs[1].y, -200);
    EXPECT_TRUE(outputs[1].primary);
    // Whatever is not an answer of outputs gives none.
    for (const char* bad : {"", "{}", "[", "[{\"name\": \"X\", \"active\": true}]", "[1, 2]"})
        EXPECT_TRUE(parseSwayOutputs(bad).empty()) << bad;
    EXPECT_EQ(swayBackgroundCommands({{"eDP-1", false, "/w/a \"1\".png"}, {"DP-2", true, "/w/b.png"}}),
              "output \"eDP-1\" bg \"/w/a \\\"1\\\".png\" fill; output \"DP-2\" bg \"/w/b.png\" fill");
    EXPECT_EQ(swayBackgroundCommands({{"", false, "/w/a.png"}, {"", true, "/w/b.png"}}),
              "output * bg \"/w/b.png\" fill");
}

TEST(SwayIpc, NoSocketIsAFailure)
{
    std::string why;
    EXPECT_FALSE(setSwayWallpaper("/nonexistent/sway-ipc.sock", "/tmp/x.bmp", &why));
    EXPECT_NE(why.find("cannot connect"), std::string::npos) << why;
}

} // namespace
} // namespace syl
