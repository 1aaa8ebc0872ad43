#pragma once
// The soak's random numbers: a small generator of our own (SplitMix64) instead of the standard
// distributions, whose results differ between library versions, so that a seed replays the
// same actions on every machine.

#include <cstdint>
#include <initializer_list>
#include <span>

namespace torvane::soak {

class SoakRandom {
public:
  explicit SoakRandom(uint64_t seed) : mState(seed) {}

  /// The stream of one part of a run (an action's dialog answers): depends on the seed and the
  /// part number only.
  static SoakRandom stream(uint64_t seed, uint64_t part) {
    SoakRandom mix(seed ^ (part * 0xD1B54A32D192ED03ull));
    return SoakRandom(mix.next());
  }

  uint64_t next() {
    uint64_t z = (mState += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }

  /// 0 .. n - 1 (0 for n <= 0). Takes one number whatever n is, so that how many numbers a
  /// run takes never depends on the state of the window.
  int below(int n) {
    const uint64_t r = next();
    return n <= 0 ? 0 : static_cast<int>(r % static_cast<uint64_t>(n));
  }
  /// lo .. hi inclusive.
  int between(int lo, int hi) { return hi <= lo ? lo : lo + below(hi - lo + 1); }
  /// True with probability `percent` / 100.
  bool chance(int percent) { return below(100) < percent; }
  /// A uniform double in [lo, hi).
  double real(double lo, double hi) {
    return lo + (hi - lo) * static_cast<double>(next() >> 11) * 0x1.0p-53;
  }

  template <class T>
  const T& pick(std::span<const T> items) {
    return items[static_cast<size_t>(below(static_cast<int>(items.size())))];
  }
  template <class T>
  T pick(std::initializer_list<T> items) {
    return items.begin()[below(static_cast<int>(items.size()))];
  }

  /// An index chosen with the given weights (each >= 0; the first when all are 0).
  int weighted(std::span<const int> weights) {
    int total = 0;
    for (const int w : weights) {
      total += w;
    }
    int r = below(total);
    for (size_t i = 0; i < weights.size(); ++i) {
      if (r < weights[i]) {
        return static_cast<int>(i);
      }
      r -= weights[i];
    }
    return 0;
  }

private:
  uint64_t mState;
};

}  // namespace torvane::soak
