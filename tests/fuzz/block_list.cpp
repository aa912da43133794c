// Fuzzes the reader of block lists: the input is a list of blocks
// POSITIONS:CODE separated by blanks. Each block read is written back and
// read again, and the model they make is built, evaluated at a tuple of the
// input's bytes and, when small, searched.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "kestrav/error.hpp"
#include "kestrav/model.hpp"
#include "kestrav/values.hpp"
#include "tests/fuzz/fuzz_support.hpp"
#include "tests/fuzz/small_search.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kestrav;
  const std::string_view text = fuzz::inputText(data, size);
  const fuzz::ModelSettings settings = fuzz::settingsFor(text);
  try {
    const std::vector<Block> blocks = parseBlocks(text);
    for (const Block& block : blocks) {
      if (fuzz::tooCostly(block.positions.size())) return 0;
      // The written form reads back as the same block.
      const Block again = parseBlock(formatBlock(block));
      FUZZ_CHECK(again.positions == block.positions && again.gramCode == block.gramCode);
    }
    const Model model = Model::fromBlocks(blocks, settings.layout, settings.total, settings.multipliers);
    FUZZ_CHECK(!model.fromGramCode() && model.blocks().size() == blocks.size());
    fuzz::evaluateAt(model, text);
    fuzz::searchIfSmall(model, text);
  } catch (const Error& error) {
    FUZZ_CHECK(error.field() == Field::Blocks || error.field() == Field::Total);
    fuzz::checkMessage(error.what());
  }
  return 0;
}
