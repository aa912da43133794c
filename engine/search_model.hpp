#pragma once
// A search as the engine runs it: the entry layout, the total, the passes'
// multipliers and the model as one or more blocks of multilinear
// coefficients. Built from a catalogue row or from a model given on the
// command line.

#include <cstdint>
#include <string>
#include <vector>

#include "core/layout.hpp"
#include "core/record_format.hpp"

namespace kestrav::engine {

inline constexpr int kMaxEntries = 16;
inline constexpr int kMaxBlocks = 4;
using kestrav::kMaxEntryValue;  // entries reach the model as 16-bit values

struct ModelBlock {
  std::vector<int> positions;              // entry positions, 1-based, in the block's row order
  std::vector<std::int64_t> coefficients;  // 2^size, indexed by subset mask over positions
};

struct SearchModel {
  int entryCount = 0;  // k
  Layout layout = Layout::Bare;
  int total = 0;
  std::vector<int> multipliers;
  std::vector<ModelBlock> blocks;
};

int compositionLength(const SearchModel& model);

// Composition sum of the pass with this multiplier: total / m - pinned.
int compositionSum(const SearchModel& model, int multiplier);

// The width of the unsigned words the search is evaluated in. Every entry
// is positive and the entries of a pass sum to the total, so a block over b
// entries has |value| <= |c0| + max|c| * ((1 + total/b)^b - 1) (AM-GM on
// prod(1 + y)). Arithmetic modulo 2^w is then exact once that bound is below
// 2^(w-1): 32 when it is, 64 when the 64-bit bound holds, 0 when neither.
int evaluationWidth(const SearchModel& model);
long double valueBound(const SearchModel& model);

// The part of a search that checkSearchModel finds at fault: the entry
// count (for the layout), the blocks, the total or the multipliers.
enum class ModelField { Entries, Blocks, Total, Multipliers };

struct ModelFault {
  ModelField field = ModelField::Entries;
  std::string reason;  // what is wrong, without naming how the field was given
};

// "entries", "blocks", "total", "multipliers".
const char* modelFieldName(ModelField field);

// Checks what the engine relies on. A multiplier must divide the total,
// every entry must fit 16 bits, the blocks must cover 1..k once.
bool checkSearchModel(const SearchModel& model, ModelFault& fault);
// The same, with the fault as "FIELD: REASON".
bool checkSearchModel(const SearchModel& model, std::string& error);

}  // namespace kestrav::engine
