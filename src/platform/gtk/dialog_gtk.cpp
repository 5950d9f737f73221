// The settings dialog on Linux (GTK 3).
#include <cstdio>

namespace syl {

int runSettingsDialog()
{
    std::fprintf(stderr, "sylvadra: the settings dialog is not available yet\n");
    return 0;
}

} // namespace syl
