#pragma once
// The engine's walk formats its records here, in the programs' record format
// (core/record_format.hpp).

#include <cstdint>
#include <cstring>
#include <string>

#include "core/record_format.hpp"

namespace kestrav::engine {

// For the engine's callers that format whole records themselves.
using kestrav::appendEntry;

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
    char line[maxRecordLength(kMaxEntries)];
    std::memcpy(line, head_, static_cast<std::size_t>(headLength_));
    char* end = line + headLength_;
    for (int l = 0; l < tailLength; ++l) end = appendEntry(end, tailEntry(l));
    if (pinnedLast != nullptr) end = appendEntry(end, *pinnedLast);
    *end++ = kRecordEnd;
    out.append(line, end);
  }

 private:
  char head_[kMaxEntries * kRecordCharsPerEntry];
  int headLength_ = -1;
};

}  // namespace kestrav::engine
