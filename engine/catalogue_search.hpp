#pragma once
// The catalogue's rows as engine searches.

#include <string>
#include <vector>

#include "engine/search_model.hpp"

namespace kestrav::engine {

struct CatalogueSearch {
  int number = 0;
  SearchModel model;
};

// Parses and expands every row of a catalogue text. Returns false with the
// row's message when a row is malformed.
bool loadCatalogueSearches(const std::string& text, std::vector<CatalogueSearch>& searches,
                           std::string& error);

}  // namespace kestrav::engine
