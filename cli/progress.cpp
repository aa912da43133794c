#include "cli/progress.hpp"

#include <unistd.h>

#include <cstdio>
#include <numeric>

namespace kestrav::cli {

ProgressLine::ProgressLine(bool enabled, std::string label) : enabled_(enabled), label_(std::move(label)) {}

void ProgressLine::update(double fraction) {
  if (!enabled_) return;
  const auto now = std::chrono::steady_clock::now();
  if (fraction < 1.0 && now - last_ < std::chrono::milliseconds(200)) return;
  last_ = now;
  std::fprintf(stderr, "\r%s %3d%%", label_.c_str(), static_cast<int>(fraction * 100));
  std::fflush(stderr);
}

void ProgressLine::finish() {
  if (!enabled_) return;
  std::fprintf(stderr, "\r%*s\r", static_cast<int>(label_.size()) + 5, "");
  std::fflush(stderr);
}

bool progressWanted(bool asked) { return asked || ::isatty(STDERR_FILENO) == 1; }

std::string summaryText(const std::vector<int>& multipliers, const std::vector<std::uint64_t>& recordsPerPass,
                        double seconds) {
  const std::uint64_t total = std::accumulate(recordsPerPass.begin(), recordsPerPass.end(), std::uint64_t{0});
  std::string text = std::to_string(total) + " records";
  if (multipliers.size() > 1) {
    text += " (";
    for (std::size_t p = 0; p < multipliers.size(); ++p) {
      text +=
          (p > 0 ? ", m=" : "m=") + std::to_string(multipliers[p]) + ": " + std::to_string(recordsPerPass[p]);
    }
    text += ")";
  }
  char time[32];
  std::snprintf(time, sizeof time, ", %.2f s", seconds);
  return text + time;
}

}  // namespace kestrav::cli
