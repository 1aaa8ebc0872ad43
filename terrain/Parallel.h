#pragma once
// Splitting per-node work across threads. Every caller computes each node from inputs that no
// thread writes, so the result is the same for any split and any thread count.

#include <algorithm>
#include <cstdint>
#include <thread>
#include <vector>

namespace torvane {

/// The thread count to use for `items` units of work: `requested` (0: the core count), but one
/// thread when the work is too small to pay for starting more.
inline unsigned workerCount(uint64_t items, unsigned requested, uint64_t minItemsPerThread) {
  unsigned n = requested != 0 ? requested : std::max(1u, std::thread::hardware_concurrency());
  const uint64_t useful = std::max<uint64_t>(1, items / std::max<uint64_t>(1, minItemsPerThread));
  return static_cast<unsigned>(std::min<uint64_t>(n, useful));
}

/// Calls fn(part, begin, end) for `parts` contiguous slices of [0, count), part 0 on the calling
/// thread and the others on their own threads, and waits for all.
template <typename Fn>
void forEachSlice(uint64_t count, unsigned parts, Fn&& fn) {
  parts = std::max(1u, parts);
  std::vector<std::thread> threads;
  threads.reserve(parts - 1);
  for (unsigned p = 1; p < parts; ++p) {
    threads.emplace_back(
        [&fn, p, parts, count] { fn(p, count * p / parts, count * (p + 1) / parts); });
  }
  fn(0u, uint64_t{0}, count / parts);
  for (std::thread& t : threads) {
    t.join();
  }
}

}  // namespace torvane
