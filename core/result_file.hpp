#pragma once
// The console lines of a run and the result file OutputPartN.txt. A failure
// to open or write the result file ends the run with a message on standard
// error and status 1, instead of losing the results silently.

#include <array>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>

#include "core/result_name.hpp"

namespace kestrav {

// Writes the start line "Writing partitions to the file: OutputPartN.txt".
void announceRun(std::int32_t programNumber);

// Opens the result file with truncation. On failure reports
// "kestravN: cannot open OutputPartN.txt: <reason>" and returns false.
bool openResultFile(std::ofstream& file, std::int32_t programNumber);

// Reports a failed write, flush or close and ends the process with status 1;
// every record flushed before stays in the file.
[[noreturn]] void failResultWrite(std::int32_t programNumber, int savedErrno);

// Closes the result file and writes the closing lines. Returns the exit
// status: 0, or 1 (after a report) when the close failed.
int finishRun(std::ofstream& file, std::int32_t programNumber);

// Appends one result record (core/record_format.hpp), each value in decimal
// followed by a blank, and the line end, in one write, and flushes it. A
// failure ends the process as failResultWrite does.
void writeRecordValues(std::ofstream& file, const std::int32_t* values, std::size_t count,
                       std::int32_t programNumber);

template <std::size_t K>
void writeRecord(std::ofstream& file, const std::array<std::int32_t, K>& entries,
                 std::int32_t programNumber) {
  writeRecordValues(file, entries.data(), K, programNumber);
}

}  // namespace kestrav
