#pragma once
// main's work, part and validSet of every catalogue program, as templates on
// the program's Row (its model header: the row's constants and CalculDet).
// A scaled program makes three passes, with the multipliers 1, 2 and 5, into
// one result file; an unscaled one makes one pass over every composition of
// the total, each composition being the entry tuple itself.

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <fstream>

#include "core/composition.hpp"
#include "core/entry_tuple.hpp"
#include "core/pass_dispatch.hpp"
#include "core/program_row.hpp"
#include "core/record_format.hpp"
#include "core/result_file.hpp"
#include "core/run_constants.hpp"

namespace kestrav {

// The program's result file.
inline std::ofstream myfile;

// A record's entries are at most the total times the largest multiplier: the
// records fit the record format.
static_assert(kTotal * std::ranges::max(kMultipliers) <= kMaxEntryValue);

// The entry tuple of one composition in the row's layout: the composition
// itself for an unscaled row, which has no multiplier.
template <class Row>
[[gnu::always_inline]] inline auto entryTuple(const unsigned short* composition, unsigned short multiplier) {
  using Shape = RowShape<Row>;
  if constexpr (Shape::kScaled) {
    return scaledEntryTuple<Row::kLayout, Shape::kLength>(composition, multiplier);
  } else {
    return bareEntryTuple<Shape::kLength>(composition);
  }
}

// Writes the entry tuple of one composition when the model is zero on it.
template <class Row>
KESTRAV_PASS_INLINE int validSet(unsigned short* composition, unsigned short multiplier) {
  // The tuple is formed again for the record, so that the one the model
  // reads stays in registers and nothing is stored for a tuple not written.
  if (applyModel(Row::CalculDet, entryTuple<Row>(composition, multiplier)) == 0) {
    writeRecord(myfile, entryTuple<Row>(composition, multiplier), Row::kProgramNumber);
  }
  return 1;
}

// One pass: every composition of the pass's sum. n is the row's composition
// length, for which the enumeration is compiled. Kept out of runProgram: when
// inlined there, the loops of some unscaled rows ran up to a fifth slower.
template <class Row>
[[gnu::noinline]] void part([[maybe_unused]] unsigned short n, unsigned short total,
                            unsigned short multiplier) {
  using Shape = RowShape<Row>;
  assert(n == Shape::kLength);
  // validSet is inlined into the loops, so that what they leave unchanged is
  // hoisted.
  const std::int32_t f = compositionSum(total, multiplier, Row::kLayout);
  if constexpr (Shape::kScaled) {
    withConstantMultiplier(multiplier, [f](auto m) {
      forEachComposition<Shape::kLength>(
          f, [m](unsigned short* c) __attribute__((always_inline)) { validSet<Row>(c, m); });
    });
  } else {
    forEachComposition<Shape::kLength>(
        f, [](unsigned short* c) __attribute__((always_inline)) { validSet<Row>(c, 1); });
  }
}

// The whole run; returns the exit status.
template <class Row>
int runProgram() {
  using Shape = RowShape<Row>;
  announceRun(Row::kProgramNumber);
  if (!openResultFile(myfile, Row::kProgramNumber)) return 1;
  if constexpr (Shape::kScaled) {
    for (unsigned short multiplier : kMultipliers) {
      part<Row>(static_cast<unsigned short>(Shape::kLength), static_cast<unsigned short>(kTotal), multiplier);
    }
  } else {
    // The one pass has no multiplier; 1 stands in for it.
    part<Row>(static_cast<unsigned short>(Shape::kLength), static_cast<unsigned short>(kTotal), 1);
  }
  return finishRun(myfile, Row::kProgramNumber);
}

}  // namespace kestrav
