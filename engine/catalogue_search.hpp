#pragma once
// The catalogue's rows as engine searches.

#include <string>
#include <vector>

#include "engine/search_model.hpp"
#include "models/catalogue.hpp"

namespace kestrav::engine {

// The search a catalogue program runs: total 50, multipliers 1, 2, 5 for the
// scaled family and one pass for the unscaled one. Throws std::logic_error
// when the row's model is not provably exact in 32 bits (every catalogue
// coefficient lies within +-6, so |value| < 6 * 6^10 < 2^29).
SearchModel searchModelFromRow(const VariantSpec& row, const std::vector<ExpandedBlock>& blocks);

struct CatalogueSearch {
  int number = 0;
  SearchModel model;
};

// Parses and expands every row of a catalogue text. Returns false with the
// row's message when a row is malformed.
bool loadCatalogueSearches(const std::string& text, std::vector<CatalogueSearch>& searches,
                           std::string& error);

}  // namespace kestrav::engine
