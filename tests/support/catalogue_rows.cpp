#include "tests/support/catalogue_rows.hpp"

#include <fstream>
#include <stdexcept>
#include <string>

namespace kestrav::testing {

const std::vector<CatalogueRow>& catalogueRows() {
  static const std::vector<CatalogueRow> rows = [] {
    std::ifstream input(KESTRAV_CATALOGUE);
    std::vector<VariantSpec> specs;
    std::string error;
    if (!readCatalogue(input, specs, error)) throw std::runtime_error(error);
    std::vector<CatalogueRow> expanded;
    for (const VariantSpec& spec : specs) {
      CatalogueRow row{spec, {}};
      if (!expandVariantSpec(spec, row.blocks, error)) {
        throw std::runtime_error("row " + std::to_string(spec.number) + ": " + error);
      }
      expanded.push_back(row);
    }
    return expanded;
  }();
  return rows;
}

const CatalogueRow& catalogueRow(int number) {
  for (const CatalogueRow& row : catalogueRows()) {
    if (row.spec.number == number) return row;
  }
  throw std::out_of_range("no catalogue row " + std::to_string(number));
}

}  // namespace kestrav::testing
