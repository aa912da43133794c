#include "tests/support/catalogue_rows.hpp"

#include <algorithm>
#include <fstream>
#include <stdexcept>
#include <string>

namespace kestrav::testing {

const std::vector<CatalogueRow>& catalogueRows() {
  static const std::vector<CatalogueRow> rows = [] {
    std::ifstream input(KESTRAV_CATALOGUE);
    std::vector<VariantSpec> variants;
    std::string error;
    if (!readCatalogue(input, variants, error)) throw std::runtime_error(error);
    std::vector<CatalogueRow> expanded;
    for (const VariantSpec& variant : variants) {
      CatalogueRow row{variant, {}};
      if (!expandCatalogueRow(variant, row.blocks, error)) {
        throw std::runtime_error("row " + std::to_string(variant.number) + ": " + error);
      }
      expanded.push_back(row);
    }
    return expanded;
  }();
  return rows;
}

const CatalogueRow& catalogueRow(int number) {
  for (const CatalogueRow& row : catalogueRows()) {
    if (row.variant.number == number) return row;
  }
  throw std::out_of_range("no catalogue row " + std::to_string(number));
}

std::vector<int> catalogueNumbers() {
  std::vector<int> numbers;
  for (const CatalogueRow& row : catalogueRows()) numbers.push_back(row.variant.number);
  return numbers;
}

int firstNumberWithoutRow() {
  const std::vector<int> numbers = catalogueNumbers();
  int number = 1;
  while (std::find(numbers.begin(), numbers.end(), number) != numbers.end()) ++number;
  return number;
}

}  // namespace kestrav::testing
