#pragma once
// A result record as the programs write it: every entry in decimal followed
// by one blank, then a newline. The engine's walk formats its records here.

#include <charconv>
#include <cstdint>
#include <cstring>
#include <string>

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

// The records of one tail of the walk share the entries before it: they are
// formatted once (start, then add for each), and each record copies them
// and adds its own last entries (record).
class RecordLine {
 public:
  static constexpr int kMaxEntries = 16;  // of a record, pinned ones included

  void start() { headLength_ = 0; }
  bool started() const { return headLength_ >= 0; }
  void add(std::uint32_t value) {
    headLength_ = static_cast<int>(appendEntry(head_ + headLength_, value) - head_);
  }
  void clear() { headLength_ = -1; }

  // Appends the head, the tail entries and, when given, a pinned last entry,
  // then the line end.
  template <class TailEntry>
  void record(std::string& out, int tailLength, TailEntry tailEntry, const std::uint32_t* pinnedLast) const {
    char line[sizeof head_ + 1];
    std::memcpy(line, head_, static_cast<std::size_t>(headLength_));
    char* end = line + headLength_;
    for (int l = 0; l < tailLength; ++l) end = appendEntry(end, tailEntry(l));
    if (pinnedLast != nullptr) end = appendEntry(end, *pinnedLast);
    *end++ = '\n';
    out.append(line, end);
  }

 private:
  char head_[kMaxEntries * 6];
  int headLength_ = -1;
};

}  // namespace kestrav::engine
