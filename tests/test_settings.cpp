// LoadConfig and SaveConfig over an in-memory store: the defaults, the
// conversions, the key order, and the three decisions about stored values
// that cannot be converted, lie outside the dialog's range, or were written
// with another decimal separator.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "global_state.h"
#include "errors/errptnr.h"
#include "errors/handler.h"
#include "platform/host.h"
#include "settings/config.h"
#include "settings/settings_store.h"

namespace syl {
namespace {

namespace fs = std::filesystem;

// Records the keys written and the defaults offered, in order.
class RecordingStore : public MemorySettingsStore {
public:
    std::string get(const std::string& app, const std::string& section, const std::string& key,
                    const std::string& def) override
    {
        reads.push_back(key);
        if (reading == 0) ++readsOutsideASession;
        defaults[key] = def;
        return MemorySettingsStore::get(app, section, key, def);
    }
    void set(const std::string& app, const std::string& section, const std::string& key,
             const std::string& value) override
    {
        if (failWrites) raiseError(kErrFileAccess);
        writes.push_back(key);
        MemorySettingsStore::set(app, section, key, value);
    }
    void setMany(const std::string& app, const std::string& section, const Values& values) override
    {
        ++batches;
        SettingsStore::setMany(app, section, values);
    }
    void beginReading() override { ++reading; }
    void endReading() override { --reading; }
    std::vector<std::string> reads, writes;
    std::map<std::string, std::string> defaults;
    bool failWrites = false;
    int batches = 0; // calls of setMany
    int reading = 0; // open reading sessions
    int readsOutsideASession = 0;
};

class SettingsTest : public GlobalState {
protected:
    void SetUp() override
    {
        GlobalState::SetUp();
        setSettingsStore(&store_);
        recordDispatches();
    }
    void put(const std::string& key, const std::string& value)
    {
        store_.MemorySettingsStore::set("Sylvadra", "Settings", key, value);
    }
    std::string stored(const std::string& key)
    {
        return store_.MemorySettingsStore::get("Sylvadra", "Settings", key, "<none>");
    }

