#include "kestrav/model.hpp"

#include <algorithm>

#include "core/quoted_text.hpp"
#include "kestrav/error.hpp"
#include "lib/access.hpp"
#include "lib/big_value.hpp"
#include "lib/model_data.hpp"
#include "models/block_polynomial.hpp"
#include "models/catalogue.hpp"
#include "models/gram_code.hpp"

namespace kestrav {

// The public limits are the engine's.
static_assert(kMaxModelEntries == engine::kMaxEntries);
static_assert(kMaxModelBlocks == engine::kMaxBlocks);
namespace {

engine::ModelBlock expandCode(const Block& given, Field field) {
  GramMatrix gram;
  std::string error;
  if (!decodeGramCode(given.gramCode, static_cast<int>(given.positions.size()), gram, error)) {
    // For a block, the decoding message quotes the code; the positions say which block.
    if (field == Field::Blocks) error = kestrav::quoted(formatEntryPositions(given.positions)) + ": " + error;
    throw Error(field, error);
  }
  return engine::ModelBlock{given.positions, expandBlock(gram).coefficients};
}

Field fieldOf(engine::ModelField field, bool fromGram) {
  switch (field) {
    case engine::ModelField::Entries:
    case engine::ModelField::Blocks:
      return fromGram ? Field::Gram : Field::Blocks;
    case engine::ModelField::Total:
      return Field::Total;
    case engine::ModelField::Multipliers:
      return Field::Multipliers;
  }
  return Field::Total;
}

Model build(std::vector<Block> blocks, Layout layout, int total, std::vector<int> multipliers,
            bool fromGram) {
  engine::SearchModel search;
  search.layout = layout;
  search.total = total;
  search.multipliers = std::move(multipliers);
  const Field field = fromGram ? Field::Gram : Field::Blocks;
  // The blocks cover 1..k once: more positions than a model's entries never
  // do, and are refused before a block's 2^size coefficients are expanded.
  std::size_t positions = 0;
  for (const Block& block : blocks) positions += block.positions.size();
  if (positions > static_cast<std::size_t>(engine::kMaxEntries)) {
    throw Error(field, "the blocks take " + std::to_string(positions) +
                           " entry positions; a model has at most " + std::to_string(engine::kMaxEntries) +
                           " entries");
  }
  for (const Block& block : blocks) {
    if (block.positions.empty() || std::any_of(block.positions.begin(), block.positions.end(),
                                               [](int p) { return p < 1 || p > engine::kMaxEntries; })) {
      throw Error(field, "entry positions must lie in 1.." + std::to_string(engine::kMaxEntries));
    }
    search.blocks.push_back(expandCode(block, field));
    search.entryCount =
        std::max(search.entryCount, *std::max_element(block.positions.begin(), block.positions.end()));
  }
  engine::ModelFault fault;
  if (!engine::checkSearchModel(search, fault)) throw Error(fieldOf(fault.field, fromGram), fault.reason);
  return detail::modelOf(std::move(search), std::move(blocks), fromGram);
}

}  // namespace

namespace detail {
Model modelOf(engine::SearchModel search, std::vector<Block> blocks, bool fromGram) {
  auto data = std::make_shared<ModelData>();
  data->search = std::move(search);
  data->blocks = std::move(blocks);
  data->fromGram = fromGram;
  return Access::model(std::move(data));
}
}  // namespace detail

Block parseBlock(std::string_view text) {
  const std::size_t colon = text.find(':');
  Block block;
  if (colon == std::string_view::npos || !parseEntryPositions(text.substr(0, colon), block.positions) ||
      std::any_of(block.positions.begin(), block.positions.end(),
                  [](int p) { return p > engine::kMaxEntries; })) {
    throw Error(Field::Blocks, kestrav::quoted(text) +
                                   " is not POSITIONS:CODE (e.g. 1-4,7:111-/221/21/1, entries 1.." +
                                   std::to_string(engine::kMaxEntries) + ")");
  }
  block.gramCode = std::string(text.substr(colon + 1));
  return block;
}

std::string formatBlock(const Block& block) {
  return formatEntryPositions(block.positions) + ":" + block.gramCode;
}

Model Model::fromGram(std::string_view gramCode, Layout layout, int total, std::vector<int> multipliers) {
  const int size = gramCodeSize(gramCode);
  if (size < 2 || size > engine::kMaxEntries) {
    throw Error(Field::Gram, kestrav::quoted(gramCode) + " describes " + std::to_string(size) +
                                 " entries; 2.." + std::to_string(engine::kMaxEntries) + " are supported");
  }
  Block block;
  block.gramCode = std::string(gramCode);
  for (int p = 1; p <= size; ++p) block.positions.push_back(p);
  return build({std::move(block)}, layout, total, std::move(multipliers), true);
}

Model Model::fromBlocks(std::vector<Block> blocks, Layout layout, int total, std::vector<int> multipliers) {
  if (blocks.empty()) throw Error(Field::Blocks, "no block given");
  return build(std::move(blocks), layout, total, std::move(multipliers), false);
}

int Model::entryCount() const { return data_->search.entryCount; }
int Model::compositionLength() const { return engine::compositionLength(data_->search); }
Layout Model::layout() const { return data_->search.layout; }
int Model::total() const { return data_->search.total; }
const std::vector<int>& Model::multipliers() const { return data_->search.multipliers; }
const std::vector<Block>& Model::blocks() const { return data_->blocks; }
bool Model::fromGramCode() const { return data_->fromGram; }

std::vector<std::string> Model::blockValues(std::span<const std::int64_t> entries) const {
  const engine::SearchModel& search = data_->search;
  if (entries.size() != static_cast<std::size_t>(search.entryCount)) {
    throw Error(Field::Entries, std::to_string(entries.size()) + " values given; the model has " +
                                    std::to_string(search.entryCount) + " entries");
  }
  std::vector<std::string> values;
  for (const engine::ModelBlock& block : search.blocks) {
    values.push_back(detail::blockValue(block.coefficients, block.positions, entries).decimal());
  }
  return values;
}

bool Model::vanishesAt(std::span<const std::int64_t> entries) const {
  const std::vector<std::string> values = blockValues(entries);
  return std::all_of(values.begin(), values.end(), [](const std::string& v) { return v == "0"; });
}

}  // namespace kestrav
