// libFuzzer target: the .bmp decoder on arbitrary bytes (see README.md).
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::checkDecoder(data, size, syl::decodeBmp, syl::PictureKind::Bitmap);
    return 0;
}
