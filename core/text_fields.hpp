#pragma once
// Fields of text as the catalogue, the check tables and the command line
// write them: whole numbers in decimal, lists split at a separator and words
// between blanks. One rule each, so that every reader accepts the same.

#include <charconv>
#include <concepts>
#include <cstddef>
#include <limits>
#include <string_view>
#include <system_error>
#include <type_traits>
#include <vector>

namespace kestrav {

// How a text reads as a whole number.
enum class WholeNumber { Read, NotANumber, OutOfRange };

// Reads all of text as a decimal number in lo..hi. A whole number is ASCII
// digits, with a leading '-' when Int is signed: no '+', no blanks, no other
// character before or after. A number outside lo..hi, or outside Int, is
// OutOfRange; anything else NotANumber. value is set only on Read.
template <std::integral Int>
WholeNumber readWholeNumber(std::string_view text, std::type_identity_t<Int> lo, std::type_identity_t<Int> hi,
                            Int& value) {
  Int parsed{};
  const char* const end = text.data() + text.size();
  const auto [stop, ec] = std::from_chars(text.data(), end, parsed);
  // Digits followed by more text ("12abc") are no number, however many digits.
  if (ec == std::errc::invalid_argument || stop != end) return WholeNumber::NotANumber;
  if (ec == std::errc::result_out_of_range || parsed < lo || parsed > hi) return WholeNumber::OutOfRange;
  value = parsed;
  return WholeNumber::Read;
}

// The same over all of Int; true when the text reads.
template <std::integral Int>
bool parseWholeNumber(std::string_view text, Int& value) {
  return readWholeNumber(text, std::numeric_limits<Int>::min(), std::numeric_limits<Int>::max(), value) ==
         WholeNumber::Read;
}

// The fields between separators, empty ones kept, so that the caller sees
// what is missing: "a,,b" gives "a", "", "b" and "" gives one empty field.
// The fields are views into text.
inline std::vector<std::string_view> splitAt(std::string_view text, char separator) {
  std::vector<std::string_view> fields;
  while (true) {
    const std::size_t at = text.find(separator);
    fields.push_back(text.substr(0, at));
    if (at == std::string_view::npos) return fields;
    text.remove_prefix(at + 1);
  }
}

// The words between runs of blanks (' '), none empty: "  a b  " gives "a",
// "b" and a text of blanks none. The words are views into text.
inline std::vector<std::string_view> blankSeparatedWords(std::string_view text) {
  std::vector<std::string_view> words;
  std::size_t start = 0;
  while ((start = text.find_first_not_of(' ', start)) != std::string_view::npos) {
    const std::size_t end = text.find(' ', start);
    words.push_back(text.substr(start, end - start));  // to the end when no blank follows
    start = end;
  }
  return words;
}

}  // namespace kestrav
