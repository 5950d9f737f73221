#include <sys/utsname.h>

#include "errors/sysinfo.h"

namespace syl {

SystemInfo querySystemInfo()
{
    struct utsname u {};
    if (uname(&u) != 0) return systemInfoFromUname("", "");
    return systemInfoFromUname(u.release, u.machine);
}

} // namespace syl
