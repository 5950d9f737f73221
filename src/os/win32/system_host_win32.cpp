#include <windows.h>

#include <vector>

#include "platform/sysinfo.h"
#include "platform/system_host.h"

namespace syl {

namespace {

std::string envVar(const char* name)
{
    char buf[MAX_PATH * 2];
    const DWORD n = GetEnvironmentVariableA(name, buf, sizeof buf);
    if (n == 0 || n >= sizeof buf) return {};
    return std::string(buf, n);
}

SYSTEMTIME systemTime(const LocalDateTime& t)
{
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(t.year);
    st.wMonth = static_cast<WORD>(t.month);
    st.wDay = static_cast<WORD>(t.day);
    st.wHour = static_cast<WORD>(t.hour);
    st.wMinute = static_cast<WORD>(t.minute);
    st.wSecond = static_cast<WORD>(t.second);
    st.wMilliseconds = static_cast<WORD>(t.millisecond);
    return st;
}

} // namespace

std::string userHomeDir() { return envVar("USERPROFILE"); }

std::string xdgBaseDir(const char* variable, const char* fallback)
{
    (void)variable;
    (void)fallback;
    return {};
}

std::string userCacheDir()
{
    const std::string base = envVar("LOCALAPPDATA");
    return base.empty() ? std::string() : base + "\\Sylvadra\\Cache";
}

std::string SystemHost::exePath()
{
    std::vector<char> buf(MAX_PATH);
    for (;;) {
        const DWORD n = GetModuleFileNameA(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) return "Sylvadra.scr";
        if (n < buf.size()) return std::string(buf.data(), n);
        if (buf.size() >= 32768) return std::string(buf.data(), n);
        buf.resize(buf.size() * 2);
    }
}

std::string SystemHost::userDataDir()
{
    std::string base = envVar("LOCALAPPDATA");
    if (base.empty()) base = envVar("APPDATA");
    if (base.empty()) return {};
    return base + "\\Sylvadra";
}

void SystemHost::beep() { MessageBeep(0); }
void SystemHost::resetMousePointer() { SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32512))); } // IDC_ARROW
uint32_t SystemHost::tickCount() { return GetTickCount(); }

LocalDateTime SystemHost::now()
{
    SYSTEMTIME st{};
    GetLocalTime(&st);
    return {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
}

std::string SystemHost::formatDate(const LocalDateTime& t)
{
    SYSTEMTIME st = systemTime(t);
    char buf[128];
    const int n = GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &st, nullptr, buf, sizeof buf);
    return n > 1 ? std::string(buf, static_cast<size_t>(n - 1)) : std::string();
}

std::string SystemHost::formatTime(const LocalDateTime& t)
{
    SYSTEMTIME st = systemTime(t);
    char buf[128];
    const int n = GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &st, nullptr, buf, sizeof buf);
    return n > 1 ? std::string(buf, static_cast<size_t>(n - 1)) : std::string();
}

char SystemHost::decimalSeparator()
{
    char buf[8] = {};
    if (GetLocaleInfoA(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buf, sizeof buf) > 0 && buf[0] == ',') return ',';
    return '.';
}

SystemInfo SystemHost::systemInfo() { return querySystemInfo(); }

} // namespace syl
