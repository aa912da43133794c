#include "tests/fuzz/small_search.hpp"

#include <cstdint>

#include "kestrav/search.hpp"
#include "tests/fuzz/fuzz_support.hpp"

namespace kestrav::fuzz {
namespace {

// The first records of a search are checked against the exact block values,
// which cost up to 2^16 terms of wide arithmetic each.
constexpr std::uint64_t kExactlyChecked = 8;

unsigned byteSum(std::string_view input) {
  unsigned sum = 0;
  for (const char c : input) sum += static_cast<unsigned char>(c);
  return sum;
}

}  // namespace

ModelSettings settingsFor(std::string_view input) {
  // 12: every search small; 50: the catalogue's; 600: values beyond 32 bits
  // and, for large blocks, beyond 64.
  static constexpr int kTotals[] = {12, 50, 600};
  const unsigned sum = byteSum(input);
  ModelSettings settings;
  settings.layout = kLayoutNames[sum % std::size(kLayoutNames)].value;
  settings.total = kTotals[sum / std::size(kLayoutNames) % std::size(kTotals)];
  settings.multipliers = pinnedCount(settings.layout) == 0 ? std::vector<int>{1} : std::vector<int>{1, 2};
  return settings;
}

void evaluateAt(const Model& model, std::string_view input) {
  std::vector<std::int64_t> entries;
  for (int i = 0; i < model.entryCount(); ++i) {
    const char byte = input.empty() ? '\0' : input[static_cast<std::size_t>(i) % input.size()];
    entries.push_back(static_cast<signed char>(byte));
  }
  const std::vector<std::string> values = model.blockValues(entries);
  FUZZ_CHECK(values.size() == model.blocks().size());
  for (const std::string& value : values) {
    FUZZ_CHECK(!value.empty() && value.find_first_not_of("-0123456789") == std::string::npos);
  }
}

void searchIfSmall(const Model& model, std::string_view input) {
  const SearchSize size = searchSize(model);
  if (size.total > kMaxSearched) return;
  SearchOptions options;
  options.threads = 1;
  options.tailLength = static_cast<int>(byteSum(input) % 5);  // 0: the engine's choice
  std::uint64_t records = 0;
  std::vector<std::int64_t> tuple;
  const SearchSummary found = search(model, options, [&](const RecordBlock& block) {
    FUZZ_CHECK(block.entryCount == model.entryCount());
    for (std::size_t r = 0; r < block.records; ++r, ++records) {
      const std::int32_t* entries = block.entries + r * static_cast<std::size_t>(block.entryCount);
      tuple.assign(entries, entries + block.entryCount);
      std::int64_t sum = 0;
      for (const std::int64_t value : tuple) {
        FUZZ_CHECK(value >= 1 && value % block.multiplier == 0);
        sum += value;
      }
      FUZZ_CHECK(sum == model.total());
      if (records < kExactlyChecked) FUZZ_CHECK(model.vanishesAt(tuple));
    }
    return true;
  });
  FUZZ_CHECK(found.status == SearchStatus::Complete);
  FUZZ_CHECK(found.records == records);
  FUZZ_CHECK(found.compositions == size.total);

  options.simd = Simd::Scalar;
  const SearchSummary counted = countRecords(model, options);
  FUZZ_CHECK(counted.status == SearchStatus::Complete);
  FUZZ_CHECK(counted.recordsPerPass == found.recordsPerPass);
}

}  // namespace kestrav::fuzz
