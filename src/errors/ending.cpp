#include "errors/ending.h"

namespace syl {

namespace {
SaverEnding g_ending = nullptr;
bool g_memoryExhausted = false;
} // namespace

void installSaverEnding(SaverEnding ending) { g_ending = ending; }

void exitScreensaver()
{
    if (g_ending) g_ending();
}

void noteMemoryExhausted() { g_memoryExhausted = true; }
bool memoryExhausted() { return g_memoryExhausted; }

} // namespace syl
