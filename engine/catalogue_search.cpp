#include "engine/catalogue_search.hpp"

#include <cmath>
#include <sstream>
#include <stdexcept>

#include "core/result_name.hpp"
#include "core/run_constants.hpp"

namespace kestrav::engine {

SearchModel searchModelFromRow(const VariantSpec& row, const std::vector<ExpandedBlock>& blocks) {
  SearchModel model;
  model.entryCount = row.entryCount;
  model.layout = row.layout;
  model.total = kTotal;
  if (row.family == Family::Scaled) {
    model.multipliers.assign(kMultipliers.begin(), kMultipliers.end());
  } else {
    model.multipliers = {1};
  }
  for (const ExpandedBlock& block : blocks) {
    model.blocks.push_back(ModelBlock{block.positions, block.polynomial.coefficients});
  }
  // The reference programs evaluate in wrapping 32-bit arithmetic; the engine
  // reproduces them only where that equals exact evaluation.
  if (valueBound(model) >= std::ldexp(1.0L, 29)) {
    throw std::logic_error(programName(row.number) +
                           ": the model's values are not provably below 2^29 in magnitude");
  }
  return model;
}

bool loadCatalogueSearches(const std::string& text, std::vector<CatalogueSearch>& searches,
                           std::string& error) {
  std::istringstream input(text);
  std::vector<VariantSpec> rows;
  if (!readCatalogue(input, rows, error)) return false;
  searches.clear();
  for (const VariantSpec& row : rows) {
    std::vector<ExpandedBlock> blocks;
    if (!expandCatalogueRow(row, blocks, error)) {
      error = "row " + std::to_string(row.number) + ": " + error;
      return false;
    }
    searches.push_back(CatalogueSearch{row.number, searchModelFromRow(row, blocks)});
  }
  return true;
}

}  // namespace kestrav::engine
