#include "platform/sysinfo.h"

#include <cctype>

namespace syl {

std::string servicePackBuffer(const std::string& text)
{
    std::string buf = text.substr(0, kServicePackBufferSize - 1);
    buf.resize(kServicePackBufferSize, '\0');
    return buf;
}

SystemInfo systemInfoFromUname(const std::string& release, const std::string& machine)
{
    // "6.1.0-18-amd64": the leading numbers separated by dots.
    int parts[3] = {0, 0, 0};
    size_t pos = 0;
    for (int k = 0; k < 3; ++k) {
        if (pos >= release.size() || !std::isdigit(static_cast<unsigned char>(release[pos]))) break;
        long long v = 0;
        while (pos < release.size() && std::isdigit(static_cast<unsigned char>(release[pos]))) {
            if (v < 1000000) v = v * 10 + (release[pos] - '0');
            ++pos;
        }
        parts[k] = static_cast<int>(v);
        if (pos >= release.size() || release[pos] != '.') break;
        ++pos;
    }
    SystemInfo si;
    si.platformId = -1;
    si.platformName = "Linux";
    si.major = parts[0];
    si.minor = parts[1];
    si.build = parts[2];
    si.servicePack = servicePackBuffer(machine);
    return si;
}

} // namespace syl
