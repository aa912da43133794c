#pragma once
// The catalogue as the tests see it: every row parsed and expanded once.

#include <vector>

#include "models/catalogue.hpp"

namespace kestrav::testing {

struct CatalogueRow {
  VariantSpec variant;
  std::vector<ExpandedBlock> blocks;
};

const std::vector<CatalogueRow>& catalogueRows();
const CatalogueRow& catalogueRow(int number);

}  // namespace kestrav::testing
