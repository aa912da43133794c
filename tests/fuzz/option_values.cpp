// Fuzzes the readers of option values: the first byte picks the reader, the
// rest is its text. A value read must be one the reader promises.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "kestrav/error.hpp"
#include "kestrav/values.hpp"
#include "tests/fuzz/fuzz_support.hpp"

namespace {

using namespace kestrav;

void readValue(unsigned reader, std::string_view text) {
  switch (reader % 8) {
    case 0:
      FUZZ_CHECK(layoutName(parseLayoutName(text)) == text);
      break;
    case 1: {
      const int total = parseTotal(text);
      FUZZ_CHECK(total >= 1 && total <= kMaxTotal);
      break;
    }
    case 2: {
      std::vector<int> multipliers = parseMultipliers(text);
      FUZZ_CHECK(!multipliers.empty());
      FUZZ_CHECK(std::all_of(multipliers.begin(), multipliers.end(),
                             [](int m) { return m >= 1 && m <= kMaxTotal; }));
      std::sort(multipliers.begin(), multipliers.end());
      FUZZ_CHECK(std::adjacent_find(multipliers.begin(), multipliers.end()) == multipliers.end());
      break;
    }
    case 3: {
      int index = 0;
      int count = 0;
      parseShard(text, index, count);
      FUZZ_CHECK(index >= 1 && index <= count && count <= kMaxShards);
      break;
    }
    case 4: {
      const int threads = parseThreads(text);
      FUZZ_CHECK(threads >= 1 && threads <= kMaxThreads);
      break;
    }
    case 5:
      FUZZ_CHECK(simdAvailable(parseSimd(text)));
      break;
    case 6: {
      // The bounds of the range come from the text's length, so that both
      // signs and empty ranges are tried.
      const int lo = static_cast<int>(text.size() % 7) - 3;
      const int hi = lo + static_cast<int>(text.size() % 5) - 1;
      const int value = parseWholeNumber(Field::Total, text, lo, hi);
      FUZZ_CHECK(value >= lo && value <= hi);
      break;
    }
    case 7: {
      const double seconds = parseCheckpointSeconds(text);
      FUZZ_CHECK(seconds >= 0 && seconds <= kMaxCheckpointSeconds);
      break;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::string_view text = fuzz::inputText(data + 1, size - 1);
  try {
    readValue(data[0], text);
  } catch (const Error& error) {
    fuzz::checkMessage(error.what());
  }
  return 0;
}
