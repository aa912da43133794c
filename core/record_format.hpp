#pragma once
// A result record as every writer of result files forms it: each entry in
// decimal followed by one blank, then a newline ("1 2 47 \n"). Entries reach
// the models as 16-bit values, so an entry takes at most five digits and a
// record's length is bounded by its entry count.

#include <charconv>
#include <cstddef>
#include <cstdint>

namespace kestrav {

inline constexpr int kMaxEntryValue = 65535;
inline constexpr int kMaxEntryChars = 5;  // the digits of kMaxEntryValue
inline constexpr int kRecordCharsPerEntry = kMaxEntryChars + 1;
inline constexpr char kEntryEnd = ' ';
inline constexpr char kRecordEnd = '\n';

static_assert(kMaxEntryValue >= 10000 && kMaxEntryValue <= 99999, "kMaxEntryChars digits");

// The longest record of `entryCount` entries, its newline included.
constexpr std::size_t maxRecordLength(std::size_t entryCount) {
  return entryCount * kRecordCharsPerEntry + 1;
}

// Writes one entry (0..kMaxEntryValue) and its blank at `at`, which has room
// for kRecordCharsPerEntry characters; returns the end. Entries below 100,
// by far the most common, take a short path.
inline char* appendEntry(char* at, std::uint32_t value) {
  if (value < 10) {
    *at++ = static_cast<char>('0' + value);
  } else if (value < 100) {
    *at++ = static_cast<char>('0' + value / 10);
    *at++ = static_cast<char>('0' + value % 10);
  } else {
    at = std::to_chars(at, at + kMaxEntryChars, value).ptr;
  }
  *at++ = kEntryEnd;
  return at;
}

}  // namespace kestrav
