// The error form: the record OnError fills, the protocol text to the byte,
// the protocol file and its fallback folder, the repeat guard, and the
// per-procedure handler's obedience to the four actions.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <new>
#include <sstream>
#include <string>
#include <vector>

#include "errors/errptnr.h"
#include "errors/handler.h"
#include "platform/sysinfo.h"
#include "platform/host.h"
#include "shell/saver.h"

namespace syl {
namespace {

namespace fs = std::filesystem;

const std::string D = std::string(70, '-') + "\r\n";
const std::string I(10, ' ');

std::string readAll(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

int countOf(const std::string& text, const std::string& part)
{
    int n = 0;
    for (size_t p = text.find(part); p != std::string::npos; p = text.find(part, p + 1)) ++n;
    return n;
}

class ErrPtnrTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        root_ = fs::temp_directory_path() /
                ("sylvadra-errors-" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
        fs::create_directories(root_ / "app");
        host_.exePath_ = (root_ / "app" / "Sylvadra.scr").string();
        host_.userDataDir_ = (root_ / "user" / "Sylvadra").string();
        host_.clock = LocalDateTime{2024, 3, 5, 7, 8, 9, 0};
        host_.sysInfo = SystemInfo{2, "", 5, 1, 0x05010A28, servicePackBuffer("Service Pack 3")};
        setHost(&host_);
        ErrPtnr::Unload();
        resetSaverState();
    }
    void TearDown() override
    {
        setSaverPlatform(nullptr);
        resetSaverState();
        setDispatchHook({});
        ErrPtnr::Unload();
        setHost(nullptr);
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
    fs::path besideExe() const { return root_ / "app" / "Sylvadra.EPT"; }
    fs::path inUserFolder() const { return root_ / "user" / "Sylvadra" / "Sylvadra.EPT"; }
    // A path below a regular file: no user, root included, can create it.
    std::string blockedFolder()
    {
        std::ofstream(root_ / "plain") << "x";
        return (root_ / "plain" / "sub").string();
    }

    fs::path root_;
    HeadlessHost host_;
};

// A 9x-family system whose password check keeps the saver running: the only
// case in which exitScreensaver returns while the saver runs full screen.
class KeptRunning : public SaverPlatform {
public:
    explicit KeptRunning(std::function<void()> onCheck) : onCheck_(std::move(onCheck)) {}
    bool isWinNT() override { return false; }
    bool verifyScreenSavePwd() override
    {
        onCheck_();
        return false;
    }

private:
    std::function<void()> onCheck_;
};

TEST_F(ErrPtnrTest, ProtocolTextIsExact)
{
    ErrPtnr::SetProgInfo("X  V3.10.510");
    EXPECT_EQ(ErrPtnr::OnError("Allgemein", "Zz", RuntimeError(6), 0), ErrorAction::Retry);

    const std::string expected = D + "F E H L E R P R O T O K O L L  /  E R R O R   P R O T O C O L L\r\n" + D +
                                 "PROGRAMM-INFO:\r\n"
                                 "          X  V3.10.510\r\n" +
                                 D +
                                 "FEHLERBESCHREIBUNG / ERROR DESCRIPTION:\r\n"
                                 "          Fehler-Nr / error :\t6 (Overflow)\r\n"
                                 "          Modul:\tAllgemein\r\n"
                                 "          Prozedur / procedure:\tZz\r\n"
                                 "          Zeile / Line:\t0\r\n"
                                 "          Datum/Uhrzeit (Date/Time):\t03-05-2024 / 07:08:09\r\n" +
                                 D +
                                 "SYSTEMINFO:\r\n"
                                 "          Plattform/Environment:\tWindows NT\r\n"
                                 "          Version:\t5.1\r\n"
                                 "          Build:\t2600   Service Pack 3\r\n" +
                                 D;
    EXPECT_EQ(ErrPtnr::BuildProtocol(), expected);
    EXPECT_EQ(readAll(besideExe()), expected + "\r\n");
}

TEST_F(ErrPtnrTest, RecordHoldsNumberDescriptionModuleProcedureAndLine)
{
    struct Case {
        RuntimeError error;
        const char* module;
        const char* procedure;
        int line;
        const char* value0;
        const char* value3;
    };
    const Case cases[] = {
        {RuntimeError(6), "Allgemein", "Zz", 0, "6 (Overflow)", "0"},
        {RuntimeError(11), "frmMain", "Form_Resize", 50030, "11 (Division by zero)", "50030"},
        {RuntimeError(326, "Resource with identifier '5' not found"), "frmMain", "Baum", 50120,
         "326 (Resource with identifier '5' not found)", "50120"},
        {RuntimeError(75), "frmConfig", "cmdOK_Click", 0, "75 (Path/File access error)", "0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value0);
        ErrPtnr::OnError(c.module, c.procedure, c.error, c.line);
        EXPECT_EQ(ErrPtnr::lblError(0), c.value0);
        EXPECT_EQ(ErrPtnr::lblError(1), c.module);
        EXPECT_EQ(ErrPtnr::lblError(2), c.procedure);
        EXPECT_EQ(ErrPtnr::lblError(3), c.value3);
    }
    const char* titles[] = {"Fehler-Nr / error :", "Modul:", "Prozedur / procedure:", "Zeile / Line:"};
    for (int k = 0; k < 4; ++k) EXPECT_EQ(ErrPtnr::lblErrTitel(k), titles[k]);
    for (int bad : {-1, 4}) {
        EXPECT_THROW(ErrPtnr::lblError(bad), RuntimeError);
        EXPECT_THROW(ErrPtnr::lblErrTitel(bad), RuntimeError);
    }
}

TEST_F(ErrPtnrTest, ProgramInfoDefaultsToNameAndVersionAndKeepsItsFirstValue)
{
    const VersionInfo v = programVersion();
    const std::string version =
        "  V" + std::to_string(v.major) + "." + std::to_string(v.minor) + "." + std::to_string(v.revision);
    struct Case {
        std::string exe;
        std::string name;
    };
    const Case cases[] = {
        {(root_ / "app" / "Sylvadra.scr").string(), "Sylvadra"},
        {(root_ / "app" / "sylvadra").string(), "sylvadra"},
        {(root_ / "app" / "my.saver.scr").string(), "my.saver"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.exe);
        ErrPtnr::Unload();
        EXPECT_EQ(ErrPtnr::lblProgInfo(), "");
        host_.exePath_ = c.exe;
        ErrPtnr::OnError("Saver", "Main", RuntimeError(5), 0);
        EXPECT_EQ(ErrPtnr::lblProgInfo(), c.name + version);
        // Stays for later failures, even if the executable's name were another.
        host_.exePath_ = (root_ / "app" / "Other.scr").string();
        ErrPtnr::OnError("Saver", "Main", RuntimeError(5), 10);
        EXPECT_EQ(ErrPtnr::lblProgInfo(), c.name + version);
    }
    // A text set before the first failure is kept.
    ErrPtnr::Unload();
    ErrPtnr::SetProgInfo("Custom  V9.9.9");
    ErrPtnr::OnError("Saver", "Main", RuntimeError(5), 0);
    EXPECT_EQ(ErrPtnr::lblProgInfo(), "Custom  V9.9.9");
}

TEST_F(ErrPtnrTest, TwoFailuresGiveTwoProtocolsSeparatedByAnEmptyLine)
{
    ErrPtnr::OnError("frmConfig", "cmdOK_Click", RuntimeError(75), 0);
    const std::string first = ErrPtnr::BuildProtocol();
    host_.clock.second = 10;
    ErrPtnr::OnError("Allgemein", "Zz", RuntimeError(6), 0);
    const std::string second = ErrPtnr::BuildProtocol();
    EXPECT_NE(first, second);
    EXPECT_EQ(readAll(besideExe()), first + "\r\n" + second + "\r\n");
    EXPECT_EQ(countOf(readAll(besideExe()), D + "\r\n" + D), 1);
    // Both carry the same program info.
    EXPECT_EQ(countOf(readAll(besideExe()), I + ErrPtnr::lblProgInfo() + "\r\n"), 2);
}

TEST_F(ErrPtnrTest, StepsRunInOrderAndEndTheRunningSaver)
{
    struct Seen {
        bool written;
        int beeps, pointerResets;
    };
    std::vector<Seen> seen;
    KeptRunning platform([&] { seen.push_back({fs::exists(besideExe()), host_.beeps, host_.pointerResets}); });
    setSaverPlatform(&platform);

    ErrPtnr::OnError("frmPreview", "Form_Resize", RuntimeError(9), 0); // not running: nothing ends
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(host_.beeps, 1);
    EXPECT_EQ(host_.pointerResets, 1);

    SaverRunning() = -1;
    EXPECT_EQ(ErrPtnr::OnError("Allgemein", "Zz", RuntimeError(6), 0), ErrorAction::Retry);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_TRUE(seen[0].written); // protocol, beep and pointer reset come before the ending
    EXPECT_EQ(seen[0].beeps, 2);
    EXPECT_EQ(seen[0].pointerResets, 2);

    // Without a password check the running saver ends: OnError does not return.
    setSaverPlatform(nullptr);
    EXPECT_THROW(ErrPtnr::OnError("Allgemein", "ZzR", RuntimeError(6), 0), ProgramEnd);
    EXPECT_EQ(host_.beeps, 3);
    EXPECT_EQ(countOf(readAll(besideExe()), "PROGRAMM-INFO:"), 3);
    EXPECT_EQ(ErrPtnr::lblError(2), "ZzR");
}

TEST_F(ErrPtnrTest, PlatformLineByPlatformId)
{
    struct Case {
        int id;
        const char* name;
        const char* expected; // from the title to the Version entry
    };
    const Case cases[] = {
        {0, "", "Plattform/Environment:\tWin32s\r\n          Version:"},
        {1, "", "Plattform/Environment:\tWindows 9x\r\n          Version:"},
        {2, "ignored", "Plattform/Environment:\tWindows NT\r\n          Version:"},
        {-1, "Linux", "Plattform/Environment:\tLinux\r\n          Version:"},
        {3, "", "Plattform/Environment:\t          Version:"}, // no name: the line stays open
    };
    ErrPtnr::OnError("Allgemein", "Zz", RuntimeError(6), 0);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        host_.sysInfo.platformId = c.id;
        host_.sysInfo.platformName = c.name;
        EXPECT_NE(ErrPtnr::BuildProtocol().find(c.expected), std::string::npos);
    }
}

TEST_F(ErrPtnrTest, BuildLineCutsTheServicePackAtItsNul)
{
    struct Case {
        int build;
        std::string servicePack;
        const char* line;
    };
    const Case cases[] = {
        {2600, servicePackBuffer("Service Pack 3"), "          Build:\t2600   Service Pack 3\r\n"},
        {0x05010A28, servicePackBuffer("Service Pack 3"), "          Build:\t2600   Service Pack 3\r\n"},
        {0x040A08AE, servicePackBuffer(" A "), "          Build:\t2222    A \r\n"},
        {1998, std::string(128, '\0'), "          Build:\t1998   \r\n"},
        {1998, std::string(128, 'A'), "          Build:\t1998   \r\n"}, // full buffer, no NUL
        {1998, "", "          Build:\t1998   \r\n"},
        {0, servicePackBuffer("x86_64"), "          Build:\t0   x86_64\r\n"},
    };
    ErrPtnr::OnError("Allgemein", "Zz", RuntimeError(6), 0);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        host_.sysInfo.build = c.build;
        host_.sysInfo.servicePack = c.servicePack;
        const std::string text = ErrPtnr::BuildProtocol();
        EXPECT_NE(text.find(std::string(c.line) + D), std::string::npos);
    }
}

TEST(ErrPtnrHelpers, LPSTRToVBStringKeepsWhatPrecedesTheFirstNul)
{
    struct Case {
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        {std::string("abc\0def", 7), "abc"}, {std::string("\0abc", 4), ""},      {"abc", ""}, {"", ""},
        {std::string(1, '\0'), ""},          {std::string("a b\0\0", 5), "a b"},
    };
    for (const auto& c : cases) EXPECT_EQ(LPSTRToVBString(c.in), c.out);
}

TEST(ErrPtnrHelpers, JoinPathNeverDoublesTheSeparator)
{
    const std::string sep(1, pathSeparator());
    struct Case {
        std::string dir, name, path;
    };
    const Case cases[] = {
        {"C:\\", "Sylvadra.EPT", "C:\\Sylvadra.EPT"},
        {"/", "sylvadra.EPT", "/sylvadra.EPT"},
        {"C:\\Programme\\", "S.EPT", "C:\\Programme\\S.EPT"},
        {"C:\\Programme", "S.EPT", "C:\\Programme" + sep + "S.EPT"},
        {"/opt/sylvadra", "sylvadra.EPT", "/opt/sylvadra" + sep + "sylvadra.EPT"},
        {"", "S.EPT", "S.EPT"},
    };
    for (const auto& c : cases) EXPECT_EQ(joinPath(c.dir, c.name), c.path);
}

TEST_F(ErrPtnrTest, ProtocolFileForAnExecutableInARootFolder)
{
#ifdef _WIN32
    host_.exePath_ = "C:\\Sylvadra.scr";
    EXPECT_EQ(ErrPtnr::ProtocolFileName(), "C:\\Sylvadra.EPT");
    host_.exePath_ = "C:\\Programme\\Sylvadra\\Sylvadra.scr";
    EXPECT_EQ(ErrPtnr::ProtocolFileName(), "C:\\Programme\\Sylvadra\\Sylvadra.EPT");
#else
    host_.exePath_ = "/sylvadra";
    EXPECT_EQ(ErrPtnr::ProtocolFileName(), "/sylvadra.EPT");
    host_.exePath_ = "/usr/games/sylvadra";
    EXPECT_EQ(ErrPtnr::ProtocolFileName(), "/usr/games/sylvadra.EPT");
#endif
    host_.userDataDir_ = (root_ / "user").string();
    host_.exePath_ = (root_ / "app" / "Sylvadra.scr").string();
    EXPECT_EQ(ErrPtnr::FallbackProtocolFileName(), (root_ / "user" / "Sylvadra.EPT").string());
}

TEST_F(ErrPtnrTest, UnwritableExecutableFolderFallsBackToTheUserFolder)
{
    host_.exePath_ = blockedFolder() + pathSeparator() + "Sylvadra.scr";
    ErrPtnr::OnError("Allgemein", "Zz", RuntimeError(6), 0);
    ErrPtnr::OnError("Allgemein", "ZzR", RuntimeError(6), 0);
    EXPECT_FALSE(fs::exists(besideExe()));
    const std::string text = readAll(inUserFolder()); // the folder was created
    EXPECT_EQ(countOf(text, "PROGRAMM-INFO:"), 2);
    EXPECT_EQ(text.substr(text.size() - 2 - D.size()), D + "\r\n");
    EXPECT_EQ(ErrPtnr::AppendProtocol(), inUserFolder().string());

    // A writable executable folder keeps the protocol beside the executable.
    host_.exePath_ = (root_ / "app" / "Sylvadra.scr").string();
    EXPECT_EQ(ErrPtnr::AppendProtocol(), besideExe().string());
}

TEST_F(ErrPtnrTest, NoWritableFolderSkipsTheProtocolAndCarriesOn)
{
    int exits = 0;
    KeptRunning platform([&] { ++exits; });
    setSaverPlatform(&platform);
    SaverRunning() = -1;
    const std::string blocked = blockedFolder();
    for (const std::string& userDir : {blocked + pathSeparator() + "user", std::string()}) {
        SCOPED_TRACE(userDir);
        ErrPtnr::Unload();
        host_.exePath_ = blocked + pathSeparator() + "Sylvadra.scr";
        host_.userDataDir_ = userDir;
        host_.beeps = host_.pointerResets = 0;
        exits = 0;
        EXPECT_EQ(ErrPtnr::AppendProtocol(), "");
        EXPECT_EQ(ErrPtnr::OnError("Allgemein", "Zz", RuntimeError(6), 0), ErrorAction::Retry);
        EXPECT_EQ(ErrPtnr::lblError(0), "6 (Overflow)");
        EXPECT_FALSE(ErrPtnr::lblProgInfo().empty());
        EXPECT_EQ(host_.pointerResets, 1);
        EXPECT_EQ(host_.beeps, 1);
        EXPECT_EQ(exits, 1);
    }
}

TEST_F(ErrPtnrTest, RepeatGuardEndsAFailureThatRecursAtOnce)
{
    using A = ErrorAction;
    struct Call {
        const char* module;
        const char* procedure;
        int line;
        unsigned long long statement;
        A answer;
    };
    struct Case {
        const char* name;
        std::vector<Call> calls;
    };
    const Case cases[] = {
        {"same place twice", {{"Allgemein", "Zz", 0, 0, A::Retry}, {"Allgemein", "Zz", 0, 0, A::End}}},
        {"same statement twice", {{"frmMain", "Himmel", 50040, 7, A::Retry}, {"frmMain", "Himmel", 50040, 7, A::End}}},
        {"another failure in between",
         {{"Allgemein", "Zz", 0, 0, A::Retry},
          {"Allgemein", "ZzR", 0, 0, A::Retry},
          {"Allgemein", "Zz", 0, 0, A::Retry}}},
        {"another line", {{"frmMain", "Baum", 50010, 0, A::Retry}, {"frmMain", "Baum", 50020, 0, A::Retry}}},
        {"another module", {{"frmMain", "Form_Load", 0, 0, A::Retry}, {"frmConfig", "Form_Load", 0, 0, A::Retry}}},
        {"another statement of a procedure without line numbers",
         {{"Saver", "LoadConfig", 0, 11, A::Retry}, {"Saver", "LoadConfig", 0, 12, A::Retry}}},
        {"third time",
         {{"Allgemein", "Zz", 0, 0, A::Retry}, {"Allgemein", "Zz", 0, 0, A::End}, {"Allgemein", "Zz", 0, 0, A::End}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ErrPtnr::Unload();
        std::error_code ec;
        fs::remove(besideExe(), ec);
        host_.beeps = 0;
        int failures = 0;
        for (const auto& call : c.calls) {
            EXPECT_EQ(ErrPtnr::OnError(call.module, call.procedure, RuntimeError(6), call.line, call.statement),
                      call.answer);
            if (call.answer == A::Retry) ++failures;
        }
        // One failure, one protocol and one beep: a repeat on the retry is
        // the same failure and only ends the run.
        EXPECT_EQ(countOf(readAll(besideExe()), "PROGRAMM-INFO:"), failures);
        EXPECT_EQ(host_.beeps, failures);
    }
}

// The handler of a procedure, obeying the action the dispatcher answers.
TEST_F(ErrPtnrTest, ProcedureObeysTheFourActions)
{
    struct Case {
        ErrorAction answer;
        std::vector<std::string> trace;
        bool ends;
    };
    const Case cases[] = {
        {ErrorAction::Retry, {"a", "b1", "b2", "c", "after"}, false},
        {ErrorAction::Ignore, {"a", "b1", "c", "after"}, false},
        {ErrorAction::Cancel, {"a", "b1", "after"}, false},
        {ErrorAction(7), {"a", "b1", "after"}, false}, // any other code: as Cancel
        {ErrorAction::End, {"a", "b1"}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.answer));
        std::vector<std::string> trace;
        std::vector<std::string> seen;
        setDispatchHook([&](const char* m, const char* p, const RuntimeError& e, int line) {
            seen.push_back(std::string(m) + "." + p + ":" + std::to_string(line) + ":" + std::to_string(e.number()));
            return c.answer;
        });
        bool ended = false;
        try {
            Procedure proc("frmMain", "BuildBG");
            int attempts = 0;
            proc.run([&] {
                proc.step(50010, [&] { trace.push_back("a"); });
                proc.step(50020, [&] {
                    if (++attempts == 1) {
                        trace.push_back("b1");
                        raiseError(kErrDivisionByZero);
                    }
                    trace.push_back("b2");
                });
                proc.step(50030, [&] { trace.push_back("c"); });
            });
            trace.push_back("after");
        } catch (const ProgramEnd&) {
            ended = true;
        }
        EXPECT_EQ(trace, c.trace);
        EXPECT_EQ(ended, c.ends);
        EXPECT_EQ(seen, std::vector<std::string>{"frmMain.BuildBG:50020:11"});
    }
}

TEST_F(ErrPtnrTest, CancelLeavesOnlyTheInnerProcedure)
{
    setDispatchHook([](const char*, const char*, const RuntimeError&, int) { return ErrorAction::Cancel; });
    std::vector<std::string> trace;
    Procedure outer("frmMain", "Form_Resize");
    outer.run([&] {
        outer.step(50010, [&] {
            Procedure inner("frmMain", "Wald");
            inner.run([&] {
                inner.step(50010, [&] { raiseError(kErrSubscript); });
                trace.push_back("inner after failure");
            });
            trace.push_back("outer statement ends");
        });
        outer.step(50020, [&] { trace.push_back("outer next"); });
    });
    EXPECT_EQ(trace, (std::vector<std::string>{"outer statement ends", "outer next"}));
}

TEST_F(ErrPtnrTest, OutOfMemoryIsDispatchedAsError7)
{
    int number = 0;
    setDispatchHook([&](const char*, const char*, const RuntimeError& e, int) {
        number = e.number();
        return ErrorAction::Ignore;
    });
    Procedure proc("frmMain", "CopyBg");
    proc.run([&] { proc.step(50010, [] { throw std::bad_alloc(); }); });
    EXPECT_EQ(number, kErrOutOfMemory);
}

// Through the real dispatcher: a statement failing on every run ends the
// program after its second protocol; one that fails once goes on; two
// statements of one procedure without line numbers failing once each go on.
TEST_F(ErrPtnrTest, ProcedureWithTheDispatcherStopsRepeatsOnly)
{
    struct Case {
        const char* name;
        int failuresOfFirst;  // how often the first statement fails (-1: always)
        int failuresOfSecond; // likewise the second
        bool nested;          // the first statement runs a procedure of its own before failing
        bool ends;
        int protocols;
    };
    const Case cases[] = {
        {"fails always", -1, 0, false, true, 1}, {"fails always after an inner procedure", -1, 0, true, true, 1},
        {"fails once", 1, 0, false, false, 1},   {"two statements fail once each", 1, 1, false, false, 2},
        {"fails twice", 2, 0, false, true, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ErrPtnr::Unload();
        std::error_code ec;
        fs::remove(besideExe(), ec);
        int first = 0, second = 0, innerRuns = 0;
        bool ended = false, finished = false;
        try {
            Procedure proc("Saver", "Main");
            proc.run([&] {
                proc.step(0, [&] {
                    if (c.nested) {
                        Procedure inner("Saver", "IsWinNT");
                        inner.run([&] { inner.step(0, [&] { ++innerRuns; }); });
                    }
                    if (c.failuresOfFirst < 0 || first++ < c.failuresOfFirst) raiseError(kErrOverflow);
                });
                proc.step(0, [&] {
                    if (second++ < c.failuresOfSecond) raiseError(kErrOverflow);
                });
                finished = true;
            });
        } catch (const ProgramEnd&) {
            ended = true;
        }
        EXPECT_EQ(ended, c.ends);
        EXPECT_EQ(finished, !c.ends);
        EXPECT_EQ(countOf(readAll(besideExe()), "PROGRAMM-INFO:"), c.protocols);
        if (c.nested) {
            EXPECT_EQ(innerRuns, 2);
        }
    }
}

TEST(SystemInformation, LinuxEntriesFromUname)
{
    struct Case {
        const char* release;
        const char* machine;
        int major, minor, build;
    };
    const Case cases[] = {
        {"6.1.0-18-amd64", "x86_64", 6, 1, 0},
        {"5.15.153.1-microsoft-standard-WSL2", "x86_64", 5, 15, 153},
        {"6.10.11+bpo-amd64", "aarch64", 6, 10, 11},
        {"4.19", "i686", 4, 19, 0},
        {"garbage", "", 0, 0, 0},
        {"", "", 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.release);
        const SystemInfo si = systemInfoFromUname(c.release, c.machine);
        EXPECT_EQ(si.platformName, "Linux");
        EXPECT_TRUE(si.platformId < 0 || si.platformId > 2);
        EXPECT_EQ(si.major, c.major);
        EXPECT_EQ(si.minor, c.minor);
        EXPECT_EQ(si.build, c.build);
        EXPECT_EQ(si.servicePack.size(), kServicePackBufferSize);
        EXPECT_EQ(LPSTRToVBString(si.servicePack), c.machine);
    }
    EXPECT_EQ(LPSTRToVBString(servicePackBuffer(std::string(300, 'm'))), std::string(127, 'm'));
}

TEST(SystemInformation, QueriesThePlatform)
{
    const SystemInfo si = querySystemInfo();
    EXPECT_EQ(si.servicePack.size(), kServicePackBufferSize);
#ifdef _WIN32
    EXPECT_EQ(si.platformId, 2); // every Windows this runs on is of the NT family
    EXPECT_GE(si.major, 5);
#else
    EXPECT_EQ(si.platformName, "Linux");
    EXPECT_GE(si.major, 2);
    EXPECT_FALSE(LPSTRToVBString(si.servicePack).empty()); // the machine name
#endif
}

} // namespace
} // namespace syl
