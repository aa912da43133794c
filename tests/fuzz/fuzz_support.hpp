#pragma once
// What the fuzz targets share: the input as text, split into words, and the
// checks a target makes of what it gets back. A failed check aborts, which
// the fuzzer reports as a crash and keeps the input of.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "core/quoted_text.hpp"

#define FUZZ_CHECK(condition)                                                       \
  do {                                                                              \
    if (!(condition)) ::kestrav::fuzz::checkFailed(#condition, __FILE__, __LINE__); \
  } while (false)

namespace kestrav::fuzz {

[[noreturn]] inline void checkFailed(const char* condition, const char* file, int line) {
  std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, condition);
  std::abort();
}

inline std::string_view inputText(const std::uint8_t* data, std::size_t size) {
  return size == 0 ? std::string_view() : std::string_view(reinterpret_cast<const char*>(data), size);
}

// The pieces between separators, empty ones kept ("a\0\0b" gives "a", "", "b").
inline std::vector<std::string> piecesOf(std::string_view text, char separator) {
  std::vector<std::string> pieces;
  while (true) {
    const std::size_t at = text.find(separator);
    pieces.emplace_back(text.substr(0, at));
    if (at == std::string_view::npos) return pieces;
    text.remove_prefix(at + 1);
  }
}

// A message as the library promises it: one line of valid UTF-8, whatever
// the input held.
inline void checkMessage(std::string_view message) {
  bool valid = !message.empty() && message.find('\n') == std::string_view::npos;
  for (std::size_t i = 0; valid && i < message.size();) {
    const std::size_t length = utf8SequenceLength(message.substr(i));
    valid = length > 0;
    i += length;
  }
  if (!valid) {
    std::fprintf(stderr, "message: %s\n", shownName(message).c_str());
    checkFailed("the message is one line of valid UTF-8", __FILE__, __LINE__);
  }
}

}  // namespace kestrav::fuzz
