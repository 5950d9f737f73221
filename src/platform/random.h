// The one uniform generator of the system, which the scene's helpers Zz and
// ZzR draw from (scene/zz.h). Tests replace the generator with a scripted
// sequence so that the order of draws can be checked.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace syl {

class RandomSource {
public:
    virtual ~RandomSource() = default;
    // A single-precision value r with 0 <= r < 1.
    virtual float next() = 0;
};

// The default generator: a 64-bit permuted congruential generator whose top
// 24 bits give r exactly as a single (multiples of 2^-24).
class Rnd final : public RandomSource {
public:
    explicit Rnd(uint64_t seed = 0) { seed64(seed); }
    void seed64(uint64_t seed);
    // Seeds from the seconds since midnight, fraction included.
    void seedFromTimer(float secondsSinceMidnight);
    float next() override;

private:
    uint64_t state_ = 0;
};

// Replays a fixed list of values; running past its end is a test fault and
// throws std::out_of_range.
class ScriptedRandom final : public RandomSource {
public:
    ScriptedRandom() = default;
    explicit ScriptedRandom(std::vector<float> values) : values_(std::move(values)) {}
    void push(float r) { values_.push_back(r); }
    float next() override;
    size_t used() const { return pos_; }
    size_t remaining() const { return values_.size() - pos_; }

private:
    std::vector<float> values_;
    size_t pos_ = 0;
};

// The generator that Zz and ZzR draw from. Never null; defaults to a Rnd.
RandomSource& randomSource();
// Installs another generator (not owned); nullptr restores the default.
void setRandomSource(RandomSource* source);
// The default generator, for seeding at start-up.
Rnd& defaultRnd();

} // namespace syl
