// The saver options (--speed, --flowers, --date, ...): one table serves the
// parser, --help, xscreensaver's settings page and the man page. These tests
// keep the four in step, hold the ranges to the settings dialog's, and check
// what each option does to the settings of the run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <functional>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

// GCC 12 takes std::regex's moved states for maybe uninitialized when it
// inlines them at -O2 and above (a false alarm inside libstdc++).
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include "errors/handler.h"
#include "platform/host.h"
#include "settings/config.h"
#include "settings/frmconfig.h"
#include "settings/settings_store.h"
#include "shell/cmdline.h"
#include "shell/options.h"

namespace syl {
namespace {

// The setting an option stands for, read back as a number.
double settingValue(const Settings& s, const std::string& key)
{
    static const std::map<std::string, std::function<double(const Settings&)>> get = {
        {"Speed", [](const Settings& x) { return double(x.Speed); }},
        {"maxFl", [](const Settings& x) { return x.maxFlValue(); }},
        {"SpeedF", [](const Settings& x) { return double(x.SpeedF); }},
        {"SpeedS", [](const Settings& x) { return double(x.SpeedS); }},
        {"SpeedO", [](const Settings& x) { return double(x.SpeedO); }},
        {"Date", [](const Settings& x) { return double(x.Date); }},
        {"Time", [](const Settings& x) { return double(x.Time); }},
        {"Restart", [](const Settings& x) { return double(x.Restart); }},
        {"Wallpaper", [](const Settings& x) { return double(x.Wallpaper); }},
        {"Sharp", [](const Settings& x) { return double(x.Sharp); }},
        {"DayNight", [](const Settings& x) { return double(x.DayNight); }},
    };
    auto it = get.find(key);
    if (it == get.end()) {
        ADD_FAILURE() << "no setting " << key;
        return NAN;
    }
    return it->second(s);
}

// The dialog's slider of a stored setting.
int sliderOf(const std::string& key)
{
    static const std::map<std::string, int> m = {
        {"maxFl", 0}, {"SpeedF", 1}, {"SpeedS", 3}, {"SpeedO", 4}, {"Speed", 5}};
    auto it = m.find(key);
    return it == m.end() ? -1 : it->second;
}

// The option that turns a switch or a period off: "--no-date", "--classic".
std::string offOption(const SaverOption& o)
{
    return "--" + (o.offName ? std::string(o.offName) : "no-" + std::string(o.name));
}

std::vector<std::string> split(const std::string& s)
{
    std::istringstream in(s);
    std::vector<std::string> v;
    for (std::string w; in >> w;) v.push_back(w);
    return v;
}

CommandLine parse(const std::string& line) { return parseCommandLine(split(line)); }
// Options of a full-screen run (on Windows no switch is the settings dialog).
CommandLine parseRun(const std::string& line) { return parse(line + " /S"); }

Settings applied(const std::string& line)
{
    CommandLine c = parseRun(line);
    EXPECT_EQ(c.error, "") << line;
    Settings s;
    applyOverrides(c.overrides, s);
    return s;
}

std::string text(double v)
{
    std::ostringstream o;
    o << v;
    return o.str();
}

class OptionsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setHost(&host_);
        setSettingsStore(&store_);
        settings() = Settings{};
    }
    void TearDown() override
    {
        setPendingOverrides({});
        setSettingsStore(nullptr);
        setHost(nullptr);
        settings() = Settings{};
    }
    HeadlessHost host_;
    MemorySettingsStore store_;
};

// ---- The table ----------------------------------------------------------

TEST(OptionsTable, HoldsEveryOptionOnceWithItsSetting)
{
    std::map<std::string, std::string> expected = {
        {"speed", "Speed"},         {"flowers", "maxFl"}, {"flower-speed", "SpeedF"}, {"cloud-speed", "SpeedS"},
        {"object-speed", "SpeedO"}, {"date", "Date"},     {"time", "Time"},           {"restart", "Restart"},
        {"wallpaper", "Wallpaper"}, {"sharp", "Sharp"},   {"day-night", "DayNight"},
    };
    std::map<std::string, std::string> seen;
    for (const SaverOption& o : saverOptions()) {
        EXPECT_TRUE(seen.emplace(o.name, o.setting).second) << "twice: " << o.name;
        EXPECT_LT(o.low, o.high) << o.name;
        EXPECT_GE(o.def, o.low) << o.name;
        EXPECT_LE(o.def, o.high) << o.name;
        EXPECT_NE(o.row, nullptr) << o.name;
        EXPECT_NE(std::string(o.label), "") << o.name;
    }
    EXPECT_EQ(seen, expected);
}

