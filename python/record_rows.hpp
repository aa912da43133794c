#pragma once
// Result records as rows of int32: parsed from the text the engine writes
// (every entry in decimal followed by one blank, a newline per record) and
// written back in the same form, byte for byte.

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace kestrav::python {

// Appends the entries of the whole records in `text` to `rows`, `entries`
// values per record. Returns false with the reason on text that is not such
// records (a record of another length, a piece that ends inside a record).
bool appendRecords(std::string_view text, int entries, std::vector<std::int32_t>& rows, std::string& error);

// Writes `count` rows of `entries` values (each 0..65535) as records.
// Returns false with the system's reason when a write fails.
bool writeRecords(std::FILE* file, const std::int32_t* rows, std::size_t count, int entries,
                  std::string& error);

}  // namespace kestrav::python
