#pragma once
// main, part and validSet of an unscaled program: one pass over every
// composition of the total, each composition being the entry tuple itself.
// Included once by the program's source, after its catalogue row (see
// core/program_row.hpp).

#include <cassert>
#include <cstdint>
#include <fstream>

#include "core/composition.hpp"
#include "core/entry_tuple.hpp"
#include "core/pass_dispatch.hpp"
#include "core/program_row.hpp"
#include "core/result_file.hpp"
#include "core/run_constants.hpp"

static_assert(kFamily == kestrav::Family::Unscaled && kLayout == kestrav::Layout::Bare);

static std::ofstream myfile;

namespace {
using Shape = kestrav::RowShape<kLayout, kRemovedCount, kEntryCount>;
}  // namespace

KESTRAV_PASS_INLINE int validSet(unsigned short* composition) {
  // The tuple is formed again for the record, so that the one the model
  // reads stays in registers and nothing is stored for a tuple not written.
  if (kestrav::applyModel(CalculDet, kestrav::bareEntryTuple<Shape::kLength>(composition)) == 0) {
    kestrav::writeRecord(myfile, kestrav::bareEntryTuple<Shape::kLength>(composition), kProgramNumber);
  }
  return 1;
}

// n is the row's composition length, for which the enumeration is compiled.
void part([[maybe_unused]] unsigned short n, unsigned short total) {
  assert(n == Shape::kLength);
  // Inlined into the loops, so that what they leave unchanged is hoisted.
  kestrav::forEachComposition<Shape::kLength>(
      static_cast<std::int32_t>(total),
      [](unsigned short* c) __attribute__((always_inline)) { validSet(c); });
}

int main() {
  const std::int32_t n = kestrav::kSlotCount - kRemovedCount;
  kestrav::announceRun(kProgramNumber);
  if (!kestrav::openResultFile(myfile, kProgramNumber)) return 1;
  part(static_cast<unsigned short>(n), static_cast<unsigned short>(kestrav::kTotal));
  return kestrav::finishRun(myfile, kProgramNumber);
}
