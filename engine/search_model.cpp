#include "engine/search_model.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <stdexcept>
#include <utility>

#include "core/run_constants.hpp"
#include "models/block_positions.hpp"

namespace kestrav::engine {

int compositionLength(const SearchModel& model) {
  return kestrav::compositionLength(model.entryCount, model.layout);
}

int compositionSum(const SearchModel& model, int multiplier) {
  return kestrav::compositionSum(model.total, multiplier, model.layout);
}

long double valueBound(const SearchModel& model) {
  long double worst = 0;
  for (const ModelBlock& block : model.blocks) {
    const auto size = static_cast<long double>(block.positions.size());
    std::int64_t largest = 0;
    for (std::size_t mask = 1; mask < block.coefficients.size(); ++mask) {
      largest = std::max<std::int64_t>(largest, std::llabs(block.coefficients[mask]));
    }
    const long double growth = std::pow(1.0L + static_cast<long double>(model.total) / size, size) - 1.0L;
    const long double bound = static_cast<long double>(std::llabs(block.coefficients[0])) +
                              static_cast<long double>(largest) * growth;
    worst = std::max(worst, bound);
  }
  return worst;
}

int evaluationWidth(const SearchModel& model) {
  // The margin covers the rounding of pow in long double.
  const long double bound = valueBound(model) * (1.0L + 1e-12L);
  if (bound < std::ldexp(1.0L, 31)) return 32;
  if (bound < std::ldexp(1.0L, 63)) return 64;
  return 0;
}

const char* modelFieldName(ModelField field) {
  switch (field) {
    case ModelField::Entries:
      return "entries";
    case ModelField::Blocks:
      return "blocks";
    case ModelField::Total:
      return "total";
    case ModelField::Multipliers:
      return "multipliers";
  }
  return "model";
}

bool checkSearchModel(const SearchModel& model, ModelFault& fault) {
  const auto fail = [&fault](ModelField field, std::string reason) {
    fault = ModelFault{field, std::move(reason)};
    return false;
  };
  const int n = compositionLength(model);
  if (model.entryCount < 1 || model.entryCount > kMaxEntries || n < 1) {
    return fail(ModelField::Entries, "the model has " + std::to_string(model.entryCount) +
                                         " entries; layout " + layoutName(model.layout) + " needs 1.." +
                                         std::to_string(kMaxEntries) + " and at least " +
                                         std::to_string(pinnedCount(model.layout) + 1));
  }
  if (model.blocks.empty() || static_cast<int>(model.blocks.size()) > kMaxBlocks) {
    return fail(ModelField::Blocks, "give 1 to " + std::to_string(kMaxBlocks) + " blocks");
  }
  for (const ModelBlock& block : model.blocks) {
    if (block.coefficients.size() != (std::size_t{1} << block.positions.size())) {
      throw std::logic_error("block coefficient table does not match its positions");
    }
  }
  if (!blocksCoverOnce(model.blocks, model.entryCount)) {
    return fail(ModelField::Blocks, "the blocks' positions do not cover entries 1.." +
                                        std::to_string(model.entryCount) + " exactly once");
  }
  if (model.total < 1 || model.total > kMaxEntryValue) {
    return fail(ModelField::Total, std::to_string(model.total) + " is outside 1.." +
                                       std::to_string(kMaxEntryValue) + " (entries are 16-bit values)");
  }
  if (model.multipliers.empty()) return fail(ModelField::Multipliers, "no multiplier given");
  for (int m : model.multipliers) {
    if (m < 1 || model.total % m != 0) {
      return fail(ModelField::Multipliers,
                  std::to_string(m) + " does not divide the total " + std::to_string(model.total));
    }
    // The largest entry of a pass is m * (f - n + 1) (or the pinned m).
    const std::int64_t largest =
        static_cast<std::int64_t>(m) * std::max<std::int64_t>(1, compositionSum(model, m) - n + 1);
    if (largest > kMaxEntryValue) {
      return fail(ModelField::Multipliers, "with multiplier " + std::to_string(m) + " an entry reaches " +
                                               std::to_string(largest) + ", which does not fit 16 bits");
    }
  }
  if (evaluationWidth(model) == 0) {
    return fail(ModelField::Total, "with total " + std::to_string(model.total) +
                                       " the model's values could exceed 64 bits; exact evaluation is "
                                       "not possible");
  }
  return true;
}

bool checkSearchModel(const SearchModel& model, std::string& error) {
  ModelFault fault;
  if (checkSearchModel(model, fault)) return true;
  error = std::string(modelFieldName(fault.field)) + ": " + fault.reason;
  return false;
}

}  // namespace kestrav::engine
