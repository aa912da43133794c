#pragma once
// The library's errors. Input that cannot be searched (a malformed Gram
// code, a total no multiplier divides, a shard outside 1..N) throws
// kestrav::Error, which names the field at fault and the reason without
// saying how the field was given: each front end words the field in its own
// vocabulary ("--total: ..." on the command line, "total=: ..." in Python).

#include <stdexcept>
#include <string>
#include <string_view>

#include "kestrav/export.hpp"

namespace kestrav {

enum class Field {
  Gram,     // a Gram code over every entry
  Blocks,   // blocks POSITIONS:CODE
  Entries,  // the entries of a tuple (or their number, for the layout)
  Layout,
  Total,
  Multipliers,
  Threads,
  Shard,
  Simd,
  Program,     // a catalogue program number
  Catalogue,   // a catalogue text or file
  Checks,      // the check tables of result files
  Checkpoint,  // the seconds between checkpoints of a search to a file
  Manifest,    // a result file's manifest (FILE.json)
};

// "gram", "blocks", "entries", "layout", "total", "multipliers", "threads",
// "shard", "simd", "program", "catalogue", "checks",
// "checkpoint", "manifest".
KESTRAV_API const char* fieldName(Field field);

class KESTRAV_API Error : public std::invalid_argument {
 public:
  Error(Field field, std::string reason);
  Field field() const noexcept { return field_; }
  // What is wrong, e.g. "\"-3\" is out of range 1..65535".
  const std::string& reason() const noexcept { return reason_; }
  // what() is "FIELD: REASON" with fieldName's word.

 private:
  Field field_;
  std::string reason_;
};

// User input as messages show it: in double quotes, on one line, control
// characters and bytes that are not valid UTF-8 escaped (\n, \xNN), a long
// text cut to its start and end with its length. Every message the library
// builds quotes input this way, so that every message is valid UTF-8.
KESTRAV_API std::string quoted(std::string_view text);

// A file name as messages show it: whole and unquoted, escaped as quoted()
// escapes, so that a name with a newline or invalid UTF-8 stays one line.
KESTRAV_API std::string shownFileName(std::string_view name);

}  // namespace kestrav
