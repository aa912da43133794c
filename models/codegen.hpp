#pragma once
// Writes a program's files as C++: its model header, with one straight-line
// nested (Horner) expression per block in wrapping unsigned 32-bit arithmetic
// (models/horner_expression.hpp), the block's last free entry outermost
// (models/nesting_order.hpp); its source; the table of every model.

#include <string>
#include <vector>

#include "models/catalogue.hpp"

namespace kestrav {

// Programs use the Nested style: the order of programNestingOrder, with the
// pinned entries as constants. The Literal style keeps the natural order;
// benchmarks measure against it.
enum class ModelStyle { Nested, Literal };

// The namespace of a row's model: kestrav::rowN, or kestrav::literal::rowN.
std::string modelNamespace(int number, ModelStyle style);

// The name of a row's model header, kestravN_model.hpp.
std::string modelHeaderName(int number);

// The header kestravN_model.hpp: the row's constants and CalculDet, and in
// the Nested style the type Row that gathers them for core/program.hpp.
std::string modelHeader(const VariantSpec& row, const std::vector<ExpandedBlock>& blocks,
                        ModelStyle style = ModelStyle::Nested);

// The program's source kestravN.cpp: main runs the core (core/program.hpp)
// with the row's Row.
std::string programSource(const VariantSpec& row);

// A source that lists every row's CalculDet behind one calling convention,
// for tests and benchmarks.
std::string modelTableSource(const std::vector<VariantSpec>& rows);

}  // namespace kestrav
