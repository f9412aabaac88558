#pragma once
// A small timing harness for the benchmark programs that run under Wine,
// where Google Benchmark is not at hand: runs a body a number of times and
// keeps the times in milliseconds; the median is the figure printed.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace moravel::bench {

class Timings {
 public:
  void add(double milliseconds) { times_.push_back(milliseconds); }
  double median() const {
    if (times_.empty()) return 0;
    std::vector<double> sorted = times_;
    std::sort(sorted.begin(), sorted.end());
    const size_t middle = sorted.size() / 2;
    return sorted.size() % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
  }
  double fastest() const { return times_.empty() ? 0 : *std::min_element(times_.begin(), times_.end()); }
  size_t runs() const { return times_.size(); }

 private:
  std::vector<double> times_;
};

class Stopwatch {
 public:
  Stopwatch() : start_(std::chrono::steady_clock::now()) {}
  double milliseconds() const {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start_).count();
  }

 private:
  std::chrono::steady_clock::time_point start_;
};

// Runs `body` at least `minRuns` times and until `minMilliseconds` have
// passed (at most `maxRuns` times).
template <typename Body>
Timings measure(Body&& body, int minRuns = 5, double minMilliseconds = 300, int maxRuns = 1000) {
  Timings timings;
  const Stopwatch total;
  for (int run = 0; run < maxRuns; ++run) {
    if (run >= minRuns && total.milliseconds() >= minMilliseconds) break;
    const Stopwatch one;
    body();
    timings.add(one.milliseconds());
  }
  return timings;
}

inline void printTiming(const std::string& what, const Timings& timings) {
  std::printf("  %-52s %10.3f ms  (median of %zu, fastest %.3f)\n", what.c_str(), timings.median(),
              timings.runs(), timings.fastest());
}

// A ratio with its goal, in the same form as the native benchmark's.
inline void printRatio(const std::string& what, double ratio, double goal, bool atMost) {
  const bool met = atMost ? ratio <= goal : ratio >= goal;
  std::printf("  %-52s %10.2f   goal %s %g  %s\n", what.c_str(), ratio, atMost ? "<=" : ">=", goal,
              met ? "met" : "MISSED");
}

}  // namespace moravel::bench
