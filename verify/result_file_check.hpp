#pragma once
// Checks one complete result file OutputPartN.txt against its catalogue row
// and the check values: the record format, the sum, pinned entries and scale
// of every record, the passes in multiplier order with their compositions in
// decreasing order, the records of each pass, the line count and the
// committed SHA-256. The file is read once for all of them; anything but a
// regular file under its name (a directory, a FIFO, a device) and a read
// error are reported as its problem, and no exception leaves the check.

#include <filesystem>
#include <string>
#include <vector>

#include "models/catalogue.hpp"
#include "verify/check_tables.hpp"

namespace kestrav {

struct FileVerdict {
  std::size_t lines = 0;
  std::vector<std::string> problems;  // empty when the file is right
};

FileVerdict checkResultFile(const VariantSpec& row, const std::filesystem::path& file,
                            const ResultChecks& checks);

}  // namespace kestrav
