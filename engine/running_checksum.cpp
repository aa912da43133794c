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

std::uint64_t mixed(std::uint64_t state, std::uint64_t word) {
  state ^= word * kMultiplier;
  return (state << 29 | state >> 35) * kMultiplier + kIncrement;
}

// The final avalanche: every bit of the state reaches every bit of the value.
std::uint64_t finalMix(std::uint64_t h) {
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdu;
  h ^= h >> 33;
  h *= 0xc4ceb9fe1a85ec53u;
  return h ^ h >> 33;
}

}  // namespace

void RunningChecksum::mixBlock(const unsigned char* block) {
  for (std::size_t lane = 0; lane < kLanes; ++lane)
    lanes_[lane] = mixed(lanes_[lane], wordAt(block + 8 * lane));
}

void RunningChecksum::update(std::string_view bytes) {
  const auto* at = reinterpret_cast<const unsigned char*>(bytes.data());
  std::size_t left = bytes.size();
  auto held = static_cast<std::size_t>(length_ % kBlock);
  length_ += left;
  if (held > 0) {
    const std::size_t taken = std::min(left, kBlock - held);
    std::memcpy(pending_ + held, at, taken);
    at += taken;
    left -= taken;
    if (held + taken < kBlock) return;
    mixBlock(pending_);
  }
  for (; left >= kBlock; at += kBlock, left -= kBlock) mixBlock(at);
  std::memcpy(pending_, at, left);
}

std::uint64_t RunningChecksum::value() const {
  // The bytes after the last block go to their lanes word by word, the
  // last word padded with zeros; the length tells the padding apart.
  std::uint64_t lanes[kLanes];
  std::copy(lanes_, lanes_ + kLanes, lanes);
  const auto held = static_cast<std::size_t>(length_ % kBlock);
  for (std::size_t word = 0; 8 * word < held; ++word) {
    unsigned char padded[8] = {};
    std::memcpy(padded, pending_ + 8 * word, std::min<std::size_t>(8, held - 8 * word));
    lanes[word] = mixed(lanes[word], wordAt(padded));
  }
  std::uint64_t h = mixed(kIncrement, length_);
  for (std::uint64_t lane : lanes) h = mixed(h, lane);
  return finalMix(h);
}

}  // namespace kestrav::engine
