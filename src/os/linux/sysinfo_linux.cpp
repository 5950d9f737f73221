#include <sys/utsname.h>

#include "platform/sysinfo.h"

namespace syl {

SystemInfo querySystemInfo()
{
    struct utsname u {};
    if (uname(&u) != 0) return systemInfoFromUname("", "");
    return systemInfoFromUname(u.release, u.machine);
}

} // namespace syl
