#pragma once
// Verification of the catalogue programs' result files against the check
// values: every record's format, sum, pinned entries and scale; the passes
// in order with their record counts, first and last records; the line count
// and the SHA-256 of the whole file.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "kestrav/catalogue.hpp"
#include "kestrav/export.hpp"

namespace kestrav {

namespace detail {
struct CheckData;
struct Access;
}  // namespace detail

class KESTRAV_API CheckTables {
 public:
  // The tables built into the library.
  static const CheckTables& builtIn();
  // The tables in a directory (pass_records.tsv, file_lines.tsv,
  // pass5_records.tsv, SHA256SUMS); throws Error(Field::Checks).
  static CheckTables fromDirectory(const std::filesystem::path& directory);

  // The records of each pass of program N's result file, in pass order;
  // empty when the tables do not hold that program.
  std::vector<std::uint64_t> recordsPerPass(int number) const;

  const detail::CheckData& data() const { return *data_; }

 private:
  friend struct detail::Access;
  explicit CheckTables(std::shared_ptr<const detail::CheckData> data) : data_(std::move(data)) {}
  std::shared_ptr<const detail::CheckData> data_;
};

struct ResultVerdict {
  std::size_t lines = 0;
  std::vector<std::string> problems;  // empty when the file is right
  bool ok() const { return problems.empty(); }
};

// Checks one program's complete result file. Anything but a regular file
// and a read error are problems of the file; nothing is thrown for them.
KESTRAV_API ResultVerdict verifyResultFile(const Catalogue& catalogue, int number,
                                           const std::filesystem::path& file,
                                           const CheckTables& checks = CheckTables::builtIn());

struct DirectoryVerification {
  std::filesystem::path directory;
  std::vector<int> programs;  // empty: every row of the catalogue
  bool quiet = false;         // leave out the lines of matching files
};

// Checks the files OutputPartN.txt of the chosen programs in a directory,
// writing "ok" or "MISMATCH" with the reasons per file and a summary to out.
// With no programs given, the absent ones are named on one line, and every
// other file with a manifest (kestrav/manifest.hpp) is checked against it.
// Returns the files missing or wrong. Throws Error(Field::Program) for a
// program not in the catalogue and std::runtime_error for a directory that
// cannot be read, before writing anything.
KESTRAV_API int verifyDirectory(const Catalogue& catalogue, const CheckTables& checks,
                                const DirectoryVerification& request, std::ostream& out);

}  // namespace kestrav