// The ranges and defaults are those of the settings dialog: a slider at 1
// and at 100, the minutes at 1 and 99, and "&Default Standard" store them.
TEST_F(OptionsTest, RangesAndDefaultsAreTheDialogs)
{
    for (const SaverOption& o : saverOptions()) {
        SCOPED_TRACE(o.name);
        if (o.kind == OptionKind::Number) {
            int slider = sliderOf(o.setting);
            ASSERT_GE(slider, 0);
            for (auto [value, want] : {std::pair{1, o.low}, std::pair{100, o.high}, std::pair{0, o.def}}) {
                settings() = Settings{};
                FrmConfig f;
                f.Form_Load();
                if (value) f.userScroll(slider, value);
                else f.cmdReset_Click();
                f.cmdOK_Click();
                EXPECT_NEAR(settingValue(settings(), o.setting), want, 1e-5) << "slider " << value;
            }
        } else if (o.kind == OptionKind::Period) {
            for (auto [spin, want] : {std::pair{99, o.low}, std::pair{1, o.high}, std::pair{0, o.def}}) {
                settings() = Settings{};
                FrmConfig f;
                f.Form_Load();
                if (spin) f.userSpin(spin);
                else f.cmdReset_Click();
                f.cmdOK_Click();
                EXPECT_EQ(settings().rTime, static_cast<int32_t>(want * 60)) << "spinner " << spin;
            }
        } else {
            EXPECT_EQ(o.low, 0);
            EXPECT_EQ(o.high, 1);
            // The dialog's boxes are checked by default, but for the time of
            // day: a landscape is lit by day unless asked.
            const double def = std::string(o.setting) == "DayNight" ? 0 : 1;
            EXPECT_EQ(o.def, def);
            EXPECT_EQ(settingValue(Settings{}, o.setting), def);
        }
    }
}

// ---- The parser ---------------------------------------------------------

TEST(OptionsParser, EveryNumberTakesItsSettingAndIsClampedIntoItsRange)
{
    for (const SaverOption& o : saverOptions()) {
        if (o.kind != OptionKind::Number) continue;
        SCOPED_TRACE(o.name);
        const std::string n = std::string("--") + o.name + " ";
        double mid = (o.low + o.high) / 2;
        EXPECT_NEAR(settingValue(applied(n + text(mid)), o.setting), mid, 1e-5);
        EXPECT_NEAR(settingValue(applied(n + text(o.low - 1)), o.setting), o.low, 1e-6);
        EXPECT_NEAR(settingValue(applied(n + text(o.high + 100)), o.setting), o.high, 1e-6);
        EXPECT_NEAR(settingValue(applied(n + "-5"), o.setting), o.low, 1e-6);
        // Nothing else changes.
        Settings s = applied(n + text(mid)), d;
        for (const SaverOption& other : saverOptions())
            if (std::string(other.setting) != o.setting) {
                EXPECT_EQ(settingValue(s, other.setting), settingValue(d, other.setting)) << other.setting;
            }
    }
}

TEST(OptionsParser, SwitchesSetAndClearTheirSetting)
{
    for (const SaverOption& o : saverOptions()) {
        if (o.kind == OptionKind::Number) continue;
        SCOPED_TRACE(o.name);
        Settings off = applied(offOption(o));
        EXPECT_EQ(settingValue(off, o.setting), 0);
        Settings start;
        start.Date = start.Time = start.Restart = start.Wallpaper = start.Sharp = start.DayNight = 0;
        CommandLine c = parseRun(std::string("--") + o.name + (o.kind == OptionKind::Period ? " 7" : ""));
        ASSERT_EQ(c.error, "");
        applyOverrides(c.overrides, start);
        EXPECT_EQ(settingValue(start, o.setting), 1);
    }
}

