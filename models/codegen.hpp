#pragma once
// Writes a program's model as C++: one straight-line nested (Horner)
// expression per block in wrapping unsigned 32-bit arithmetic, the block's
// last free entry outermost (see loopNestingOrder).

#include <string>
#include <vector>

#include "models/catalogue.hpp"

namespace kestrav {

// The nested expression of a block polynomial. names[j] is the C++ name of
// block entry j (an unsigned 32-bit value); order lists the block entries,
// outermost first.
std::string hornerExpression(const BlockPolynomial& polynomial, const std::vector<std::string>& names,
                             const std::vector<int>& order);

// The nesting order of a program's model block, whose entry j is the tuple's
// entry positions[j]: the entries not in constantEntries from the last
// position to the first, then the constant ones. The programs enumerate
// compositions in nested loops, the later entries in the inner loops, so
// in this order every subexpression depends only on entries of its loop and
// the loops around it, and the compiler hoists it out of the loops inside.
std::vector<int> loopNestingOrder(const std::vector<int>& positions, std::uint32_t constantEntries);

// Programs use the Nested style: the order of loopNestingOrder, with the
// pinned entries as constants. The Literal style keeps the natural order;
// benchmarks measure against it.
enum class ModelStyle { Nested, Literal };

// The namespace of a row's model: kestrav::rowN, or kestrav::literal::rowN.
std::string modelNamespace(int number, ModelStyle style);

// The header kestravN_model.hpp: the row's constants and CalculDet.
std::string modelHeader(const VariantSpec& row, const std::vector<ExpandedBlock>& blocks,
                        ModelStyle style = ModelStyle::Nested);

// The program's source kestravN.cpp: its model header joined with the core.
std::string programSource(const VariantSpec& row);

// A source that lists every row's CalculDet behind one calling convention,
// for tests and benchmarks.
std::string modelTableSource(const std::vector<VariantSpec>& rows);

}  // namespace kestrav
