#include "platform/random.h"

#include <cmath>
#include <stdexcept>

#include "platform/numbers.h"

namespace syl {

void Rnd::seed64(uint64_t seed)
{
    state_ = 0;
    next();
    state_ += seed + 0x853c49e6748fea9bULL;
    next();
}

void Rnd::seedFromTimer(float secondsSinceMidnight)
{
    uint32_t bits = 0;
    static_assert(sizeof bits == sizeof secondsSinceMidnight);
    __builtin_memcpy(&bits, &secondsSinceMidnight, sizeof bits);
    seed64(bits);
}

float Rnd::next()
{
    uint64_t old = state_;
    state_ = old * 6364136223846793005ULL + 1442695040888963407ULL;
    uint32_t xorshifted = static_cast<uint32_t>(((old >> 18u) ^ old) >> 27u);
    uint32_t rot = static_cast<uint32_t>(old >> 59u);
    uint32_t out = (xorshifted >> rot) | (xorshifted << ((32 - rot) & 31));
    return static_cast<float>(out >> 8) * (1.0f / 16777216.0f);
}

float ScriptedRandom::next()
{
    if (pos_ >= values_.size()) throw std::out_of_range("scripted random sequence exhausted");
    return values_[pos_++];
}

namespace {
RandomSource* g_source = nullptr;
}

Rnd& defaultRnd()
{
    static Rnd rnd;
    return rnd;
}

RandomSource& randomSource() { return g_source ? *g_source : defaultRnd(); }
void setRandomSource(RandomSource* source) { g_source = source; }

} // namespace syl
