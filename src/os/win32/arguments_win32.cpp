// The program's arguments on Windows: the wide command line, split as the
// system splits it and turned into UTF-8 (argv holds the code page's).
// A file of its own, so that only the program links shell32.
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "platform/system_host.h"

namespace syl {

std::vector<std::string> commandLineArguments(int, char**)
{
    std::vector<std::string> args;
    int n = 0;
    LPWSTR* w = CommandLineToArgvW(GetCommandLineW(), &n);
    for (int i = 1; w && i < n; ++i) {
        int len = WideCharToMultiByte(CP_UTF8, 0, w[i], -1, nullptr, 0, nullptr, nullptr);
        std::string s(static_cast<size_t>(len > 0 ? len - 1 : 0), '\0');
        if (len > 1) WideCharToMultiByte(CP_UTF8, 0, w[i], -1, s.data(), len, nullptr, nullptr);
        args.push_back(s);
    }
    if (w) LocalFree(w);
    return args;
}

} // namespace syl
