#include "cli/custom_model.hpp"

#include <algorithm>

#include "core/quoted_text.hpp"
#include "models/block_polynomial.hpp"
#include "models/catalogue.hpp"
#include "models/gram_code.hpp"

namespace kestrav::cli {
namespace {

// Entry positions within the engine's limit.
bool parsePositions(std::string_view text, std::vector<int>& positions) {
  return parseEntryPositions(text, positions) &&
         std::all_of(positions.begin(), positions.end(), [](int p) { return p <= engine::kMaxEntries; });
}

bool expandCode(const std::string& code, std::vector<int> positions, engine::ModelBlock& block,
                std::string& error) {
  GramMatrix gram;
  if (!decodeGramCode(code, static_cast<int>(positions.size()), gram, error)) return false;
  block.positions = std::move(positions);
  block.coefficients = expandBlock(gram).coefficients;
  return true;
}

}  // namespace

bool buildCustomModel(const SearchArguments& args, engine::SearchModel& model, std::string& error) {
  model = engine::SearchModel{};
  if (!parseLayout(args.layout, model.layout)) {
    error = "--layout: " + quoteForMessage(args.layout) + " is not one of BothEnds, HeadOnly, TailOnly, Bare";
    return false;
  }
  if (!args.gram.empty()) {
    const int size = gramCodeSize(args.gram);
    if (size < 2 || size > engine::kMaxEntries) {
      error = "--gram: " + quoteForMessage(args.gram) + " describes " + std::to_string(size) +
              " entries; 2.." + std::to_string(engine::kMaxEntries) + " are supported";
      return false;
    }
    std::vector<int> positions(static_cast<std::size_t>(size));
    for (int p = 0; p < size; ++p) positions[static_cast<std::size_t>(p)] = p + 1;
    engine::ModelBlock block;
    if (!expandCode(args.gram, positions, block, error)) {
      error = "--gram: " + error;
      return false;
    }
    model.blocks.push_back(std::move(block));
  }
  for (const std::string& text : args.blocks) {
    const std::size_t colon = text.find(':');
    std::vector<int> positions;
    if (colon == std::string::npos || !parsePositions(std::string_view(text).substr(0, colon), positions)) {
      error = "--blocks: " + quoteForMessage(text) +
              " is not POSITIONS:CODE (e.g. 1-4,7:111-/221/21/1, entries 1.." +
              std::to_string(engine::kMaxEntries) + ")";
      return false;
    }
    engine::ModelBlock block;
    if (!expandCode(text.substr(colon + 1), positions, block, error)) {
      // The decoding message quotes the code; the positions say which block.
      error = "--blocks: " + quoteForMessage(text.substr(0, colon)) + ": " + error;
      return false;
    }
    model.blocks.push_back(std::move(block));
  }
  for (const engine::ModelBlock& block : model.blocks) {
    model.entryCount =
        std::max(model.entryCount, *std::max_element(block.positions.begin(), block.positions.end()));
  }
  model.total = args.total;
  model.multipliers = args.multipliers;
  engine::ModelFault fault;
  if (engine::checkSearchModel(model, fault)) return true;
  // The model's entries and blocks are what the user gave as --gram or --blocks.
  const char* option = "--total";
  switch (fault.field) {
    case engine::ModelField::Entries:
    case engine::ModelField::Blocks:
      option = args.gram.empty() ? "--blocks" : "--gram";
      break;
    case engine::ModelField::Total:
      break;
    case engine::ModelField::Multipliers:
      option = "--multipliers";
      break;
  }
  error = std::string(option) + ": " + fault.reason;
  return false;
}

}  // namespace kestrav::cli
