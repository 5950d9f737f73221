// The platform's shell: runs the mode that the command line asks for, with
// real windows, and returns the program's exit code.
#pragma once

#include "shell/cmdline.h"

namespace syl {

int runShell(const CommandLine& commandLine);

} // namespace syl
