// libFuzzer target: the .ico decoder on arbitrary bytes (see README.md).
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::checkDecoder(data, size, syl::decodeIco, syl::PictureKind::Icon);
    return 0;
}
