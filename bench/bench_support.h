#pragma once
// What the benchmark programs share besides the fetch baseline: the row
// count they are asked for, the median of a few timed rounds (wall time or
// the thread's processor time), and the
// Google Benchmark run of the registered cases.

#include <benchmark/benchmark.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

// Rows from TULVO_BENCH_ROWS, overridden by a "--rows=N" argument (which is
// taken out of argv so that Google Benchmark never sees it); fallback when
// neither is given.
inline int BenchRowCount(int& argc, char** argv, int fallback = 1000000) {
  int rows = fallback;
  if (const char* env = std::getenv("TULVO_BENCH_ROWS")) rows = std::atoi(env);
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--rows=", 7) != 0) continue;
    rows = std::atoi(argv[i] + 7);
    for (int k = i; k + 1 < argc; ++k) argv[k] = argv[k + 1];
    --argc;
    break;
  }
  return rows;
}

// The median wall time in milliseconds of work over rounds runs, prepare
// running untimed before each.
inline double MedianMilliseconds(const std::function<void()>& prepare, const std::function<void()>& work,
                                 int rounds = 9) {
  std::vector<double> times;
  for (int i = 0; i < rounds; ++i) {
    prepare();
    const auto start = std::chrono::steady_clock::now();
    work();
    const auto end = std::chrono::steady_clock::now();
    times.push_back(std::chrono::duration<double, std::milli>(end - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// The calling thread's processor time so far, in seconds: a round timed
// with it leaves out the waits for a processor on a busy machine.
inline double ThreadCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// The median processor time of the calling thread in milliseconds of work
// over rounds runs, prepare running untimed before each: what the work
// itself costs, without the time it waits for a processor on a busy machine.
inline double MedianThreadCpuMilliseconds(const std::function<void()>& prepare, const std::function<void()>& work,
                                          int rounds = 9) {
  auto now = [] {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) * 1e-6;
  };
  std::vector<double> times;
  for (int i = 0; i < rounds; ++i) {
    prepare();
    const double start = now();
    work();
    times.push_back(now() - start);
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

// Runs the registered benchmarks; false when the arguments were not
// understood.
inline bool RunRegisteredBenchmarks(int& argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return false;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return true;
}
