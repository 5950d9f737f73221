// The Windows shell (being built): for now only headless modes work.
#include <windows.h>

#include "shell/shell.h"

namespace syl {

int runShell(const CommandLine&)
{
    return 0;
}

} // namespace syl
