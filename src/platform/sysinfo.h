// What the error protocol reports of the operating system, read at the
// moment the protocol is built. The platform hosts return querySystemInfo()
// from Host::systemInfo().
#pragma once

#include <string>

#include "platform/host.h"

namespace syl {

// Size of the service-pack buffer of the Windows version record.
constexpr std::size_t kServicePackBufferSize = 128;

// Windows: GetVersionExA with the record size 148 (platform id, version,
// build, service-pack buffer). Linux: see systemInfoFromUname.
SystemInfo querySystemInfo();

// The Linux entries in the protocol's layout: platform "Linux", version the
// kernel release's major.minor, build its patch level (missing parts 0), and
// the machine name ("x86_64") in the place of the service pack.
SystemInfo systemInfoFromUname(const std::string& release, const std::string& machine);

// A text as the fixed service-pack buffer holds it: cut to 127 characters,
// NUL-terminated and padded with NULs to the buffer's size.
std::string servicePackBuffer(const std::string& text);

} // namespace syl
