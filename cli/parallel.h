// Work spread over threads, for the runs that measure many inputs.
#ifndef CLI_PARALLEL_H
#define CLI_PARALLEL_H

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <thread>
#include <vector>

// Calls work(i) for every i in [0, count) on up to `workers` threads, the caller's among them.
// Each thread takes `grab` consecutive indices at a time, so that slow items do not hold the
// others up; it returns when every call has returned.
template <typename Work>
void forEachInParallel(std::size_t count, int workers, std::size_t grab, const Work& work) {
  std::atomic<std::size_t> next{0};
  const auto worker = [&] {
    for (;;) {
      const std::size_t first = next.fetch_add(grab);
      if (first >= count) return;
      const std::size_t last = std::min(count, first + grab);
      for (std::size_t i = first; i < last; ++i) work(i);
    }
  };
  std::vector<std::thread> threads;
  const std::size_t grabs = (count + grab - 1) / grab;
  for (std::size_t k = 1; k < static_cast<std::size_t>(workers) && k < grabs; ++k) {
    threads.emplace_back(worker);
  }
  worker();
  for (std::thread& thread : threads) thread.join();
}

#endif  // CLI_PARALLEL_H
