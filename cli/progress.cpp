#include "cli/progress.hpp"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <numeric>

namespace kestrav::cli {

ProgressLine::ProgressLine(bool enabled, std::string label)
    : enabled_(enabled), label_(std::move(label)), start_(std::chrono::steady_clock::now()) {}

void ProgressLine::update(std::uint64_t done, std::uint64_t total) {
  if (!enabled_) return;
  const auto now = std::chrono::steady_clock::now();
  if (done < total && now - last_ < std::chrono::milliseconds(200)) return;
  last_ = now;
  const double elapsed = std::chrono::duration<double>(now - start_).count();
  const double share = total > 0 ? static_cast<double>(done) / static_cast<double>(total) : 1.0;
  char text[160];
  int length = std::snprintf(text, sizeof text, "%s %3d%%", label_.c_str(), static_cast<int>(share * 100));
  if (done > 0 && elapsed > 0.5) {
    const double rate = static_cast<double>(done) / elapsed;
    length += std::snprintf(text + length, sizeof text - static_cast<std::size_t>(length),
                            "  %.1e compositions/s  %s left", rate,
                            durationText(static_cast<double>(total - done) / rate).c_str());
  }
  const std::size_t shown = std::min(static_cast<std::size_t>(length), sizeof text - 1);
  // Blanks over the end of a longer earlier line.
  std::fprintf(stderr, "\r%s%*s", text, static_cast<int>(width_ > shown ? width_ - shown : 0), "");
  width_ = shown;
  std::fflush(stderr);
}

void ProgressLine::finish() {
  if (!enabled_ || width_ == 0) return;
  std::fprintf(stderr, "\r%*s\r", static_cast<int>(width_), "");
  std::fflush(stderr);
}

std::string durationText(double seconds) {
  if (!(seconds < 1e12)) return "more than 30000 years";
  const auto whole = static_cast<long long>(seconds + 0.5);
  char text[48];
  // Units named, so that "33 min 08 s" cannot be read as hours and minutes.
  if (whole >= 86400) {
    std::snprintf(text, sizeof text, "%lld d %02lld h", whole / 86400, whole / 3600 % 24);
  } else if (whole >= 3600) {
    std::snprintf(text, sizeof text, "%lld h %02lld min", whole / 3600, whole / 60 % 60);
  } else if (whole >= 60) {
    std::snprintf(text, sizeof text, "%lld min %02lld s", whole / 60, whole % 60);
  } else {
    std::snprintf(text, sizeof text, "%lld s", whole);
  }
  return text;
}

bool progressWanted(bool asked) { return asked || ::isatty(STDERR_FILENO) == 1; }

std::string summaryText(const std::vector<int>& multipliers, const std::vector<std::uint64_t>& recordsPerPass,
                        double seconds) {
  const std::uint64_t total = std::accumulate(recordsPerPass.begin(), recordsPerPass.end(), std::uint64_t{0});
  std::string text = std::to_string(total) + (total == 1 ? " record" : " records");
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