TEST(OptionsParser, RestartTakesWholeMinutesFromOneTo99)
{
    EXPECT_EQ(applied("--restart 5").rTime, 300);
    EXPECT_EQ(applied("--restart 5").Restart, 1);
    EXPECT_EQ(applied("--restart 2.5").rTime, 120); // half to even
    EXPECT_EQ(applied("--restart 3.5").rTime, 240);
    EXPECT_EQ(applied("--restart 0").rTime, 60);
    EXPECT_EQ(applied("--restart 1000").rTime, 99 * 60);
    Settings s = applied("--no-restart");
    EXPECT_EQ(s.Restart, 0);
    EXPECT_EQ(s.rTime, 600); // the period stays as it was
}

TEST(OptionsParser, FlowersAlsoSetHalfMaxFl)
{
    Settings s = applied("--flowers 7");
    EXPECT_EQ(s.halfMaxFl, 4); // 3.5 to even
    EXPECT_EQ(applied("--flowers 5").halfMaxFl, 2);
    EXPECT_EQ(applied("--flowers 99").halfMaxFl, 5);
    EXPECT_DOUBLE_EQ(applied("--flowers 99").maxFlValue(), 10);
}

TEST(OptionsParser, TheLaterOfTwoOptionsWins)
{
    EXPECT_EQ(applied("--restart 5 --no-restart").Restart, 0);
    Settings s = applied("--no-restart --restart 5");
    EXPECT_EQ(s.Restart, 1);
    EXPECT_EQ(s.rTime, 300);
    EXPECT_FLOAT_EQ(applied("--speed 2 --speed 3").Speed, 3.0f);
    EXPECT_EQ(applied("--date --no-date").Date, 0);
    EXPECT_EQ(applied("--classic --sharp").Sharp, 1);
    EXPECT_EQ(applied("--sharp --classic").Sharp, 0);
}

TEST(OptionsParser, ValueForms)
{
    EXPECT_FLOAT_EQ(applied("--speed=2.5").Speed, 2.5f);
    EXPECT_FLOAT_EQ(applied("--speed 2,5").Speed, 2.5f);
    EXPECT_FLOAT_EQ(applied("--cloud-speed .5").SpeedS, 0.5f);
    EXPECT_FLOAT_EQ(applied("--speed +7").Speed, 7.0f);
    double v = 0;
    for (const char* bad : {"", "abc", "1.2.3", "1,2,3", "1e3", "0x10", "nan", "inf", "-", ".", "1 2", "5%"})
        EXPECT_FALSE(parseOptionNumber(bad, v)) << bad;
}

TEST(OptionsParser, MistakesAreNamed)
{
    EXPECT_EQ(parse("--speed").error, "--speed needs a value");
    EXPECT_EQ(parse("--restart").error, "--restart needs a value");
    EXPECT_EQ(parse("--speed fast").error, "bad --speed value 'fast'");
    EXPECT_EQ(parse("--date=1").error, "--date takes no value");
    EXPECT_EQ(parse("--no-restart=3").error, "--no-restart takes no value");
    EXPECT_EQ(parse("--no-speed").error, "unknown option --no-speed");
    EXPECT_EQ(parse("--speeds 3").error, "unknown option --speeds");
    EXPECT_EQ(parse("--classic=1").error, "--classic takes no value");
    EXPECT_EQ(parse("--no-sharp").error, "unknown option --no-sharp");
    EXPECT_EQ(parse("--no-classic").error, "unknown option --no-classic");
}

