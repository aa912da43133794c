#pragma once
// The values front ends read as text (command-line words, a binding's
// strings), one reader each, so that every front end accepts the same and
// says the same of what it refuses. Each throws Error naming its field,
// with a reason that quotes the text.

#include <string_view>
#include <vector>

#include "kestrav/error.hpp"
#include "kestrav/export.hpp"
#include "kestrav/layout.hpp"
#include "kestrav/search.hpp"

namespace kestrav {

inline constexpr int kMaxTotal = 65535;  // entries reach the model as 16-bit values

// A decimal whole number in lo..hi: ASCII digits, with a leading '-' only
// for negative numbers; nothing else before or after.
KESTRAV_API int parseWholeNumber(Field field, std::string_view text, int lo, int hi);

KESTRAV_API Layout parseLayoutName(std::string_view text);             // BothEnds, HeadOnly, TailOnly, Bare
KESTRAV_API int parseTotal(std::string_view text);                     // 1..kMaxTotal
KESTRAV_API std::vector<int> parseMultipliers(std::string_view text);  // "1,2,5", none twice
KESTRAV_API int parseThreads(std::string_view text);                   // 1..kMaxThreads
KESTRAV_API void parseShard(std::string_view text, int& index, int& count);  // "i/N", 1 <= i <= N
KESTRAV_API Simd parseSimd(std::string_view text);  // a name of kSimdNames available here
// Seconds between checkpoints: "5", "0.25"; 0..kMaxCheckpointSeconds.
KESTRAV_API double parseCheckpointSeconds(std::string_view text);
// Blocks POSITIONS:CODE separated by blanks ("1-4:222/22/2 5-6:2"), each as
// parseBlock reads it; a text without a block is an Error(Field::Blocks).
KESTRAV_API std::vector<Block> parseBlocks(std::string_view text);

}  // namespace kestrav
