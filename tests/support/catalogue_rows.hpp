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

// Every program number, in catalogue order: the parameters of per-row tests.
std::vector<int> catalogueNumbers();

// The smallest positive number that is no program of the catalogue.
int firstNumberWithoutRow();

}  // namespace kestrav::testing
