#pragma once
// Exact values of a block's multilinear polynomial at any tuple of 64-bit
// integers, however large they grow: a sign and magnitude in 32-bit limbs.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kestrav::detail {

class BigValue {
 public:
  BigValue() = default;
  explicit BigValue(std::int64_t value);

  BigValue& operator+=(const BigValue& other);
  BigValue times(std::int64_t factor) const;
  bool isZero() const { return limbs_.empty(); }
  std::string decimal() const;

 private:
  void trim();
  static int compareMagnitude(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b);

  bool negative_ = false;
  std::vector<std::uint32_t> limbs_;  // least significant first; empty for 0
};

// The value at `entries` (entry p of the tuple is entries[p - 1]) of the
// polynomial with these coefficients (indexed by subset masks over
// positions).
BigValue blockValue(const std::vector<std::int64_t>& coefficients, const std::vector<int>& positions,
                    std::span<const std::int64_t> entries);

}  // namespace kestrav::detail
