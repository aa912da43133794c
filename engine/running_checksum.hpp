#pragma once
// A 64-bit checksum of a byte stream, fed in pieces of any size: the same
// bytes give the same value however they are split. It guards the work in
// progress of a search against a truncated or altered file; it is an
// integrity check, not a cryptographic one. Four lanes of eight bytes are
// mixed side by side, so that it costs little beside the search that
// writes the bytes.

#include <cstdint>
#include <string_view>

namespace kestrav::engine {

class RunningChecksum {
 public:
  void update(std::string_view bytes);
  // The checksum of every byte fed so far; feeding may go on.
  std::uint64_t value() const;
  std::uint64_t length() const { return length_; }

 private:
  static constexpr std::size_t kLanes = 4;
  static constexpr std::size_t kBlock = 8 * kLanes;
  void mixBlock(const unsigned char* block);

  std::uint64_t lanes_[kLanes] = {0x243f6a8885a308d3u, 0x13198a2e03707344u, 0xa4093822299f31d0u,
                                  0x082efa98ec4e6c89u};
  std::uint64_t length_ = 0;
  unsigned char pending_[kBlock] = {};  // the bytes after the last whole block
};

}  // namespace kestrav::engine
