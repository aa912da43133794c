#pragma once
// Writes the literal design of a catalogue program: the program as it reads
// from its description, with nothing chosen for speed. It is the baseline
// the programs are measured against (bench/programs-vs-literal).

#include <string>

#include "models/catalogue.hpp"

namespace kestrav {

// The literal program's name, kestravN_literal.
std::string literalProgramName(int number);

// The name of the literal program's model header, kestravN_literal_model.hpp
// (the Literal style of modelHeader: natural nesting, one 32-bit expression).
std::string literalModelHeaderName(int number);

// The source kestravN_literal.cpp: the standard library and its model header
// only. validSet forms the entries inline in the call to CalculDet with the
// run-time multiplier; part walks the compositions with the successor rule as
// a plain loop; every record is flushed with std::endl.
std::string literalProgramSource(const VariantSpec& row);

}  // namespace kestrav
