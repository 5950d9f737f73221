// The settings dialog frmConfig without a window system: loading the
// controls from the settings, the mappings both ways, the enabling rule,
// the buttons and failures at load. (The about box: test_about.cpp; the
// controls and the layout: test_controls.cpp.)
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <variant>
#include <vector>

#include "global_state.h"
#include "about/frminfo.h"
#include "errors/handler.h"
#include "platform/controls.h"
#include "platform/host.h"
#include "scene/frmmain.h"
#include "settings/config.h"
#include "settings/frmconfig.h"
#include "settings/settings_store.h"

namespace syl {
namespace {

class DialogTest : public GlobalState {
protected:
    void SetUp() override
    {
        GlobalState::SetUp();
        setSettingsStore(&store_);
        answer_ = ErrorAction::Ignore;
        recordDispatches();
    }
    std::string stored(const std::string& key) { return store_.get(kSettingsApp, kSettingsSection, key, "<none>"); }
    std::vector<int> sliders(const FrmConfig& f)
    {
        return {f.HScroll(0).Value, f.HScroll(1).Value, f.HScroll(3).Value, f.HScroll(4).Value, f.HScroll(5).Value};
    }
    std::vector<int> boxes(const FrmConfig& f)
    {
        return {f.chkOpt[0].Value, f.chkOpt[1].Value, f.chkOpt[2].Value, f.chkOpt[3].Value, f.chkOpt[4].Value};
    }

