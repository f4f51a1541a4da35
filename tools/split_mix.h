#pragma once

#include <cstdint>

namespace velmaro::sample {

// A small pseudo-random generator (SplitMix64) whose sequence depends on the seed alone, so
// generated data is byte-identical with every compiler and standard library. Only integer
// arithmetic is used: no floating point, no std:: distributions.
class SplitMix64 {
  public:
    explicit SplitMix64(std::uint64_t seed) : state_(seed) {}

    // The next 64 pseudo-random bits.
    std::uint64_t Next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }

    // A number in 0 ... bound - 1 (bound > 0), without modulo bias.
    std::uint64_t Below(std::uint64_t bound) {
        const std::uint64_t limit = ~std::uint64_t{0} - (~std::uint64_t{0} % bound);
        std::uint64_t value = Next();
        while (value >= limit)
            value = Next();
        return value % bound;
    }

    // A number in low ... high inclusive (low <= high).
    int Between(int low, int high) {
        return low + static_cast<int>(Below(static_cast<std::uint64_t>(high - low) + 1));
    }

    // True with probability percent / 100.
    bool Percent(int percent) { return static_cast<int>(Below(100)) < percent; }

  private:
    std::uint64_t state_;
};

// An independent generator for one item (a student) of a data set: the same seed and item
// always give the same sequence, whatever was generated before.
inline SplitMix64 StreamFor(std::uint64_t seed, std::uint64_t item) {
    SplitMix64 mixer(seed ^ (item * 0xD1B54A32D192ED03ULL));
    return SplitMix64(mixer.Next());
}

}  // namespace velmaro::sample