TEST(OptionsParser, GoWithTheRunningSaverOnly)
{
    for (const char* ok : {"--speed 3 /S", "--no-date /s", "--window-id 0x1234 --flowers 3 /S",
                           "--root --no-wallpaper /S", "--seed 4 --time /s"}) {
        CommandLine c = parse(ok);
        EXPECT_EQ(c.error, "") << ok;
        EXPECT_EQ(c.overrides.size(), 1u) << ok;
    }
    // No switch: the full screen, except on Windows, where the system passes
    // no switch for "Configure" and the settings dialog opens.
    for (const char* none : {"--speed 3", "--seed 4 --time", "--window-id 0x1234 --flowers 3", ""}) {
        CommandLine c = parse(none);
#ifdef _WIN32
        EXPECT_EQ(c.commandText, "/C") << none;
        if (!c.overrides.empty()) {
            EXPECT_NE(c.error.find(" goes with the running saver, not with /C"), std::string::npos) << none;
        }
#else
        EXPECT_EQ(c.commandText, "") << none;
        EXPECT_EQ(c.error, "") << none;
#endif
    }
    EXPECT_EQ(parse("--speed 3 /C").error, "--speed goes with the running saver, not with /C");
    EXPECT_EQ(parse("--no-date /p 123").error, "--no-date goes with the running saver, not with /P");
    EXPECT_EQ(parse("--time /A 5").error, "--time goes with the running saver, not with /A");
    CommandLine r = parse("--render x.png --speed 3");
    EXPECT_EQ(r.error, "--speed goes with the running saver, not with --render");
    EXPECT_FALSE(r.render.has_value()); // a wrong command line renders nothing
    // How landscapes are composed also goes with the preview and a render,
    // but not with the dialog.
    for (const char* ok : {"--sharp /P 123", "--classic /p 123", "--render x.png --classic", "--sharp --render x.png",
                           "--window-id 0x1234 --classic /S", "--root --sharp /S"}) {
        CommandLine c = parse(ok);
        EXPECT_EQ(c.error, "") << ok;
        ASSERT_EQ(c.overrides.size(), 1u) << ok;
        EXPECT_EQ(c.overrides[0].option->setting, std::string("Sharp")) << ok;
    }
    EXPECT_TRUE(parse("--render x.png --classic").render.has_value());
    EXPECT_EQ(parse("--classic --no-date /P 123").error, "--no-date goes with the running saver, not with /P");
    EXPECT_EQ(parse("--render x.png --sharp --speed 3").error,
              "--speed goes with the running saver, not with --render");
    EXPECT_EQ(parse("--classic /C").error, "--classic goes with the running saver, not with /C");
#ifndef _WIN32
    // A new wallpaper takes a seed and nothing of a run.
    EXPECT_TRUE(parse("--set-wallpaper --seed 4").setWallpaper);
    EXPECT_EQ(parse("--seed 4 --set-wallpaper").error, "");
    EXPECT_EQ(parse("--set-wallpaper --classic").error, "");
    EXPECT_EQ(parse("--set-wallpaper --no-date").error,
              "--no-date goes with the running saver, not with --set-wallpaper");
    for (const char* wrong : {"--set-wallpaper /S", "--root --set-wallpaper", "--set-wallpaper --window-id 5",
                              "--set-wallpaper --render x.png", "--size 9x9 --set-wallpaper"})
        EXPECT_NE(parse(wrong).error, "") << wrong;
    // The background takes what a run takes, and its own two options.
    CommandLine b = parse("--background --layer bottom --always-animate --no-date");
    EXPECT_EQ(b.error, "");
    EXPECT_TRUE(b.background && b.layerBottom && b.alwaysAnimate);
    EXPECT_EQ(parse("--layer bottom /S").error, "--layer goes with --background");
    EXPECT_EQ(parse("--always-animate").error, "--always-animate goes with --background");
    EXPECT_EQ(parse("--background --layer top").error, "bad --layer 'top' (background or bottom)");
    for (const char* wrong : {"--background /S", "--background --root", "--background --set-wallpaper"})
        EXPECT_NE(parse(wrong).error, "") << wrong;
#endif
    // The switch text is not read as options.
    CommandLine c = parse("/S --speed 3");
    EXPECT_EQ(c.error, "");
    EXPECT_TRUE(c.overrides.empty());
    EXPECT_EQ(c.commandText, "/S --speed 3");
}

TEST_F(OptionsTest, PendingOverridesTakeThePlaceOfTheLoadedSettings)
{
    store_.set(kSettingsApp, kSettingsSection, "Speed", "2");
    store_.set(kSettingsApp, kSettingsSection, "Date", "1");
    store_.set(kSettingsApp, kSettingsSection, "rTime", "900");
    setPendingOverrides(parseRun("--speed 8 --no-date").overrides);
    LoadConfig();
    EXPECT_FLOAT_EQ(settings().Speed, 2.0f);
    applyPendingOverrides();
    EXPECT_FLOAT_EQ(settings().Speed, 8.0f);
    EXPECT_EQ(settings().Date, 0);
    EXPECT_EQ(settings().rTime, 900); // not given: the stored value
    // Nothing is written to the store.
    EXPECT_EQ(store_.get(kSettingsApp, kSettingsSection, "Speed", ""), "2");
    EXPECT_EQ(store_.get(kSettingsApp, kSettingsSection, "Date", ""), "1");
    EXPECT_EQ(store_.size(), 3u);
}

