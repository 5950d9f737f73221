#include "platform/sysinfo.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

namespace syl {

static_assert(sizeof(OSVERSIONINFOA) == 148, "the version record that GetVersionExA fills");
static_assert(sizeof(OSVERSIONINFOA{}.szCSDVersion) == kServicePackBufferSize);

SystemInfo querySystemInfo()
{
    OSVERSIONINFOA osv{};
    osv.dwOSVersionInfoSize = 148;
    SystemInfo si;
    if (!GetVersionExA(&osv)) {
        si.platformName = "Windows";
        si.servicePack = std::string(kServicePackBufferSize, '\0');
        return si;
    }
    si.platformId = static_cast<int>(osv.dwPlatformId);
    si.major = static_cast<int>(osv.dwMajorVersion);
    si.minor = static_cast<int>(osv.dwMinorVersion);
    // The 9x family keeps the version in the high word; the protocol shows the low one.
    si.build = static_cast<int>(osv.dwBuildNumber);
    si.servicePack = std::string(osv.szCSDVersion, sizeof osv.szCSDVersion);
    return si;
}

} // namespace syl
