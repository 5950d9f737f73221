#include "errors/ending.h"

namespace syl {

namespace {
SaverEnding g_ending = nullptr;
} // namespace

void installSaverEnding(SaverEnding ending) { g_ending = ending; }

void exitScreensaver()
{
    if (g_ending) g_ending();
}

} // namespace syl
