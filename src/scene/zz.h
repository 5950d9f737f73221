// The random helpers every painter and the animation draw from: Zz (a
// random 16-bit integer in [lo, hi]) and ZzR (a random single in [lo, hi)),
// both from the system's one generator (platform/random.h).
#pragma once

#include <cstdint>

#include "platform/random.h"

namespace syl {

// The r that makes Zz(lo, hi) return v (its middle), for scripting draws in tests.
float rFor(int lo, int hi, int v);

// A random 16-bit integer from lo to hi inclusive: floor(span * r + lo) with
// span = hi - lo + 1, from single-precision operands. Overflow is error 6, dispatched
// with module "Allgemein" and procedure "Zz".
int16_t Zz(long long lo, long long hi);
// lo + (hi - lo) * r in single precision (module "Allgemein", procedure "ZzR").
float ZzR(float lo, float hi);

} // namespace syl
