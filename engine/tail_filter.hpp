#pragma once
// The bulk evaluation of the last few composition entries. At the tail of
// the prefix walk every block is a multilinear polynomial in the last L
// entries (L <= 4); the filter evaluates it on every tuple of a small
// simplex of those entries at once, in 16-bit lanes. Arithmetic modulo 2^16
// is a ring homomorphism, so a tuple whose exact value is 0 always passes:
// the filter never loses a zero, and the caller re-checks every hit exactly.

#include <cstdint>

namespace kestrav::engine {

inline constexpr int kMaxTailLength = 4;
inline constexpr int kMaxFilterBlocks = 4;
// Lanes of the widest kernel; point arrays are padded to a multiple of it so
// that every vector load stays inside the array.
inline constexpr int kFilterPadding = 32;

// The tuples of one tail as lines (see TailTable): each line fixes the
// first L - 2 tail entries, and its last two entries run from
// (start, m) in steps of (-m, +m). Lines are sorted by length, longest
// first, and padded with lines of length 0 to a multiple of kFilterPadding.
struct TailLines {
  const std::uint16_t* folded[kMaxTailLength - 2] = {};
  const std::uint16_t* start = nullptr;
  const std::uint16_t* length = nullptr;
  const std::uint32_t* firstTuple = nullptr;
  std::uint32_t count = 0;
  std::uint16_t multiplier = 1;
};

struct TailFilterInput {
  int tailLength = 0;  // L, 1..kMaxTailLength
  int blockCount = 0;  // 0..kMaxFilterBlocks; with none every tuple passes
  // blockCount tables of 2^L coefficients, bit l of the index standing for
  // tail entry l, each reduced to its low 16 bits.
  const std::uint16_t* coefficients = nullptr;
  const std::uint16_t* entries[kMaxTailLength] = {};  // entries[l][i]: entry l of tuple i
  std::uint32_t count = 0;
  // When set (L >= 2), the kernel walks these lines instead of the tuples:
  // along a line the value is a quadratic in the step, evaluated by finite
  // differences with two additions per tuple instead of 2^L - 1
  // multiplications.
  const TailLines* lines = nullptr;
};

// Writes the indices of the tuples at which every block vanishes modulo
// 2^16 to hits (room for count) and returns how many there are. Without
// lines the indices are ascending; with lines they come line by line and the
// caller sorts them.
using TailFilter = std::uint32_t (*)(const TailFilterInput& input, std::uint32_t* hits);

enum class SimdLevel { Scalar, Sse2, Avx2, Avx512 };

const char* simdLevelName(SimdLevel level);
bool parseSimdLevel(const char* name, SimdLevel& level);

// Whether this build has the kernel and this processor can run it.
bool simdLevelAvailable(SimdLevel level);
SimdLevel bestSimdLevel();
TailFilter tailFilterFor(SimdLevel level);  // requires simdLevelAvailable(level)

// One kernel per instruction set, each in its own translation unit compiled
// for that set.
TailFilter scalarTailFilter();
TailFilter sse2TailFilter();
TailFilter avx2TailFilter();
TailFilter avx512TailFilter();

}  // namespace kestrav::engine