    RecordingStore store_;
};

bool holdsText(const Settings& s, const std::string& text)
{
    const auto* t = std::get_if<std::string>(&s.maxFl);
    return t && *t == text;
}

TEST_F(SettingsTest, EmptyStoreGivesTheDefaults)
{
    for (char sep : {'.', ','}) {
        SCOPED_TRACE(sep);
        host_.separator = sep;
        settings() = Settings{};
        settings().halfMaxFl = 99;
        store_.reads.clear();
        LoadConfig();
        const Settings& s = settings();
        EXPECT_TRUE(holdsText(s, "6"));
        EXPECT_EQ(s.SpeedF, 6.0f);
        EXPECT_EQ(s.SpeedS, 0.53f);
        EXPECT_EQ(s.SpeedO, 6.0f);
        EXPECT_EQ(s.Speed, 5.0f);
        EXPECT_EQ(s.Date, 1);
        EXPECT_EQ(s.Time, 1);
        EXPECT_EQ(s.Restart, 1);
        EXPECT_EQ(s.rTime, 600);
        EXPECT_EQ(s.Wallpaper, 1);
        EXPECT_EQ(s.Sharp, 1);
        EXPECT_EQ(s.DayNight, 0);
        EXPECT_EQ(s.halfMaxFl, 3);
        EXPECT_TRUE(dispatches_.empty());
        // Read in the order of the table; defaults offered as text in the user's format.
        EXPECT_EQ(store_.reads,
                  (std::vector<std::string>{"maxFl", "SpeedF", "SpeedS", "SpeedO", "Speed", "Date", "Time", "Restart",
                                            "rTime", "Wallpaper", "Sharp", "DayNight"}));
        // All in one reading session, which is closed again.
        EXPECT_EQ(store_.readsOutsideASession, 0);
        EXPECT_EQ(store_.reading, 0);
        EXPECT_EQ(store_.defaults["SpeedS"], sep == ',' ? "0,53" : "0.53");
        EXPECT_EQ(store_.defaults["rTime"], "600");
        EXPECT_EQ(store_.defaults["maxFl"], "6");
    }
}

TEST_F(SettingsTest, HalfMaxFlRoundsHalvesToEven)
{
    struct Case {
        const char* maxFl;
        int half;
    };
    for (const Case& c : {Case{"7", 4}, Case{"5", 2}, Case{"6", 3}, Case{"9", 4}, Case{"3", 2}, Case{"5.84", 3},
                          Case{"5,84", 3}, Case{"2.5", 1}, Case{"10", 5}}) {
        SCOPED_TRACE(c.maxFl);
        put("maxFl", c.maxFl);
        LoadConfig();
        EXPECT_TRUE(holdsText(settings(), c.maxFl)); // held as the text read
        EXPECT_EQ(settings().halfMaxFl, c.half);
    }
    EXPECT_TRUE(dispatches_.empty());
}

TEST_F(SettingsTest, SwitchesConvertTo16BitRoundingHalvesToEven)
{
    struct Case {
        const char* text;
        int16_t value;
    };
    const Case cases[] = {{"1.6", 2}, {"1,6", 2}, {"0", 0}, {"-1", -1},       {"2.5", 2},
                          {"0.5", 0}, {"1.5", 2}, {"5", 5}, {"32767", 32767}, {" 1 ", 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        for (const char* key : {"Date", "Time", "Restart", "Wallpaper", "Sharp"}) put(key, c.text);
        LoadConfig();
        EXPECT_EQ(settings().Date, c.value);
        EXPECT_EQ(settings().Time, c.value);
        EXPECT_EQ(settings().Restart, c.value);
        EXPECT_EQ(settings().Wallpaper, c.value);
        EXPECT_EQ(settings().Sharp, c.value);
    }
    EXPECT_TRUE(dispatches_.empty());
}

TEST_F(SettingsTest, DialogValueOfMaxFlIsStoredWithTheSeparatorAndReadBackAsText)
{
    struct Case {
        char sep;
        const char* text;
    };
    for (const Case& c : {Case{',', "5,84"}, Case{'.', "5.84"}}) {
        SCOPED_TRACE(c.text);
        host_.separator = c.sep;
        settings().maxFl = 5.84; // as the dialog sets it
        SaveConfig();
        EXPECT_EQ(stored("maxFl"), c.text);
        settings() = Settings{};
        LoadConfig();
        EXPECT_TRUE(holdsText(settings(), c.text));
        EXPECT_DOUBLE_EQ(4 * settings().maxFlValue(), 23.36);
        EXPECT_EQ(settings().halfMaxFl, 3);
    }
}

TEST_F(SettingsTest, SaveConfigWritesTheTwelveKeysInOrderNeverHalfMaxFl)
{
    host_.separator = ',';
    Settings& s = settings();
    s.maxFl = std::string("7");
    s.SpeedF = 2.08f;
    s.SpeedS = 0.53f;
    s.SpeedO = 10.0f;
    s.Speed = 0.1f;
    s.Date = 0;
    s.Time = -1;
    s.Restart = 1;
    s.rTime = 5940;
    s.Wallpaper = 0;
    s.Sharp = 0;
    s.DayNight = 1;
    s.halfMaxFl = 12;
    SaveConfig();
    EXPECT_EQ(store_.writes, (std::vector<std::string>{"SpeedF", "maxFl", "SpeedS", "SpeedO", "Speed", "Date", "Time",
                                                       "Restart", "rTime", "Wallpaper", "Sharp", "DayNight"}));
    EXPECT_EQ(store_.batches, 1); // one write of the store for all twelve
    EXPECT_FALSE(store_.contains("Sylvadra", "Settings", "halfMaxFl"));
    EXPECT_EQ(store_.size(), 12u);
    const std::pair<const char*, const char*> expected[] = {
        {"SpeedF", "2,08"}, {"maxFl", "7"},     {"SpeedS", "0,53"}, {"SpeedO", "10"},
        {"Speed", "0,1"},   {"Date", "0"},      {"Time", "-1"},     {"Restart", "1"},
        {"rTime", "5940"},  {"Wallpaper", "0"}, {"Sharp", "0"},     {"DayNight", "1"},
    };
    for (const auto& [key, text] : expected) EXPECT_EQ(stored(key), text) << key;
    EXPECT_TRUE(dispatches_.empty());
}

TEST_F(SettingsTest, StoreWrittenUnderOneSeparatorReadsBackUnderTheOther)
{
    for (char writer : {'.', ','}) {
        SCOPED_TRACE(writer);
        const char reader = writer == '.' ? ',' : '.';
        host_.separator = writer;
        Settings& s = settings();
        s = Settings{};
        s.maxFl = 7.52;
        s.SpeedF = 3.12f;
        s.SpeedS = 0.97f;
        s.SpeedO = 9.92f;
        s.Speed = 2.3f;
        s.Date = 0;
        s.rTime = 1200;
        SaveConfig();
        host_.separator = reader;
        s = Settings{};
        LoadConfig();
        EXPECT_DOUBLE_EQ(s.maxFlValue(), 7.52);
        EXPECT_EQ(s.halfMaxFl, 4);
        EXPECT_EQ(s.SpeedF, 3.12f);
        EXPECT_EQ(s.SpeedS, 0.97f);
        EXPECT_EQ(s.SpeedO, 9.92f);
        EXPECT_EQ(s.Speed, 2.3f);
        EXPECT_EQ(s.Date, 0);
        EXPECT_EQ(s.rTime, 1200);
        EXPECT_TRUE(dispatches_.empty());
    }
}

// A text that cannot be converted: one dispatch, the default for that setting only.
TEST_F(SettingsTest, UnconvertibleTextTakesTheDefaultAfterOneDispatch)
{
    struct Case {
        const char* key;
        const char* text;
        int error;
    };
    const Case cases[] = {
        {"maxFl", "x", kErrTypeMismatch},  {"maxFl", "1e400", kErrOverflow},   {"SpeedF", "abc", kErrTypeMismatch},
        {"SpeedS", "1e39", kErrOverflow},  {"SpeedO", "", kErrTypeMismatch},   {"Speed", "1,000.5", kErrTypeMismatch},
        {"Date", "40000", kErrOverflow},   {"Time", "zz", kErrTypeMismatch},   {"Restart", "-32769", kErrOverflow},
        {"rTime", "3e9", kErrOverflow},    {"rTime", "ten", kErrTypeMismatch}, {"Wallpaper", "1.0.0", kErrTypeMismatch},
        {"Sharp", "on", kErrTypeMismatch},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.key) + "=" + c.text);
        store_.clear();
        dispatches_.clear();
        // Every other key holds a valid non-default value.
        const std::pair<const char*, const char*> others[] = {
            {"maxFl", "9"}, {"SpeedF", "3"},  {"SpeedS", "0.2"}, {"SpeedO", "4"},    {"Speed", "7"}, {"Date", "0"},
            {"Time", "0"},  {"Restart", "0"}, {"rTime", "120"},  {"Wallpaper", "0"}, {"Sharp", "0"},
        };
        for (const auto& [k, v] : others) put(k, v);
        put(c.key, c.text);
        settings() = Settings{};
        LoadConfig();

        ASSERT_EQ(dispatches_.size(), 1u);
        EXPECT_EQ(dispatches_[0].module, "Saver");
        EXPECT_EQ(dispatches_[0].procedure, "LoadConfig");
        EXPECT_EQ(dispatches_[0].number, c.error);
        EXPECT_EQ(dispatches_[0].line, 0);

        const Settings& s = settings();
        const std::string key = c.key;
        EXPECT_DOUBLE_EQ(s.maxFlValue(), key == "maxFl" ? 6 : 9);
        EXPECT_EQ(s.halfMaxFl, key == "maxFl" ? 3 : 4);
        EXPECT_EQ(s.SpeedF, key == "SpeedF" ? 6.0f : 3.0f);
        EXPECT_EQ(s.SpeedS, key == "SpeedS" ? 0.53f : 0.2f);
        EXPECT_EQ(s.SpeedO, key == "SpeedO" ? 6.0f : 4.0f);
        EXPECT_EQ(s.Speed, key == "Speed" ? 5.0f : 7.0f);
        EXPECT_EQ(s.Date, key == "Date" ? 1 : 0);
        EXPECT_EQ(s.Time, key == "Time" ? 1 : 0);
        EXPECT_EQ(s.Restart, key == "Restart" ? 1 : 0);
        EXPECT_EQ(s.rTime, key == "rTime" ? 600 : 120);
        EXPECT_EQ(s.Wallpaper, key == "Wallpaper" ? 1 : 0);
        EXPECT_EQ(s.Sharp, key == "Sharp" ? 1 : 0);
    }
}

// The dispatcher's answer to a bad value: Retry reads the key again (and
// keeps the default without a second dispatch if it is still bad), Ignore
// keeps the default, Cancel leaves LoadConfig, End ends the program.
TEST_F(SettingsTest, UnconvertibleTextObeysTheDispatchersAnswer)
{
    // A store whose bad Date is repaired while the failure is dispatched.
    put("Date", "bad");
    put("Time", "0");
    setDispatchHook([this](const char* m, const char* p, const RuntimeError& e, int line) {
        dispatches_.push_back({m, p, e.number(), line});
        put("Date", "0");
        return ErrorAction::Retry;
    });
    LoadConfig();
    EXPECT_EQ(dispatches_.size(), 1u);
    EXPECT_EQ(settings().Date, 0); // read again after the Retry
    EXPECT_EQ(settings().Time, 0);

    struct Case {
        ErrorAction answer;
        int16_t date, time; // Time is read after Date
        bool ends;
    };
    for (const Case& c : {Case{ErrorAction::Retry, 1, 0, false}, Case{ErrorAction::Ignore, 1, 0, false},
                          Case{ErrorAction::Cancel, 1, 7, false}, Case{ErrorAction(9), 1, 7, false},
                          Case{ErrorAction::End, 1, 7, true}}) {
        SCOPED_TRACE(static_cast<int>(c.answer));
        setDispatchHook([this, &c](const char* m, const char* p, const RuntimeError& e, int line) {
            dispatches_.push_back({m, p, e.number(), line});
            return c.answer;
        });
        put("Date", "bad");
        dispatches_.clear();
        settings().Date = 5;
        settings().Time = 7;
        bool ended = false;
        try {
            LoadConfig();
        } catch (const ProgramEnd&) {
            ended = true;
        }
        EXPECT_EQ(ended, c.ends);
        EXPECT_EQ(dispatches_.size(), 1u);
        EXPECT_EQ(settings().Date, c.date);
        EXPECT_EQ(settings().Time, c.time);
    }
}

// Values outside the dialog's range are clamped into it on load.
TEST_F(SettingsTest, OutOfRangeValuesAreClamped)
{
    struct Single {
        const char* key;
        float Settings::*member;
        const char* text;
        float value;
    };
    const Single singles[] = {
        {"SpeedF", &Settings::SpeedF, "0", 2.08f},    {"SpeedF", &Settings::SpeedF, "100", 10.0f},
        {"SpeedF", &Settings::SpeedF, "2.08", 2.08f}, {"SpeedF", &Settings::SpeedF, "2.07", 2.08f},
        {"SpeedS", &Settings::SpeedS, "0", 0.04f},    {"SpeedS", &Settings::SpeedS, "2", 1.03f},
        {"SpeedS", &Settings::SpeedS, "0,04", 0.04f}, {"SpeedS", &Settings::SpeedS, "1.03", 1.03f},
        {"SpeedO", &Settings::SpeedO, "-3", 2.08f},   {"SpeedO", &Settings::SpeedO, "10.5", 10.0f},
        {"Speed", &Settings::Speed, "0", 0.1f},       {"Speed", &Settings::Speed, "11", 10.0f},
        {"Speed", &Settings::Speed, "0.1", 0.1f},     {"Speed", &Settings::Speed, "-1e30", 0.1f},
    };
    for (const auto& c : singles) {
        SCOPED_TRACE(std::string(c.key) + "=" + c.text);
        put(c.key, c.text);
        LoadConfig();
        EXPECT_EQ(settings().*c.member, c.value);
    }

    struct Whole {
        const char* key;
        const char* text;
        long value;
    };
    const Whole wholes[] = {
        {"rTime", "0", 60},      {"rTime", "59", 60},     {"rTime", "60", 60},     {"rTime", "-5", 60},
        {"rTime", "5940", 5940}, {"rTime", "5941", 5940}, {"rTime", "6000", 5940}, {"rTime", "59.6", 60},
        {"Date", "5", 5},        {"Time", "-3", -3},      {"Restart", "0", 0},     {"Wallpaper", "7", 7},
    };
    for (const auto& c : wholes) {
        SCOPED_TRACE(std::string(c.key) + "=" + c.text);
        put(c.key, c.text);
        LoadConfig();
        const Settings& s = settings();
        const std::string key = c.key;
        const long got = key == "rTime"     ? s.rTime
                         : key == "Date"    ? s.Date
                         : key == "Time"    ? s.Time
                         : key == "Restart" ? s.Restart
                                            : s.Wallpaper;
        EXPECT_EQ(got, c.value);
    }

    struct MaxFl {
        const char* text;
        bool keptAsText;
        double value;
        int half;
    };
    const MaxFl maxFls[] = {
        {"0", false, 2.08, 1},  {"2", false, 2.08, 1},   {"11", false, 10, 5}, {"1e30", false, 10, 5},
        {"-4", false, 2.08, 1}, {"2.08", true, 2.08, 1}, {"10", true, 10, 5},  {"2,08", true, 2.08, 1},
    };
    for (const auto& c : maxFls) {
        SCOPED_TRACE(c.text);
        put("maxFl", c.text);
        LoadConfig();
        const Settings& s = settings();
        if (c.keptAsText) {
            EXPECT_TRUE(holdsText(s, c.text));
        } else {
            ASSERT_TRUE(std::holds_alternative<double>(s.maxFl));
        }
        EXPECT_DOUBLE_EQ(s.maxFlValue(), c.value);
        EXPECT_EQ(s.halfMaxFl, c.half);
    }
    EXPECT_TRUE(dispatches_.empty());
}

TEST_F(SettingsTest, WriteFailureIsDispatchedFromSaveConfig)
{
    store_.failWrites = true;
    answer_ = ErrorAction::Ignore;
    SaveConfig();
    ASSERT_EQ(dispatches_.size(), 1u); // the one write of all eleven keys failed and was passed over
    for (const auto& d : dispatches_) {
        EXPECT_EQ(d.module, "Saver");
        EXPECT_EQ(d.procedure, "SaveConfig");
        EXPECT_EQ(d.number, kErrFileAccess);
        EXPECT_EQ(d.line, 0);
    }
}

// With the real dispatcher: protocols are written, two bad values in one
// LoadConfig are two failures, neither ends the program.
TEST_F(SettingsTest, BadValuesGoThroughTheErrorFormWithoutEndingTheProgram)
{
    const fs::path dir =
        fs::temp_directory_path() /
        ("sylvadra-settings-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    fs::create_directories(dir);
    host_.exePath_ = (dir / "Sylvadra.scr").string();
    host_.userDataDir_ = (dir / "user").string();
    setDispatchHook({});
    ErrPtnr::Unload();

    put("SpeedF", "fast");
    put("rTime", "1e12");
    LoadConfig();
    EXPECT_EQ(settings().SpeedF, 6.0f);
    EXPECT_EQ(settings().rTime, 600);
    EXPECT_EQ(ErrPtnr::lblError(0), "6 (Overflow)");
    EXPECT_EQ(ErrPtnr::lblError(1), "Saver");
    EXPECT_EQ(ErrPtnr::lblError(2), "LoadConfig");
    EXPECT_EQ(ErrPtnr::lblError(3), "0");
    EXPECT_EQ(host_.beeps, 2);

    std::ifstream in(dir / "Sylvadra.EPT", std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    const std::string protocol = text.str();
    EXPECT_NE(protocol.find("13 (Type mismatch)"), std::string::npos);
    EXPECT_NE(protocol.find("6 (Overflow)"), std::string::npos);
    in.close();

    ErrPtnr::Unload();
    std::error_code ec;
    fs::remove_all(dir, ec);
}

TEST(SettingsStore, MemoryStoreKeepsTextsByApplicationSectionAndKey)
{
    MemorySettingsStore m;
    EXPECT_EQ(m.get("A", "S", "k", "def"), "def");
    m.set("A", "S", "k", "1");
    m.set("A", "T", "k", "2");
    m.set("B", "S", "k", "3");
    EXPECT_EQ(m.get("A", "S", "k", "def"), "1");
    EXPECT_EQ(m.get("A", "T", "k", "def"), "2");
    EXPECT_EQ(m.get("B", "S", "k", "def"), "3");
    EXPECT_EQ(m.get("A", "S", "K", "def"), "def");
    m.set("A", "S", "k", "");
    EXPECT_EQ(m.get("A", "S", "k", "def"), ""); // an empty text is a value
    EXPECT_EQ(m.size(), 3u);
}

TEST(SettingsStore, GetSettingAndSaveSettingUseTheInstalledStore)
{
    MemorySettingsStore m;
    setSettingsStore(&m);
    SaveSetting("Sylvadra", "Settings", "Speed", "3");
    EXPECT_EQ(m.get("Sylvadra", "Settings", "Speed", ""), "3");
    EXPECT_EQ(GetSetting("Sylvadra", "Settings", "Speed", "5"), "3");
    EXPECT_EQ(GetSetting("Sylvadra", "Settings", "Date", "1"), "1");
    EXPECT_EQ(&settingsStore(), &m);
    setSettingsStore(nullptr);
    EXPECT_NE(&settingsStore(), &m);
}

} // namespace
} // namespace syl
