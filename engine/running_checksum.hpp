#pragma once
// A 64-bit checksum of a byte stream, fed in pieces of any size: the same
// bytes give the same value however they are split. It guards the work in
// progress of a search against a truncated or altered file; it is an
// integrity check, not a cryptographic one. Eight bytes at a time, so that
// it costs little beside the search that writes them.

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
  void mix(std::uint64_t word);

  std::uint64_t state_ = 0x243f6a8885a308d3u;
  std::uint64_t length_ = 0;
  unsigned char pending_[8] = {};  // the bytes after the last whole word
};

}  // namespace kestrav::engine
