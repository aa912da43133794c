#include "lib/big_value.hpp"

#include <algorithm>

namespace kestrav::detail {

BigValue::BigValue(std::int64_t value) : negative_(value < 0) {
  // The magnitude of INT64_MIN does not fit int64: take it unsigned.
  std::uint64_t magnitude =
      negative_ ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  while (magnitude != 0) {
    limbs_.push_back(static_cast<std::uint32_t>(magnitude));
    magnitude >>= 32;
  }
}

void BigValue::trim() {
  while (!limbs_.empty() && limbs_.back() == 0) limbs_.pop_back();
  if (limbs_.empty()) negative_ = false;
}

int BigValue::compareMagnitude(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b) {
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  for (std::size_t i = a.size(); i-- > 0;) {
    if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
  }
  return 0;
}

BigValue& BigValue::operator+=(const BigValue& other) {
  if (other.isZero()) return *this;
  if (negative_ == other.negative_ || isZero()) {
    if (isZero()) negative_ = other.negative_;
    limbs_.resize(std::max(limbs_.size(), other.limbs_.size()) + 1, 0);
    std::uint64_t carry = 0;
    for (std::size_t i = 0; i < limbs_.size(); ++i) {
      const std::uint64_t sum = carry + limbs_[i] + (i < other.limbs_.size() ? other.limbs_[i] : 0);
      limbs_[i] = static_cast<std::uint32_t>(sum);
      carry = sum >> 32;
    }
  } else {
    // Opposite signs: the larger magnitude minus the smaller, with its sign.
    const bool otherLarger = compareMagnitude(other.limbs_, limbs_) > 0;
    const std::vector<std::uint32_t>& large = otherLarger ? other.limbs_ : limbs_;
    const std::vector<std::uint32_t>& small = otherLarger ? limbs_ : other.limbs_;
    std::vector<std::uint32_t> difference(large.size());
    std::int64_t borrow = 0;
    for (std::size_t i = 0; i < large.size(); ++i) {
      std::int64_t d = static_cast<std::int64_t>(large[i]) - borrow - (i < small.size() ? small[i] : 0);
      borrow = d < 0 ? 1 : 0;
      if (d < 0) d += std::int64_t{1} << 32;
      difference[i] = static_cast<std::uint32_t>(d);
    }
    if (otherLarger) negative_ = other.negative_;
    limbs_ = std::move(difference);
  }
  trim();
  return *this;
}

BigValue BigValue::times(std::int64_t factor) const {
  BigValue product;
  if (isZero() || factor == 0) return product;
  const std::uint64_t magnitude =
      factor < 0 ? 0 - static_cast<std::uint64_t>(factor) : static_cast<std::uint64_t>(factor);
  const std::uint32_t parts[2] = {static_cast<std::uint32_t>(magnitude),
                                  static_cast<std::uint32_t>(magnitude >> 32)};
  product.limbs_.assign(limbs_.size() + 2, 0);
  for (std::size_t j = 0; j < 2; ++j) {
    std::uint64_t carry = 0;
    for (std::size_t i = 0; i < limbs_.size(); ++i) {
      const std::uint64_t t =
          static_cast<std::uint64_t>(limbs_[i]) * parts[j] + product.limbs_[i + j] + carry;
      product.limbs_[i + j] = static_cast<std::uint32_t>(t);
      carry = t >> 32;
    }
    for (std::size_t k = limbs_.size() + j; carry != 0; ++k) {
      const std::uint64_t t = product.limbs_[k] + carry;
      product.limbs_[k] = static_cast<std::uint32_t>(t);
      carry = t >> 32;
    }
  }
  product.negative_ = negative_ != (factor < 0);
  product.trim();
  return product;
}

std::string BigValue::decimal() const {
  if (isZero()) return "0";
  // Repeated division by 10^9 of a copy of the magnitude.
  std::vector<std::uint32_t> rest = limbs_;
  std::string digits;
  while (!rest.empty()) {
    std::uint64_t remainder = 0;
    for (std::size_t i = rest.size(); i-- > 0;) {
      const std::uint64_t current = (remainder << 32) | rest[i];
      rest[i] = static_cast<std::uint32_t>(current / 1000000000u);
      remainder = current % 1000000000u;
    }
    while (!rest.empty() && rest.back() == 0) rest.pop_back();
    std::string chunk = std::to_string(remainder);
    if (!rest.empty()) chunk.insert(0, 9 - chunk.size(), '0');
    digits.insert(0, chunk);
  }
  return negative_ ? "-" + digits : digits;
}

BigValue blockValue(const std::vector<std::int64_t>& coefficients, const std::vector<int>& positions,
                    std::span<const std::int64_t> entries) {
  std::vector<BigValue> terms(coefficients.begin(), coefficients.end());
  std::size_t width = terms.size();
  // Bit j of a mask stands for positions[j]; the highest bit left is folded
  // into the lower half, one entry at a time.
  for (std::size_t j = positions.size(); j-- > 0;) {
    const std::int64_t y = entries[static_cast<std::size_t>(positions[j] - 1)];
    width /= 2;
    for (std::size_t mask = 0; mask < width; ++mask) terms[mask] += terms[mask + width].times(y);
  }
  return terms.front();
}

}  // namespace kestrav::detail
