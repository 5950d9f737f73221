#include "scene/zz.h"

#include <cmath>

#include "errors/handler.h"
#include "platform/numbers.h"

namespace syl {

float rFor(int lo, int hi, int v)
{
    double span = static_cast<double>(hi) - lo + 1;
    return static_cast<float>((v - lo + 0.5) / span);
}

int16_t Zz(long long lo, long long hi)
{
    int16_t result = 0;
    Procedure proc("Allgemein", "Zz");
    proc.run([&] {
        int16_t l = 0, h = 0;
        float r = 0;
        proc.step(0, [&] {
            l = ck16(lo);
            h = ck16(hi);
        });
        proc.step(0, [&] { r = randomSource().next(); });
        int16_t span = 0;
        proc.step(0, [&] { span = ck16(static_cast<long long>(h) - l + 1); });
        proc.step(0, [&] {
            // The operands are singles; the sum is formed in double precision,
            // so that r just below 1 never rounds up to the next integer
            // (Zz(5, 5) is 5 for every r).
            double v = static_cast<double>(span) * static_cast<double>(r) + static_cast<double>(l);
            double f = std::floor(v);
            if (!(f >= -32768.0 && f <= 32767.0)) raiseError(kErrOverflow);
            result = static_cast<int16_t>(f);
        });
    });
    return result;
}

float ZzR(float lo, float hi)
{
    float result = 0;
    Procedure proc("Allgemein", "ZzR");
    proc.run([&] {
        proc.step(0, [&] {
            float r = randomSource().next();
            float d = hi - lo;
            d = d * r;
            result = lo + d;
        });
    });
    return result;
}

} // namespace syl
