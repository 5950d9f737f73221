#include "errors/errptnr.h"
#include "errors/ending.h"

#include <array>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "platform/files.h"
#include "platform/host.h"
#include "platform/numbers.h"

namespace syl {

std::string LPSTRToVBString(const std::string& s)
{
    auto nul = s.find('\0');
    return nul == std::string::npos ? std::string() : s.substr(0, nul);
}

std::string joinPath(const std::string& dir, const std::string& name)
{
    if (dir.empty()) return name;
    const char last = dir.back();
    if (last == '\\' || last == '/') return dir + name;
    return dir + pathSeparator() + name;
}

namespace {

DispatchHook& dispatchHook()
{
    static DispatchHook hook;
    return hook;
}

const char* const kCrLf = "\r\n";
const std::string kIndent(10, ' ');

// The captions and titles of the error form.
const char* const kProgInfoCaption = "Programm-Info:";
const char* const kErrorCaption = "Fehlerbeschreibung / error description:";
const std::array<std::string, 4> kTitles = {"Fehler-Nr / error :", "Modul:", "Prozedur / procedure:", "Zeile / Line:"};

struct LastFailure {
    bool valid = false;
    std::string module, procedure;
    int line = 0;
    unsigned long long statement = 0;
};

struct Form {
    std::string progInfo;
    std::array<std::string, 4> values;
    LastFailure last;
};

Form& form()
{
    static Form f;
    return f;
}

std::string upperCase(std::string s)
{
    for (auto& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string twoDigits(int v)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d", v);
    return buf;
}

std::string divider() { return std::string(70, '-') + kCrLf; }

std::string platformText(const SystemInfo& si)
{
    switch (si.platformId) {
    case 0: return std::string("Win32s") + kCrLf;
    case 1: return std::string("Windows 9x") + kCrLf;
    case 2: return std::string("Windows NT") + kCrLf;
    default: return si.platformName.empty() ? std::string() : si.platformName + kCrLf;
    }
}

bool appendTo(const std::string& path, const std::string& text) { return appendToUserFile(path, text); }

std::string protocolName() { return baseNameOf(host().exePath()) + ".EPT"; }

void checkIndex(int index)
{
    if (index < 0 || index > 3) raiseError(kErrSubscript);
}

} // namespace

void setDispatchHook(DispatchHook hook) { dispatchHook() = std::move(hook); }

ErrorAction dispatchError(const char* module, const char* procedure, const RuntimeError& error, int line,
                          unsigned long long statement)
{
    if (dispatchHook()) return dispatchHook()(module, procedure, error, line);
    return ErrPtnr::OnError(module, procedure, error, line, statement);
}

namespace ErrPtnr {

void SetProgInfo(const std::string& Text) { form().progInfo = Text; }

const std::string& lblProgInfo() { return form().progInfo; }

const std::string& lblErrTitel(int index)
{
    checkIndex(index);
    return kTitles[static_cast<size_t>(index)];
}

const std::string& lblError(int index)
{
    checkIndex(index);
    return form().values[static_cast<size_t>(index)];
}

std::string BuildProtocol()
{
    const Form& f = form();
    const LocalDateTime t = host().wallClock();
    const SystemInfo si = host().systemInfo();
    const std::string D = divider();
    const std::string& I = kIndent;

    std::string s;
    s += D;
    s += std::string("F E H L E R P R O T O K O L L  /  E R R O R   P R O T O C O L L") + kCrLf;
    s += D;
    s += upperCase(kProgInfoCaption) + kCrLf;
    s += I + f.progInfo + kCrLf;
    s += D;
    s += upperCase(kErrorCaption) + kCrLf;
    for (size_t k = 0; k < 4; ++k) s += I + kTitles[k] + '\t' + f.values[k] + kCrLf;
    char year[16];
    std::snprintf(year, sizeof year, "%04d", t.year);
    s += I + "Datum/Uhrzeit (Date/Time):" + '\t' + twoDigits(t.month) + "-" + twoDigits(t.day) + "-" + year + " / " +
         twoDigits(t.hour) + ":" + twoDigits(t.minute) + ":" + twoDigits(t.second) + kCrLf;
    s += D;
    s += std::string("SYSTEMINFO:") + kCrLf;
    s += I + "Plattform/Environment:" + '\t' + platformText(si);
    s += I + "Version:" + '\t' + std::to_string(si.major) + "." + std::to_string(si.minor) + kCrLf;
    s += I + "Build:" + '\t' + std::to_string(static_cast<unsigned>(si.build) & 0xFFFFu) + "   " +
         LPSTRToVBString(si.servicePack) + kCrLf;
    s += D;
    return s;
}

std::string ProtocolFileName() { return joinPath(dirOf(host().exePath()), protocolName()); }

std::string FallbackProtocolFileName() { return joinPath(host().userDataDir(), protocolName()); }

std::string AppendProtocol()
{
    try {
        const std::string text = BuildProtocol() + kCrLf;
        const std::string beside = ProtocolFileName();
        if (programFolderUsable(dirOf(host().exePath())) && appendTo(beside, text)) return beside;
        const std::string userDir = host().userDataDir();
        if (userDir.empty()) return {};
        if (!makeUserFolder(userDir)) return {};
        const std::string fallback = FallbackProtocolFileName();
        if (appendTo(fallback, text)) return fallback;
    } catch (const std::exception&) {
        // Contained: no protocol for this failure.
    }
    return {};
}

ErrorAction OnError(const std::string& AktModul, const std::string& AktProc, const RuntimeError& error, int line,
                    unsigned long long statement)
{
    Form& f = form();
    // Repeat guard: the same statement failing again right after its
    // previous failure.
    const bool repeat = f.last.valid && f.last.module == AktModul && f.last.procedure == AktProc &&
                        f.last.line == line && f.last.statement == statement;
    f.last = {true, AktModul, AktProc, line, statement};

    // 1. The error record.
    f.values[0] = std::to_string(error.number()) + " (" + error.description() + ")";
    f.values[1] = AktModul;
    f.values[2] = AktProc;
    f.values[3] = std::to_string(line);
    // 2. The program info, once per run.
    if (f.progInfo.empty()) {
        const VersionInfo v = programVersion();
        f.progInfo = baseNameOf(host().exePath()) + "  V" + std::to_string(v.major) + "." + std::to_string(v.minor) +
                     "." + std::to_string(v.revision);
    }
    // 3. to 6. A statement that fails again on its retry is the same
    // failure: it ends the run without a second protocol and beep.
    if (repeat) return ErrorAction::End;
    host().resetMousePointer();
    AppendProtocol();
    host().beep();
    if (error.number() == kErrOutOfMemory) noteMemoryExhausted();
    exitScreensaver();
    // 7.
    return ErrorAction::Retry;
}

void Unload() { form() = Form{}; }

} // namespace ErrPtnr

} // namespace syl
