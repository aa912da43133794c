#include "verify/verify_directory.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/result_name.hpp"
#include "verify/result_file_check.hpp"

namespace kestrav {

bool verifyResultDirectory(const std::vector<VariantSpec>& rows, const ResultChecks& checks,
                           const VerifyArguments& arguments, std::ostream& out, int& wrongFiles,
                           std::string& error) {
  std::vector<const VariantSpec*> chosen;
  for (int number : arguments.programs) {
    const VariantSpec* found = findByNumber(rows, number);
    if (found == nullptr) {
      error = std::to_string(number) + ": no such program in the catalogue";
      return false;
    }
    chosen.push_back(found);
  }
  if (chosen.empty()) {
    for (const VariantSpec& row : rows) chosen.push_back(&row);
  }
  // A directory that cannot be opened is one error, not a mismatch per file.
  const int directory = ::open(arguments.directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (directory < 0) {
    error = "cannot read the directory " + arguments.directory.string() + ": " + std::strerror(errno);
    return false;
  }
  ::close(directory);
  wrongFiles = 0;
  for (const VariantSpec* row : chosen) {
    const std::string name = resultFileName(row->number);
    const FileVerdict verdict = checkResultFile(*row, arguments.directory / name, checks);
    if (verdict.problems.empty()) {
      if (arguments.quiet) continue;
      out << "ok       " << name << " (" << verdict.lines << " lines)\n";
    } else {
      ++wrongFiles;
      out << "MISMATCH " << name << '\n';
      for (const std::string& problem : verdict.problems) out << "         " << problem << '\n';
    }
    // Each file's lines go out before the next file is read; once the
    // report cannot be written, checking on is of no use.
    if (!out.flush()) return true;
  }
  out << chosen.size() - static_cast<std::size_t>(wrongFiles) << " of " << chosen.size()
      << " result files match their check values and checksums\n";
  return true;
}

}  // namespace kestrav
