#pragma once
// main, part and validSet of a scaled program: three passes, with the
// multipliers 1, 2 and 5, into one result file. Included once by the
// program's source, after its catalogue row (see core/program_row.hpp).

#include <cassert>
#include <cstdint>
#include <fstream>

#include "core/composition.hpp"
#include "core/entry_tuple.hpp"
#include "core/pass_dispatch.hpp"
#include "core/program_row.hpp"
#include "core/result_file.hpp"
#include "core/run_constants.hpp"

static_assert(kFamily == kestrav::Family::Scaled && kLayout != kestrav::Layout::Bare);

static std::ofstream myfile;

namespace {
using Shape = kestrav::RowShape<kLayout, kRemovedCount, kEntryCount>;
}  // namespace

KESTRAV_PASS_INLINE int validSet(unsigned short* composition, unsigned short multiplier) {
  // The tuple is formed again for the record, so that the one the model
  // reads stays in registers and nothing is stored for a tuple not written.
  if (kestrav::applyModel(CalculDet,
                          kestrav::scaledEntryTuple<kLayout, Shape::kLength>(composition, multiplier)) == 0) {
    kestrav::writeRecord(myfile, kestrav::scaledEntryTuple<kLayout, Shape::kLength>(composition, multiplier),
                         kProgramNumber);
  }
  return 1;
}

// n is the row's composition length, for which the enumeration is compiled.
void part([[maybe_unused]] unsigned short n, unsigned short total, unsigned short multiplier) {
  assert(n == Shape::kLength);
  const std::int32_t f = kestrav::scaledCompositionSum(total, multiplier, Shape::kPinned);
  kestrav::withConstantMultiplier(multiplier, [f](auto m) {
    // Inlined into the loops, so that what they leave unchanged is hoisted.
    kestrav::forEachComposition<Shape::kLength>(
        f, [m](unsigned short* c) __attribute__((always_inline)) { validSet(c, m); });
  });
}

int main() {
  const std::int32_t n = kestrav::kSlotCount - kRemovedCount - Shape::kPinned;
  kestrav::announceRun(kProgramNumber);
  if (!kestrav::openResultFile(myfile, kProgramNumber)) return 1;
  for (unsigned short multiplier : kestrav::kMultipliers) {
    part(static_cast<unsigned short>(n), static_cast<unsigned short>(kestrav::kTotal), multiplier);
  }
  return kestrav::finishRun(myfile, kProgramNumber);
}
