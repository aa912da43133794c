#pragma once
// Writes a program's model as C++: one straight-line nested (Horner)
// expression per block in wrapping unsigned 32-bit arithmetic, the first
// entry of the block outermost.

#include <string>
#include <vector>

#include "models/catalogue.hpp"

namespace kestrav {

// The nested expression of a block polynomial. names[j] is the C++ name of
// block entry j (an unsigned 32-bit value); order lists the block entries
// from outermost to innermost.
std::string hornerExpression(const BlockPolynomial& polynomial, const std::vector<std::string>& names,
                             const std::vector<int>& order);

// How many multiplications by an entry the nested form of that order takes.
int entryMultiplications(const BlockPolynomial& polynomial, const std::vector<int>& order);

// The header kestravN_model.hpp: the row's constants and CalculDet, in
// namespace kestrav::rowN.
std::string modelHeader(const VariantSpec& row, const std::vector<ExpandedBlock>& blocks);

// The program's source kestravN.cpp: its model header joined with the core.
std::string programSource(const VariantSpec& row);

// A source that lists every row's CalculDet behind one calling convention,
// for tests and benchmarks.
std::string modelTableSource(const std::vector<VariantSpec>& rows);

}  // namespace kestrav
