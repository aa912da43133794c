#pragma once
// What a kestrav::Catalogue holds: the rows as parsed (for verification)
// and as public rows with their models.

#include <vector>

#include "kestrav/catalogue.hpp"
#include "models/catalogue.hpp"

namespace kestrav::detail {

struct CatalogueData {
  std::vector<VariantSpec> variantRows;
  std::vector<CatalogueRow> rows;  // in the same order
};

}  // namespace kestrav::detail
