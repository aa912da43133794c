#include "tests/engine/engine_test_support.hpp"

#include <cstdio>
#include <stdexcept>

#include "core/composition.hpp"

namespace kestrav::engine::testing {

SearchOutput runToString(const SearchModel& model, const SearchOptions& options) {
  std::FILE* file = std::tmpfile();
  if (file == nullptr) throw std::runtime_error("tmpfile failed");
  SearchOutput output;
  std::string error;
  if (runSearch(model, options, file, output.summary, error) != SearchStatus::Complete) {
    std::fclose(file);
    throw std::runtime_error(error);
  }
  std::rewind(file);
  char buffer[65536];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
    output.records.append(buffer, got);
  std::fclose(file);
  return output;
}

std::string referenceSearch(const SearchModel& model) {
  const int n = compositionLength(model);
  std::string records;
  for (int m : model.multipliers) {
    const int f = compositionSum(model, m);
    if (f < n) continue;
    forEachComposition(static_cast<std::uint16_t>(n), f, [&](const std::uint16_t* c) {
      std::vector<std::int64_t> entries;
      if (pinsHead(model.layout)) entries.push_back(m);
      for (int i = 0; i < n; ++i) entries.push_back(static_cast<std::int64_t>(m) * c[i]);
      if (pinsTail(model.layout)) entries.push_back(m);
      for (const ModelBlock& block : model.blocks) {
        std::int64_t value = 0;
        for (std::size_t mask = 0; mask < block.coefficients.size(); ++mask) {
          std::int64_t term = block.coefficients[mask];
          for (std::size_t j = 0; j < block.positions.size(); ++j) {
            if (mask >> j & 1) term *= entries[static_cast<std::size_t>(block.positions[j] - 1)];
          }
          value += term;
        }
        if (value != 0) return;
      }
      for (std::int64_t e : entries) records += std::to_string(e) + ' ';
      records += '\n';
    });
  }
  return records;
}

std::vector<SimdLevel> availableSimdLevels() {
  std::vector<SimdLevel> levels;
  for (SimdLevel level : {SimdLevel::Scalar, SimdLevel::Sse2, SimdLevel::Avx2, SimdLevel::Avx512}) {
    if (simdLevelAvailable(level)) levels.push_back(level);
  }
  return levels;
}

}  // namespace kestrav::engine::testing
