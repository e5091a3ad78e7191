// Work spread over threads, for the runs that measure many inputs.
#ifndef CLI_PARALLEL_H
#define CLI_PARALLEL_H

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

// Calls work(i) for every i in [0, count) on up to `workers` threads, the caller's among them.
// Each thread takes `grab` consecutive indices at a time, so that slow items do not hold the
// others up; it returns when every call has returned. A thread that cannot be started (the
// system has no more to give) costs only speed: the threads that did start, the caller's at
// least, do all the work. Returns false when a thread could not be started.
template <typename Work>
bool forEachInParallel(std::size_t count, int workers, std::size_t grab, const Work& work) {
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
  const std::size_t wanted = std::min(static_cast<std::size_t>(std::max(workers, 1)), grabs);
  try {
    threads.reserve(wanted);
    for (std::size_t k = 1; k < wanted; ++k) threads.emplace_back(worker);
  } catch (const std::system_error&) {
  } catch (const std::bad_alloc&) {
  }
  worker();
  for (std::thread& thread : threads) thread.join();
  return threads.size() + 1 >= wanted;
}

#endif  // CLI_PARALLEL_H
