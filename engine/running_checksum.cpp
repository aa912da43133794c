#include "engine/running_checksum.hpp"

#include <algorithm>
#include <cstring>

namespace kestrav::engine {
namespace {

constexpr std::uint64_t kMultiplier = 0x9e3779b97f4a7c15u;
constexpr std::uint64_t kIncrement = 0xd6e8feb86659fd93u;

// Words are read little-endian on every machine, so that a file checked
// on one reads the same on another.
std::uint64_t wordAt(const unsigned char* bytes) {
  std::uint64_t word = 0;
  for (int i = 7; i >= 0; --i) word = word << 8 | bytes[i];
  return word;
}

std::uint64_t rotated(std::uint64_t value, int bits) { return value << bits | value >> (64 - bits); }

// The final avalanche: every bit of the state reaches every bit of the value.
std::uint64_t finalMix(std::uint64_t h) {
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdu;
  h ^= h >> 33;
  h *= 0xc4ceb9fe1a85ec53u;
  return h ^ h >> 33;
}

}  // namespace

void RunningChecksum::mix(std::uint64_t word) {
  state_ = rotated(state_ ^ word * kMultiplier, 29) * kMultiplier + kIncrement;
}

void RunningChecksum::update(std::string_view bytes) {
  const auto* at = reinterpret_cast<const unsigned char*>(bytes.data());
  std::size_t left = bytes.size();
  auto held = static_cast<std::size_t>(length_ % 8);
  length_ += left;
  if (held > 0) {
    const std::size_t taken = std::min(left, 8 - held);
    std::memcpy(pending_ + held, at, taken);
    at += taken;
    left -= taken;
    held += taken;
    if (held < 8) return;
    mix(wordAt(pending_));
  }
  for (; left >= 8; at += 8, left -= 8) mix(wordAt(at));
  std::memcpy(pending_, at, left);
}

std::uint64_t RunningChecksum::value() const {
  RunningChecksum last = *this;
  const auto held = static_cast<std::size_t>(length_ % 8);
  std::memset(last.pending_ + held, 0, 8 - held);
  if (held > 0) last.mix(wordAt(last.pending_));
  last.mix(length_);
  return finalMix(last.state_);
}

}  // namespace kestrav::engine