// ---- --help -------------------------------------------------------------

TEST(OptionsHelp, NamesEveryOptionWithItsRange)
{
    const std::string h = usageText();
    for (const SaverOption& o : saverOptions()) {
        SCOPED_TRACE(o.name);
        const std::string n = std::string("--") + o.name;
        std::regex line("\n  " + n + "[ ,]");
        EXPECT_TRUE(std::regex_search(h, line));
        if (o.kind != OptionKind::Number) {
            EXPECT_NE(h.find(offOption(o)), std::string::npos);
        }
        if (o.kind != OptionKind::Switch) {
            std::string range = "(" + text(o.low) + " to " + text(o.high) + ", default " + text(o.def) + ")";
            size_t at = h.find("\n  " + n + " ");
            ASSERT_NE(at, std::string::npos);
            EXPECT_NE(h.find(range, at), std::string::npos) << range;
            EXPECT_LT(h.find(range, at), h.find("\n  --", at + 1)) << range;
        }
    }
    std::istringstream in(h);
    for (std::string l; std::getline(in, l);) EXPECT_LE(l.size(), 79u) << l;
}

// ---- xscreensaver's settings page ----------------------------------------

struct XmlElement {
    std::string tag;
    std::map<std::string, std::string> attr;
};

std::vector<XmlElement> elements(const std::string& xml)
{
    std::vector<XmlElement> out;
    std::regex el("<(number|boolean|command)\\b([^>]*)/>");
    std::regex at("([_a-z-]+)=\"([^\"]*)\"");
    for (std::sregex_iterator i(xml.begin(), xml.end(), el), e; i != e; ++i) {
        XmlElement x{(*i)[1], {}};
        std::string attrs = (*i)[2];
        for (std::sregex_iterator j(attrs.begin(), attrs.end(), at); j != e; ++j) x.attr[(*j)[1]] = (*j)[2];
        out.push_back(x);
    }
    return out;
}

// xscreensaver puts a number's value in place of the "%" of its arg.
CommandLine runWith(const std::string& arg, const std::string& value)
{
    std::string a = arg;
    size_t p = a.find('%');
    if (p != std::string::npos) a.replace(p, 1, value);
    return parseRun(a);
}

TEST(OptionsXml, HasAControlOfEveryOptionWithTheDialogsRange)
{
    const std::string xml = xscreensaverSettingsPage();
    EXPECT_EQ(xml.rfind("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>", 0), 0u);
    EXPECT_NE(xml.find("<screensaver name=\"sylvadra\" _label=\"Sylvadra\">"), std::string::npos);
    EXPECT_NE(xml.find("<_description>"), std::string::npos);
    EXPECT_EQ(xml.substr(xml.size() - 15), "</screensaver>\n");

    std::set<std::string> covered, ids;
    for (const XmlElement& e : elements(xml)) {
        if (e.tag == "command") {
            EXPECT_EQ(e.attr.at("arg"), "--root");
            continue;
        }
        const std::string id = e.attr.at("id");
        EXPECT_TRUE(ids.insert(id).second) << "id twice: " << id;
        EXPECT_TRUE(e.attr.count("_label")) << id;
        if (e.tag == "number") {
            const std::string arg = e.attr.at("arg");
            CommandLine lo = runWith(arg, e.attr.at("low")), hi = runWith(arg, e.attr.at("high")),
                        def = runWith(arg, e.attr.at("default"));
            ASSERT_EQ(lo.error, "") << arg;
            ASSERT_EQ(lo.overrides.size(), 1u) << arg;
            const SaverOption& o = *lo.overrides[0].option;
            EXPECT_NE(o.kind, OptionKind::Switch) << arg;
            EXPECT_EQ(arg, "--" + std::string(o.name) + " %");
            EXPECT_DOUBLE_EQ(lo.overrides[0].value, o.low) << arg;
            EXPECT_DOUBLE_EQ(hi.overrides.at(0).value, o.high) << arg;
            EXPECT_DOUBLE_EQ(def.overrides.at(0).value, o.def) << arg;
            EXPECT_DOUBLE_EQ(std::stod(e.attr.at("low")), o.low) << arg;
            EXPECT_DOUBLE_EQ(std::stod(e.attr.at("high")), o.high) << arg;
            EXPECT_DOUBLE_EQ(std::stod(e.attr.at("default")), o.def) << arg;
            EXPECT_EQ(e.attr.at("type"), o.kind == OptionKind::Period ? "spinbutton" : "slider");
            covered.insert(std::string(o.name) + (o.kind == OptionKind::Period ? " value" : ""));
        } else {
            // Boxes are as the dialog's are by default: those on pass
            // --no-NAME unchecked, the one off (the time of day) --NAME
            // checked.
            const bool onByDefault = id != "day-night";
            EXPECT_EQ(e.attr.count(onByDefault ? "arg-set" : "arg-unset"), 0u) << id;
            CommandLine c = parseRun(e.attr.at(onByDefault ? "arg-unset" : "arg-set"));
            ASSERT_EQ(c.error, "") << id;
            ASSERT_EQ(c.overrides.size(), 1u) << id;
            EXPECT_EQ(c.overrides[0].on, !onByDefault) << id;
            EXPECT_EQ(id, c.overrides[0].option->name);
            covered.insert(c.overrides[0].option->name);
        }
    }
    std::set<std::string> expected;
    for (const SaverOption& o : saverOptions()) {
        expected.insert(o.name);
        if (o.kind == OptionKind::Period) expected.insert(std::string(o.name) + " value");
    }
    EXPECT_EQ(covered, expected);
}

