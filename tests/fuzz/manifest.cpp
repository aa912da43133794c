// Fuzzes the manifest reader: the input is a manifest's text. A manifest
// that reads writes back as text that reads as the same manifest, and its
// model is one the library takes or refuses with one line naming the field.
#include <cstddef>
#include <cstdint>

#include "kestrav/error.hpp"
#include "kestrav/manifest.hpp"
#include "tests/fuzz/fuzz_support.hpp"
#include "tests/fuzz/small_search.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kestrav;
  const std::string_view text = fuzz::inputText(data, size);
  Manifest manifest;
  try {
    manifest = parseManifest(text);
  } catch (const Error& error) {
    FUZZ_CHECK(error.field() == Field::Manifest);
    fuzz::checkMessage(error.what());
    return 0;
  }
  const std::string written = manifestText(manifest);
  FUZZ_CHECK(manifestText(parseManifest(written)) == written);
  try {
    const Model model = manifestModel(manifest);
    FUZZ_CHECK(sameSearch(manifestFor(model), manifestFor(manifestModel(manifestFor(model)))));
    fuzz::evaluateAt(model, text);
  } catch (const Error& error) {
    FUZZ_CHECK(error.field() != Field::Manifest);
    fuzz::checkMessage(error.what());
  }
  return 0;
}
