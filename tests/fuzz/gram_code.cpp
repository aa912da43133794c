// Fuzzes the Gram code reader: the input is the code of a model over every
// entry. A model that is built is evaluated at a tuple of the input's bytes
// and, when small, searched.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "kestrav/error.hpp"
#include "kestrav/model.hpp"
#include "tests/fuzz/fuzz_support.hpp"
#include "tests/fuzz/small_search.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kestrav;
  const std::string_view code = fuzz::inputText(data, size);
  if (fuzz::tooCostly(static_cast<std::size_t>(std::count(code.begin(), code.end(), '/')) + 2)) return 0;
  const fuzz::ModelSettings settings = fuzz::settingsFor(code);
  try {
    const Model model = Model::fromGram(code, settings.layout, settings.total, settings.multipliers);
    FUZZ_CHECK(model.fromGramCode() && model.blocks().size() == 1 && model.blocks()[0].gramCode == code);
    FUZZ_CHECK(static_cast<int>(model.blocks()[0].positions.size()) == model.entryCount());
    fuzz::evaluateAt(model, code);
    fuzz::searchIfSmall(model, code);
  } catch (const Error& error) {
    FUZZ_CHECK(error.field() == Field::Gram || error.field() == Field::Total);
    fuzz::checkMessage(error.what());
  }
  return 0;
}