TEST(OptionsXml, TheMinutesComeBeforeTheirBox)
{
    // xscreensaver passes the controls in the page's order: an unchecked
    // restart box must follow the minutes to win.
    const std::string xml = xscreensaverSettingsPage();
    size_t minutes = xml.find("arg=\"--restart %\""), box = xml.find("arg-unset=\"--no-restart\"");
    ASSERT_NE(minutes, std::string::npos);
    ASSERT_NE(box, std::string::npos);
    EXPECT_LT(minutes, box);
    EXPECT_EQ(applied("--restart 10 --no-restart").Restart, 0);
}

TEST(OptionsXml, TextsAreEscaped)
{
    const std::string xml = xscreensaverSettingsPage();
    std::string inside;
    bool inTag = false;
    for (char ch : xml) {
        if (ch == '<') inTag = true;
        else if (ch == '>') inTag = false;
        else if (!inTag) inside += ch;
    }
    EXPECT_EQ(inside.find('&'), std::string::npos) << "a bare & in the page's text";
}

// ---- The man page -------------------------------------------------------

TEST(OptionsManPage, DescribesEveryOptionWithItsRange)
{
    std::ifstream f(std::string(SYLVADRA_SOURCE_DIR) + "/docs/sylvadra.6");
    ASSERT_TRUE(f) << "docs/sylvadra.6";
    std::stringstream ss;
    ss << f.rdbuf();
    const std::string man = ss.str();
    EXPECT_EQ(man.find(".TH SYLVADRA 6"), 0u);
    for (const SaverOption& o : saverOptions()) {
        SCOPED_TRACE(o.name);
        // Every dash of a name is "\-" in roff.
        std::string n = "\\-\\-";
        for (const char* c = o.name; *c; ++c) n += *c == '-' ? std::string("\\-") : std::string(1, *c);
        // The entry: ".B", ".BI" or ".BR" and the option's name.
        size_t at = std::string::npos;
        for (const char* macro : {"\n.B ", "\n.BI ", "\n.BR "}) at = std::min(at, man.find(macro + n + ' '));
        at = std::min(at, man.find("\n.B " + n + '\n'));
        ASSERT_NE(at, std::string::npos);
        if (o.kind != OptionKind::Number) {
            std::string off;
            for (char c : offOption(o)) off += c == '-' ? std::string("\\-") : std::string(1, c);
            EXPECT_NE(man.find(off), std::string::npos) << off;
        }
        if (o.kind != OptionKind::Switch) {
            std::string range = text(o.low) + " to " + text(o.high) + " (default " + text(o.def) + ")";
            size_t r = man.find(range, at);
            EXPECT_NE(r, std::string::npos) << range;
            EXPECT_LT(r, man.find(".TP", at)) << range;
        }
    }
}

} // namespace
} // namespace syl
