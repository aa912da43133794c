#include "models/gram_code.hpp"

#include <algorithm>

#include "core/quoted_text.hpp"
#include "core/text_fields.hpp"

namespace kestrav {
namespace {

// "Gram code "...": character '—' is not one of 2 1 0 - =", the character
// at the start of `from` quoted whole (or escaped when it is not UTF-8).
std::string badCharacter(std::string_view code, std::string_view from) {
  const std::size_t length = std::max<std::size_t>(1, utf8SequenceLength(from));
  std::string error = "Gram code " + quoteForMessage(code) + ": character '";
  appendEscaped(error, from.substr(0, length));
  error += "' is not one of 2 1 0 - =";
  return error;
}

bool elementOf(char symbol, int& value) {
  switch (symbol) {
    case '2':
      value = 2;
      return true;
    case '1':
      value = 1;
      return true;
    case '0':
      value = 0;
      return true;
    case '-':
      value = -1;
      return true;
    case '=':
      value = -2;
      return true;
    default:
      return false;
  }
}

}  // namespace

int gramCodeSize(std::string_view code) {
  if (code.empty()) return 0;
  // The first group holds a character for every entry after the first, so
  // it states the size even when a later group is missing.
  return static_cast<int>(code.substr(0, code.find('/')).size()) + 1;
}

bool decodeGramCode(std::string_view code, int size, GramMatrix& matrix, std::string& error) {
  if (size < 2) {
    error = "a Gram code describes a matrix of size 2 or more, not " + std::to_string(size);
    return false;
  }
  // A character beyond ASCII (a dash pasted from a paper) is named as such
  // rather than miscounted as several characters or groups.
  const auto wide = std::find_if(code.begin(), code.end(), [](char c) { return (c & 0x80) != 0; });
  if (wide != code.end()) {
    error = badCharacter(code, code.substr(static_cast<std::size_t>(wide - code.begin())));
    return false;
  }
  const std::vector<std::string_view> groups = splitAt(code, '/');
  if (static_cast<int>(groups.size()) != size - 1) {
    error = "Gram code " + quoteForMessage(code) + " has " + std::to_string(groups.size()) + " groups; a " +
            std::to_string(size) + "x" + std::to_string(size) + " matrix needs " + std::to_string(size - 1);
    return false;
  }
  matrix.size = size;
  matrix.elements.assign(static_cast<std::size_t>(size) * static_cast<std::size_t>(size), 2);
  for (int row = 0; row + 1 < size; ++row) {
    const std::string_view group = groups[static_cast<std::size_t>(row)];
    const int expected = size - 1 - row;
    if (static_cast<int>(group.size()) != expected) {
      // The group is named by its number: quoting it too would show the code twice.
      error = "Gram code " + quoteForMessage(code) + ": group " + std::to_string(row + 1) + " has " +
              std::to_string(group.size()) + " characters, expected " + std::to_string(expected);
      return false;
    }
    for (int offset = 0; offset < expected; ++offset) {
      int value = 0;
      const char symbol = group[static_cast<std::size_t>(offset)];
      if (!elementOf(symbol, value)) {
        error = badCharacter(code, group.substr(static_cast<std::size_t>(offset)));
        return false;
      }
      const int column = row + 1 + offset;
      matrix.elements[matrix.index(row, column)] = value;
      matrix.elements[matrix.index(column, row)] = value;
    }
  }
  return true;
}

}  // namespace kestrav
