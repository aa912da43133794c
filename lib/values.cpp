#include "kestrav/values.hpp"

#include <algorithm>
#include <charconv>

#include "core/record_format.hpp"
#include "core/text_fields.hpp"
#include "engine/tail_filter.hpp"

namespace kestrav {

// A total is at most the largest entry the record format and the engine take.
static_assert(kMaxTotal == kMaxEntryValue);

int parseWholeNumber(Field field, std::string_view text, int lo, int hi) {
  int value = 0;
  switch (readWholeNumber(text, lo, hi, value)) {
    case WholeNumber::Read:
      return value;
    case WholeNumber::NotANumber:
      throw Error(field, kestrav::quoted(text) + " is not a whole number");
    case WholeNumber::OutOfRange:
      break;
  }
  throw Error(field,
              kestrav::quoted(text) + " is out of range " + std::to_string(lo) + ".." + std::to_string(hi));
}

Layout parseLayoutName(std::string_view text) {
  Layout layout{};
  if (!parseLayout(text, layout))
    throw Error(Field::Layout, kestrav::quoted(text) + " is not one of " + namesIn(kLayoutNames, ", "));
  return layout;
}

int parseTotal(std::string_view text) { return parseWholeNumber(Field::Total, text, 1, kMaxTotal); }

std::vector<int> parseMultipliers(std::string_view text) {
  std::vector<int> multipliers;
  const bool list = text.find(',') != std::string_view::npos;
  for (const std::string_view item : splitAt(text, ',')) {
    int m = 0;
    try {
      m = parseWholeNumber(Field::Multipliers, item, 1, kMaxTotal);
    } catch (const Error& error) {
      if (!list) throw;
      throw Error(Field::Multipliers, kestrav::quoted(text) + ": " + error.reason());
    }
    // Each multiplier is one pass: a repeated one would repeat its records.
    if (std::find(multipliers.begin(), multipliers.end(), m) != multipliers.end())
      throw Error(Field::Multipliers, kestrav::quoted(text) + ": " + std::to_string(m) + " is given twice");
    multipliers.push_back(m);
  }
  return multipliers;
}

int parseThreads(std::string_view text) { return parseWholeNumber(Field::Threads, text, 1, kMaxThreads); }

double parseCheckpointSeconds(std::string_view text) {
  // Digits, then at most one '.' and its digits: no sign, exponent or blank.
  const std::size_t point = text.find('.');
  const std::string_view whole = text.substr(0, point);
  const std::string_view fraction = point == std::string_view::npos ? "" : text.substr(point + 1);
  const auto digits = [](std::string_view part) {
    return std::all_of(part.begin(), part.end(), [](char c) { return c >= '0' && c <= '9'; });
  };
  if (whole.empty() || !digits(whole) || !digits(fraction) ||
      (point != std::string_view::npos && fraction.empty()))
    throw Error(Field::Checkpoint, kestrav::quoted(text) + " is not a number of seconds");
  double seconds = 0;
  const auto read =
      std::from_chars(text.data(), text.data() + text.size(), seconds, std::chars_format::fixed);
  if (read.ec != std::errc() || seconds > kMaxCheckpointSeconds)
    throw Error(Field::Checkpoint, kestrav::quoted(text) + " is out of range 0.." +
                                       std::to_string(static_cast<int>(kMaxCheckpointSeconds)));
  return seconds;
}

void parseShard(std::string_view text, int& index, int& count) {
  const std::size_t slash = text.find('/');
  if (slash == std::string_view::npos)
    throw Error(Field::Shard, kestrav::quoted(text) + " is not i/N (slice i of N)");
  try {
    const int n = parseWholeNumber(Field::Shard, text.substr(slash + 1), 1, kMaxShards);
    index = parseWholeNumber(Field::Shard, text.substr(0, slash), 1, n);
    count = n;
  } catch (const Error& error) {
    throw Error(Field::Shard, kestrav::quoted(text) + ": " + error.reason());
  }
}

Simd parseSimd(std::string_view text) {
  Simd simd{};
  if (!parseIn(kSimdNames, text, simd))
    throw Error(Field::Simd, kestrav::quoted(text) + " is not one of " + namesIn(kSimdNames, ", "));
  if (!simdAvailable(simd))
    throw Error(Field::Simd, std::string(text) + " is not available on this processor or in this build");
  return simd;
}

std::vector<Block> parseBlocks(std::string_view text) {
  std::vector<Block> blocks;
  for (const std::string_view word : blankSeparatedWords(text)) blocks.push_back(parseBlock(word));
  if (blocks.empty()) throw Error(Field::Blocks, kestrav::quoted(text) + " holds no block");
  return blocks;
}

}  // namespace kestrav
