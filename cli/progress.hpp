#pragma once
// A progress line on standard error, redrawn in place at most a few times a
// second, and a program's summary line.

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace kestrav::cli {

// "kestrav search  42%  8.1e+09 compositions/s  1 min 05 s left": the share of
// the compositions searched, the rate since the start, the time left at it.
class ProgressLine {
 public:
  ProgressLine(bool enabled, std::string label);
  void update(std::uint64_t done, std::uint64_t total);
  void finish();  // erases the line

 private:
  bool enabled_;
  std::string label_;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point last_{};
  std::size_t width_ = 0;
};

// "45 s", "1 min 05 s", "2 h 03 min", "3 d 04 h": a duration for people.
std::string durationText(double seconds);

// Whether progress is shown: asked for, or standard error is a terminal.
bool progressWanted(bool asked);

// "1234 records (m=1: 1000, m=2: 200, m=5: 34), 0.42 s"; one pass gives
// "1234 records, 0.42 s".
std::string summaryText(const std::vector<int>& multipliers, const std::vector<std::uint64_t>& recordsPerPass,
                        double seconds);

}  // namespace kestrav::cli
