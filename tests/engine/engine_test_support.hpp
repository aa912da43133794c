#pragma once
// Helpers of the engine tests: a search run into a string, and the
// straightforward search the engine must agree with (every composition, every
// block evaluated exactly in 64 bits, one record per exact zero).

#include <string>
#include <vector>

#include "engine/search_model.hpp"
#include "engine/search_run.hpp"

namespace kestrav::engine::testing {

struct SearchOutput {
  std::string records;
  SearchSummary summary;
};

SearchOutput runToString(const SearchModel& model, const SearchOptions& options);

std::string referenceSearch(const SearchModel& model);

// Every SIMD level this processor runs.
std::vector<SimdLevel> availableSimdLevels();

}  // namespace kestrav::engine::testing
