#include "engine/catalogue_search.hpp"

#include <sstream>

#include "models/catalogue.hpp"

namespace kestrav::engine {

bool loadCatalogueSearches(const std::string& text, std::vector<CatalogueSearch>& searches,
                           std::string& error) {
  std::istringstream input(text);
  std::vector<VariantSpec> rows;
  if (!readCatalogue(input, rows, error)) return false;
  searches.clear();
  for (const VariantSpec& row : rows) {
    std::vector<ExpandedBlock> blocks;
    if (!expandVariantSpec(row, blocks, error)) {
      error = "row " + std::to_string(row.number) + ": " + error;
      return false;
    }
    searches.push_back(CatalogueSearch{row.number, searchModelFromRow(row, blocks)});
  }
  return true;
}

}  // namespace kestrav::engine
