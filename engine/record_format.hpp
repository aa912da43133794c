#pragma once
// A result record as the programs write it: every entry in decimal followed
// by one blank, then a newline.

#include <charconv>
#include <cstdint>

namespace kestrav::engine {

// Writes one entry (at most 65535, so 5 digits) and its blank at `at`;
// returns the end.
inline char* appendEntry(char* at, std::uint32_t value) {
  at = std::to_chars(at, at + 5, value).ptr;
  *at++ = ' ';
  return at;
}

}  // namespace kestrav::engine
