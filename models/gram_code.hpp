#pragma once
// Gram matrices and their written form, the Gram code: the strict upper
// triangle row by row, rows separated by '/', one character per element
// ('2' '1' '0' '-' '=' for +2 +1 0 -1 -2). The diagonal is always 2.

#include <string>
#include <string_view>
#include <vector>

namespace kestrav {

struct GramMatrix {
  int size = 0;
  std::vector<int> elements;  // row-major, size * size

  std::size_t index(int row, int column) const {
    return static_cast<std::size_t>(row) * static_cast<std::size_t>(size) + static_cast<std::size_t>(column);
  }
  int at(int row, int column) const { return elements[index(row, column)]; }
};

// Decodes a code for a size x size matrix. On a malformed code (wrong number
// or length of groups, another character) returns false and says why.
bool decodeGramCode(std::string_view code, int size, GramMatrix& matrix, std::string& error);

// The size a code describes (the characters of its first group + 1), or 0.
int gramCodeSize(std::string_view code);

}  // namespace kestrav