    MemorySettingsStore store_;
};

// ---- Form_Load ----------------------------------------------------------

TEST_F(DialogTest, ControlsBeforeLoadHoldTheirDesignValues)
{
    FrmConfig f;
    for (int i : {0, 1, 3, 4, 5}) {
        SCOPED_TRACE(i);
        const ScrollBarControl& s = f.HScroll(i);
        EXPECT_EQ(s.Min, 1);
        EXPECT_EQ(s.Max, 100);
        EXPECT_EQ(s.SmallChange, 5);
        EXPECT_EQ(s.LargeChange, 20);
        EXPECT_EQ(s.Value, 50);
    }
    EXPECT_EQ(f.vscTime.Min, 1);
    EXPECT_EQ(f.vscTime.Max, 99);
    EXPECT_EQ(boxes(f), (std::vector<int>{0, 0, 0, 0, 0}));
    EXPECT_TRUE(f.chkOpt[3].Caption.empty());
}

TEST_F(DialogTest, SliderTwoIsNoControl)
{
    FrmConfig f;
    for (int i : {-1, 2, 6}) {
        SCOPED_TRACE(i);
        try {
            (void)f.HScroll(i);
            FAIL() << "no error";
        } catch (const RuntimeError& e) {
            EXPECT_EQ(e.number(), kErrSubscript);
        }
    }
}

TEST_F(DialogTest, DefaultsOpenInTheMiddleWithAllBoxesCheckedAndTenMinutes)
{
    FrmConfig f;
    f.Form_Load();
    EXPECT_EQ(sliders(f), (std::vector<int>{50, 50, 50, 50, 50}));
    EXPECT_EQ(boxes(f), (std::vector<int>{1, 1, 1, 1, 1}));
    EXPECT_EQ(f.lblTime.Caption, "10");
    EXPECT_EQ(f.vscTime.Value, 90);
    EXPECT_TRUE(f.vscTime.Enabled);
    EXPECT_EQ(f.lblTime.ForeColor, RGB(0, 0, 0));
    EXPECT_EQ(f.chkOpt[3].Caption, "Save last picture as wallpaper\nLetztes Bild als Hintergrundbild speichern");
    EXPECT_TRUE(dispatches_.empty());
}

struct LoadCase {
    const char* name;
    std::variant<std::string, double> maxFl;
    float SpeedF, SpeedS, SpeedO, Speed;
    int32_t rTime;
    std::vector<int> sliders;
    const char* minutes;
    int spinner;
};

TEST_F(DialogTest, LoadMapsEverySettingToItsControl)
{
    const LoadCase cases[] = {
        {"defaults", std::string("6"), 6, 0.53f, 6, 5, 600, {50, 50, 50, 50, 50}, "10", 90},
        {"6.04 shows 50", std::string("6.04"), 6, 0.53f, 6, 5, 600, {50, 50, 50, 50, 50}, "10", 90},
        {"lowest", std::string("2.08"), 2.08f, 0.04f, 2.08f, 0.1f, 60, {1, 1, 1, 1, 1}, "1", 99},
        {"highest", 10.0, 10, 1.03f, 10, 10, 5940, {100, 100, 100, 100, 100}, "99", 1},
        {"one above the middle", 6.08, 6.08f, 0.54f, 6.08f, 5.1f, 660, {51, 51, 51, 51, 51}, "11", 89},
        {"comma text", std::string("6,08"), 6, 0.53f, 6, 5, 600, {51, 50, 50, 50, 50}, "10", 90},
        {"90 seconds show 1 minute", std::string("6"), 6, 0.53f, 6, 5, 90, {50, 50, 50, 50, 50}, "1", 99},
        {"119 seconds show 1 minute", std::string("6"), 6, 0.53f, 6, 5, 119, {50, 50, 50, 50, 50}, "1", 99},
        // (6.1 - 2) * 12.5 = 51.25 and (2.1 - 2) * 12.5 = 1.25 round down.
        {"between steps", std::string("6.1"), 2.1f, 0.535f, 6, 5.04f, 600, {51, 1, 51, 50, 50}, "10", 90},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        dispatches_.clear();
        Settings& s = settings();
        s = Settings{};
        s.maxFl = c.maxFl;
        s.SpeedF = c.SpeedF;
        s.SpeedS = c.SpeedS;
        s.SpeedO = c.SpeedO;
        s.Speed = c.Speed;
        s.rTime = c.rTime;
        FrmConfig f;
        f.Form_Load();
        EXPECT_EQ(sliders(f), c.sliders);
        EXPECT_EQ(f.lblTime.Caption, c.minutes);
        EXPECT_EQ(f.vscTime.Value, c.spinner);
        EXPECT_TRUE(dispatches_.empty());
    }
}

TEST_F(DialogTest, LoadSetsTheBoxesFromTheSwitches)
{
    const struct {
        int16_t date, time, restart, wallpaper, sharp;
    } cases[] = {{0, 0, 0, 0, 0}, {1, 0, 0, 0, 0}, {0, 1, 0, 0, 0}, {0, 0, 1, 0, 0},
                 {0, 0, 0, 1, 0}, {0, 0, 0, 0, 1}, {1, 1, 1, 1, 1}};
    for (const auto& c : cases) {
        settings() = Settings{};
        settings().Date = c.date;
        settings().Time = c.time;
        settings().Restart = c.restart;
        settings().Wallpaper = c.wallpaper;
        settings().Sharp = c.sharp;
        FrmConfig f;
        f.Form_Load();
        EXPECT_EQ(boxes(f), (std::vector<int>{c.date, c.time, c.restart, c.wallpaper, c.sharp}));
    }
}

TEST_F(DialogTest, AnyNonZeroSwitchLoadsAsACheckedBoxAndOkStoresOne)
{
    // 2 is what a stored 1.6 reads as; the saver treats every non-zero
    // value as on.
    const struct {
        int16_t date, time, restart, wallpaper, sharp;
    } cases[] = {{2, 0, -1, 0, 2}, {0, -1, 0, 2, 0}, {32767, -32768, 2, -1, -1}};
    for (const auto& c : cases) {
        dispatches_.clear();
        settings() = Settings{};
        settings().Date = c.date;
        settings().Time = c.time;
        settings().Restart = c.restart;
        settings().Wallpaper = c.wallpaper;
        settings().Sharp = c.sharp;
        FrmConfig f;
        f.Form_Load();
        EXPECT_TRUE(dispatches_.empty());
        const std::vector<int> expected{c.date != 0, c.time != 0, c.restart != 0, c.wallpaper != 0, c.sharp != 0};
        EXPECT_EQ(boxes(f), expected);
        // The enabling rule follows the restart box.
        EXPECT_EQ(f.vscTime.Enabled, c.restart != 0);
        f.cmdOK_Click();
        EXPECT_EQ(stored("Date"), std::to_string(expected[0]));
        EXPECT_EQ(stored("Time"), std::to_string(expected[1]));
        EXPECT_EQ(stored("Restart"), std::to_string(expected[2]));
        EXPECT_EQ(stored("Wallpaper"), std::to_string(expected[3]));
        EXPECT_EQ(stored("Sharp"), std::to_string(expected[4]));
    }
}

struct BadLoadCase {
    const char* name;
    void (*change)(Settings&);
    int number;
    std::vector<int> sliders; // what the controls hold when the failing statements are skipped
    int spinner;
};

TEST_F(DialogTest, ValueOutsideAControlsRangeFailsAtLoadAndIsDispatched)
{
    const BadLoadCase cases[] = {
        {"maxFl above 10", [](Settings& s) { s.maxFl = 11.0; }, 380, {50, 50, 50, 50, 50}, 90},
        {"maxFl text below 2", [](Settings& s) { s.maxFl = std::string("1"); }, 380, {50, 50, 50, 50, 50}, 90},
        {"SpeedS 0", [](Settings& s) { s.SpeedS = 0; }, 380, {50, 50, 50, 50, 50}, 90},
        {"Speed 20", [](Settings& s) { s.Speed = 20; }, 380, {50, 50, 50, 50, 50}, 90},
        {"Speed beyond 16 bits", [](Settings& s) { s.Speed = 4000; }, 6, {50, 50, 50, 50, 50}, 90},
        {"rTime below a minute", [](Settings& s) { s.rTime = 59; }, 380, {50, 50, 50, 50, 50}, 1},
        {"rTime of 100 minutes", [](Settings& s) { s.rTime = 6000; }, 380, {50, 50, 50, 50, 50}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        dispatches_.clear();
        settings() = Settings{};
        c.change(settings());
        FrmConfig f;
        f.Form_Load();
        ASSERT_EQ(dispatches_.size(), 1u);
        EXPECT_EQ(dispatches_[0].module, "frmConfig");
        EXPECT_EQ(dispatches_[0].procedure, "Form_Load");
        EXPECT_EQ(dispatches_[0].number, c.number);
        // The failing statement is skipped (Ignore); the rest still loads.
        EXPECT_EQ(sliders(f), c.sliders);
        EXPECT_EQ(f.vscTime.Value, c.spinner);
        EXPECT_EQ(f.chkOpt[3].Caption, kWallpaperCaption);
    }
}

TEST_F(DialogTest, LoadFailureAnsweredWithCancelLeavesTheRestUnloaded)
{
    answer_ = ErrorAction::Cancel;
    settings().maxFl = 11.0;
    FrmConfig f;
    f.Form_Load();
    ASSERT_EQ(dispatches_.size(), 1u);
    EXPECT_EQ(boxes(f), (std::vector<int>{0, 0, 0, 0, 0}));
    EXPECT_TRUE(f.lblTime.Caption.empty());
}

TEST(DialogText, MinutesPatternAndLeadingNumber)
{
    const struct {
        long long v;
        const char* text;
    } hashes[] = {{0, ""}, {1, "1"}, {10, "10"}, {99, "99"}, {100, "100"}, {-3, "-3"}};
    for (const auto& c : hashes) EXPECT_EQ(formatHashes(c.v), c.text) << c.v;

    const struct {
        const char* text;
        double v;
    } numbers[] = {{"10", 10}, {"", 0}, {"  7", 7}, {"1.5", 1.5}, {"12 min", 12}, {"x1", 0}, {"-2", -2}};
    for (const auto& c : numbers) EXPECT_DOUBLE_EQ(leadingNumber(c.text), c.v) << c.text;
}

// ---- Enabling rule ---------------------------------------------------------

TEST_F(DialogTest, EnablingRuleAtLoad)
{
    const struct {
        int16_t restart;
        bool enabled;
        Color colour;
    } cases[] = {{1, true, RGB(0, 0, 0)}, {0, false, RGB(192, 192, 192)}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.restart);
        settings() = Settings{};
        settings().Restart = c.restart;
        FrmConfig f;
        f.Form_Load();
        EXPECT_EQ(f.vscTime.Enabled, c.enabled);
        EXPECT_EQ(f.lblTime.ForeColor, c.colour);
    }
}

TEST_F(DialogTest, EnablingRuleFollowsTheRestartBoxWhicheverBoxIsClicked)
{
    FrmConfig f;
    f.Form_Load();
    const struct {
        int box;
        bool checked;
        bool enabled;
    } steps[] = {
        {2, false, false}, {0, false, false}, {3, false, false}, {1, true, false},  {4, false, false},
        {2, true, true},   {0, true, true},   {4, true, true},   {2, false, false}, {2, true, true},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(::testing::Message() << "box " << s.box << " checked " << s.checked);
        f.userCheck(s.box, s.checked);
        EXPECT_EQ(f.chkOpt[static_cast<size_t>(s.box)].Value, s.checked ? 1 : 0);
        EXPECT_EQ(f.vscTime.Enabled, s.enabled);
        EXPECT_EQ(f.lblTime.ForeColor, s.enabled ? qbColor(0) : qbColor(7));
    }
    EXPECT_TRUE(dispatches_.empty());
}

// ---- The minutes spinner ------------------------------------------------------

TEST_F(DialogTest, SpinnerShowsOneHundredMinusItsValue)
{
    FrmConfig f;
    f.Form_Load();
    const struct {
        long long value;
        int held;
        const char* minutes;
    } steps[] = {{89, 89, "11"}, {99, 99, "1"}, {1, 1, "99"}, {0, 1, "99"}, {150, 99, "1"}, {90, 90, "10"}};
    for (const auto& s : steps) {
        f.userSpin(s.value);
        EXPECT_EQ(f.vscTime.Value, s.held) << s.value;
        EXPECT_EQ(f.lblTime.Caption, s.minutes) << s.value;
    }
}

// ---- "&OK" -------------------------------------------------------------------

struct OkCase {
    const char* name;
    int slider;
    int value;
    const char* key;
    const char* text;
};

TEST_F(DialogTest, OkStoresWhatTheSlidersShow)
{
    const OkCase cases[] = {
        {"flowers 51", 0, 51, "maxFl", "6.08"},
        {"flowers 1", 0, 1, "maxFl", "2.08"},
        {"flowers 100", 0, 100, "maxFl", "10"},
        {"flowers 50", 0, 50, "maxFl", "6"},
        {"flower speed 51", 1, 51, "SpeedF", "6.08"},
        {"clouds 51", 3, 51, "SpeedS", "0.54"},
        {"clouds 1", 3, 1, "SpeedS", "0.04"},
        {"clouds 100", 3, 100, "SpeedS", "1.03"},
        {"objects 99", 4, 99, "SpeedO", "9.92"},
        {"rate 51", 5, 51, "Speed", "5.1"},
        {"rate 1", 5, 1, "Speed", "0.1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        store_.clear();
        settings() = Settings{};
        FrmConfig f;
        f.Form_Load();
        f.userScroll(c.slider, c.value);
        f.cmdOK_Click();
        EXPECT_EQ(stored(c.key), c.text);
        EXPECT_TRUE(f.closed());
    }
    EXPECT_TRUE(dispatches_.empty());
}

TEST_F(DialogTest, OkStoresTheFlowerAmountAsADouble)
{
    FrmConfig f;
    f.Form_Load();
    f.userScroll(0, 51);
    f.cmdOK_Click();
    ASSERT_TRUE(std::holds_alternative<double>(settings().maxFl));
    EXPECT_DOUBLE_EQ(std::get<double>(settings().maxFl), 6.08);
    EXPECT_EQ(settings().halfMaxFl, 3); // not recomputed by the dialog
}

TEST_F(DialogTest, OkWritesNumbersWithTheUsersDecimalSeparator)
{
    host_.separator = ',';
    FrmConfig f;
    f.Form_Load();
    f.userScroll(0, 51);
    f.userScroll(3, 51);
    f.cmdOK_Click();
    EXPECT_EQ(stored("maxFl"), "6,08");
    EXPECT_EQ(stored("SpeedS"), "0,54");
}

TEST_F(DialogTest, AStored604ShowsFiftyAndIsStoredBackAsSix)
{
    settings().maxFl = std::string("6.04");
    FrmConfig f;
    f.Form_Load();
    EXPECT_EQ(f.HScroll(0).Value, 50);
    f.cmdOK_Click();
    EXPECT_EQ(stored("maxFl"), "6");
}

TEST_F(DialogTest, OkStoresTheMinutesInSeconds)
{
    const struct {
        int32_t rTime;
        long long spin; // 0: leave the spinner
        const char* stored;
    } cases[] = {{90, 0, "60"}, {600, 0, "600"}, {5940, 0, "5940"}, {600, 89, "660"}, {600, 1, "5940"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rTime);
        settings() = Settings{};
        settings().rTime = c.rTime;
        FrmConfig f;
        f.Form_Load();
        if (c.spin) f.userSpin(c.spin);
        f.cmdOK_Click();
        EXPECT_EQ(stored("rTime"), c.stored);
        EXPECT_EQ(settings().rTime, std::stol(c.stored));
    }
}

TEST_F(DialogTest, OkStoresTheBoxes)
{
    FrmConfig f;
    f.Form_Load();
    f.userCheck(0, false);
    f.userCheck(2, false);
    f.userCheck(3, false);
    f.userCheck(4, false);
    f.cmdOK_Click();
    EXPECT_EQ(stored("Date"), "0");
    EXPECT_EQ(stored("Time"), "1");
    EXPECT_EQ(stored("Restart"), "0");
    EXPECT_EQ(stored("Wallpaper"), "0");
    EXPECT_EQ(stored("Sharp"), "0");
    EXPECT_EQ(settings().Sharp, 0);
}

TEST_F(DialogTest, OkSavesAllSettingsBeforeItCloses)
{
    std::size_t storedWhenClosed = 0;
    FrmConfig f({{}, {}, [&] { storedWhenClosed = store_.size(); }});
    f.Form_Load();
    f.cmdOK_Click();
    EXPECT_EQ(storedWhenClosed, 12u);
    EXPECT_FALSE(store_.contains(kSettingsApp, kSettingsSection, "halfMaxFl"));
}

TEST_F(DialogTest, ClosingWithoutOkStoresNothing)
{
    {
        FrmConfig f;
        f.Form_Load();
        f.userScroll(0, 51);
        f.userCheck(2, false);
        f.userSpin(80);
        f.cmdReset_Click();
        EXPECT_FALSE(f.closed());
    }
    EXPECT_EQ(store_.size(), 0u);
}

// ---- "&Default Standard" --------------------------------------------------------

TEST_F(DialogTest, DefaultStandardRestoresTheControlsButNotTheWallpaperBox)
{
    const struct {
        int16_t wallpaper;
    } cases[] = {{0}, {1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.wallpaper);
        settings() = Settings{};
        settings().maxFl = 10.0;
        settings().Speed = 0.1f;
        settings().Date = 0;
        settings().Restart = 0;
        settings().rTime = 60;
        settings().Wallpaper = c.wallpaper;
        settings().Sharp = 0;
        FrmConfig f;
        f.Form_Load();
        f.userScroll(3, 7);
        f.cmdReset_Click();
        EXPECT_EQ(sliders(f), (std::vector<int>{50, 50, 50, 50, 50}));
        // The sharp pictures are part of what the saver shows; the wallpaper is not.
        EXPECT_EQ(boxes(f), (std::vector<int>{1, 1, 1, c.wallpaper, 1}));
        EXPECT_EQ(f.lblTime.Caption, "10");
        EXPECT_EQ(f.vscTime.Value, 90);
        // Checking the restart box ran the rule again.
        EXPECT_TRUE(f.vscTime.Enabled);
        EXPECT_EQ(f.lblTime.ForeColor, qbColor(0));
    }
    EXPECT_EQ(store_.size(), 0u);
}

// ---- "&Info..." and "&WWW..." -----------------------------------------------

TEST_F(DialogTest, InfoAndWwwGoThroughThePlatform)
{
    int infos = 0;
    std::vector<std::string> pages;
    FrmConfig f({[&] { ++infos; }, [&](const std::string& url) { pages.push_back(url); }, {}});
    f.Form_Load();
    for (const auto& c : frmConfigControls())
        if (c.kind == ConfigControlKind::Button && std::string(c.name) != "cmdOK") f.userPress(c);
    EXPECT_EQ(infos, 1);
    EXPECT_EQ(pages, (std::vector<std::string>{kWebPage}));
    EXPECT_FALSE(f.closed());
}

TEST_F(DialogTest, FailuresOfTheButtonsAreDispatchedWithTheirProcedureNames)
{
    FrmConfig f({[] { raiseError(kErrOutOfMemory); }, [](const std::string&) { raiseError(kErrFileNotFound); }, {}});
    f.cmdInfo_Click();
    f.cmdhomepage_Click();
    ASSERT_EQ(dispatches_.size(), 2u);
    EXPECT_EQ(dispatches_[0].procedure, "cmdInfo_Click");
    EXPECT_EQ(dispatches_[0].number, kErrOutOfMemory);
    EXPECT_EQ(dispatches_[1].procedure, "cmdhomepage_Click");
    EXPECT_EQ(dispatches_[1].module, "frmConfig");
}

} // namespace
} // namespace syl
