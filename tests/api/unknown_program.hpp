#pragma once
// A program number a catalogue has no row for, read from its rows, so that
// the tests of unknown programs follow the catalogue.

#include <set>

#include "kestrav/catalogue.hpp"

namespace kestrav::testing {

// The smallest positive number that is no row of the catalogue.
inline int firstNumberWithoutRow(const Catalogue& catalogue) {
  std::set<int> numbers;
  for (const CatalogueRow& row : catalogue.rows()) numbers.insert(row.number);
  int number = 1;
  while (numbers.count(number) != 0) ++number;
  return number;
}

}  // namespace kestrav::testing
