// Fuzzes the catalogue reader: the input is a catalogue's text. Every row of
// a catalogue that reads is a model as the catalogue describes it.
#include <cstddef>
#include <cstdint>

#include "kestrav/catalogue.hpp"
#include "kestrav/error.hpp"
#include "tests/fuzz/fuzz_support.hpp"
#include "tests/fuzz/small_search.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kestrav;
  const std::string_view text = fuzz::inputText(data, size);
  try {
    const Catalogue catalogue = Catalogue::fromText(text);
    FUZZ_CHECK(!catalogue.rows().empty());
    for (const CatalogueRow& row : catalogue.rows()) {
      FUZZ_CHECK(catalogue.find(row.number) == &row);
      const Model& model = row.model;
      FUZZ_CHECK((row.family == Family::Unscaled) == (model.layout() == Layout::Bare));
      FUZZ_CHECK(model.multipliers().size() == (row.family == Family::Unscaled ? 1U : 3U));
      fuzz::evaluateAt(model, text);
      fuzz::searchIfSmall(model, text);
    }
  } catch (const Error& error) {
    FUZZ_CHECK(error.field() == Field::Catalogue);
    fuzz::checkMessage(error.what());
  }
  return 0;
}
