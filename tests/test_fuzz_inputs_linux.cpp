// The corpora of the settings and command-line fuzz targets, with every
// input the fuzzers ever found failing, replayed through the same checks
// (tests/fuzz/settings_checks.h and cmdline_checks.h) in every build,
// Windows excepted (the settings target reads the Linux key file).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "errors/handler.h"
#include "fuzz/cmdline_checks.h"
#include "fuzz/settings_checks.h"
#include "platform/host.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::pair<std::string, std::string>> corpus(const char* target)
{
    std::vector<std::pair<std::string, std::string>> inputs;
    for (const auto& e : fs::directory_iterator(fs::path(SYLVADRA_SOURCE_DIR) / "tests" / "fuzz" / "corpus" / target)) {
        std::ifstream in(e.path(), std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        inputs.emplace_back(e.path().filename().string(), s.str());
    }
    return inputs;
}

TEST(FuzzInputs, SettingsCorpusKeepsItsRules)
{
    syl::HeadlessHost h;
    syl::setHost(&h);
    syl::setDispatchHook([](const char*, const char*, const syl::RuntimeError&, int) {
        ++fuzz::settingsDispatches();
        return syl::ErrorAction::Retry;
    });
    const auto inputs = corpus("settings");
    EXPECT_GE(inputs.size(), 10u);
    for (const auto& [name, bytes] : inputs) EXPECT_EQ(fuzz::checkSettingsInput(bytes), "") << name;
    // What the corpus cannot hold: lines and values of almost a megabyte,
    // the largest settings file that is read.
    const std::string megabyte((1 << 20) - 64, '5');
    for (const std::string& big : {"[Settings]\n" + megabyte + "\nSpeed=3\n", "[Settings]\nmaxFl=" + megabyte + "\n"})
        EXPECT_EQ(fuzz::checkSettingsFile(big), "");
    fuzz::removeScratchFolder();
    syl::setDispatchHook({});
    syl::setHost(nullptr);
    syl::settings() = syl::Settings{};
}

// Found by the settings fuzz target: a line holding only a vertical tab
// looks blank to std::isspace but not to GKeyFile, and used to make the
// whole damaged file unreadable, while a write brought its keys back.
TEST(FuzzInputs, LineOfAVerticalTabKeepsTheRestOfADamagedFileReadable)
{
    namespace fs = std::filesystem;
    const fs::path dir = fuzz::scratchFolder();
    std::ofstream(dir / "sylvadra" / "settings.ini", std::ios::binary) << "[Settings]\nmaxFl=7\n\v\n]\nSpeed=3\n";
    auto store = syl::makeIniSettingsStore(dir.string());
    EXPECT_EQ(store->get("Sylvadra", "Settings", "maxFl", "-"), "7");
    EXPECT_EQ(store->get("Sylvadra", "Settings", "Speed", "-"), "3");
    store->set("Sylvadra", "Settings", "Date", "0");
    EXPECT_EQ(store->get("Sylvadra", "Settings", "maxFl", "-"), "7");
    EXPECT_EQ(store->get("Sylvadra", "Settings", "Speed", "-"), "3");
    EXPECT_EQ(store->get("Sylvadra", "Settings", "Date", "-"), "0");
    fuzz::removeScratchFolder();
}

TEST(FuzzInputs, CommandLineCorpusKeepsItsRules)
{
    const auto inputs = corpus("cmdline");
    EXPECT_GE(inputs.size(), 20u);
    for (const auto& [name, bytes] : inputs) EXPECT_EQ(fuzz::checkCommandLine(bytes), "") << name;
}

} // namespace
