#pragma once
// A result record as the programs write it: every entry in decimal followed
// by one blank, then a newline.

#include <charconv>
#include <cstdint>

namespace kestrav::engine {

// Writes one entry (at most 65535, so 5 digits) and its blank at `at`;
// returns the end.
// Entries below 100, by far the most common, take a short path.
inline char* appendEntry(char* at, std::uint32_t value) {
  if (value < 10) {
    *at++ = static_cast<char>('0' + value);
  } else if (value < 100) {
    *at++ = static_cast<char>('0' + value / 10);
    *at++ = static_cast<char>('0' + value % 10);
  } else {
    at = std::to_chars(at, at + 5, value).ptr;
  }
  *at++ = ' ';
  return at;
}

}  // namespace kestrav::engine
