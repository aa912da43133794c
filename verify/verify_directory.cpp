#include "verify/verify_directory.hpp"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <set>
#include <string_view>

#include "core/result_name.hpp"
#include "kestrav/manifest.hpp"
#include "verify/result_file_check.hpp"

namespace kestrav {
namespace {

// The files of the directory with a manifest FILE.json beside them, by name.
std::vector<std::string> filesWithManifests(const std::filesystem::path& directory) {
  std::vector<std::string> names;
  std::error_code failed;
  for (const auto& entry : std::filesystem::directory_iterator(directory, failed)) {
    const std::string name = entry.path().filename().string();
    if (name.size() <= kManifestSuffix.size() || !name.ends_with(kManifestSuffix)) continue;
    const std::string base = name.substr(0, name.size() - kManifestSuffix.size());
    std::error_code ignored;
    if (std::filesystem::exists(directory / base, ignored)) names.push_back(base);
  }
  std::sort(names.begin(), names.end());
  return names;
}

// "1-6, 10, 12-75": the programs at the given positions of the catalogue,
// a run of neighbouring rows as its first and last number.
std::string absentPrograms(const std::vector<const VariantSpec*>& rows,
                           const std::vector<std::size_t>& positions) {
  std::string text;
  for (std::size_t i = 0; i < positions.size();) {
    std::size_t last = i;
    while (last + 1 < positions.size() && positions[last + 1] == positions[last] + 1) ++last;
    if (!text.empty()) text += ", ";
    text += std::to_string(rows[positions[i]]->number);
    if (last > i) {
      // Appended piece by piece: GCC 12 warns wrongly (-Wrestrict) about "-" + ...
      text += '-';
      text += std::to_string(rows[positions[last]]->number);
    }
    i = last + 1;
  }
  return text;
}

}  // namespace

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
  const bool everyRow = arguments.programs.empty();
  std::vector<std::size_t> absent;  // positions in chosen
  std::set<std::string> checked;
  int wrong = 0;
  // One file's lines; each goes out before the next file is read, and once
  // the report cannot be written, checking on is of no use.
  const auto report = [&](const std::string& name, const std::string& what,
                          const std::vector<std::string>& problems) {
    if (problems.empty()) {
      if (!arguments.quiet) out << "ok       " << name << " (" << what << ")\n";
    } else {
      ++wrong;
      out << "MISMATCH " << name << '\n';
      for (const std::string& problem : problems) out << "         " << problem << '\n';
    }
    return static_cast<bool>(out.flush());
  };
  for (std::size_t position = 0; position < chosen.size(); ++position) {
    const VariantSpec* row = chosen[position];
    const std::string name = resultFileName(row->number);
    const std::filesystem::path file = arguments.directory / name;
    checked.insert(name);
    std::error_code ignored;
    if (everyRow && !std::filesystem::exists(std::filesystem::symlink_status(file, ignored))) {
      absent.push_back(position);
      continue;
    }
    const FileVerdict verdict = checkResultFile(*row, file, checks);
    if (!report(name, std::to_string(verdict.lines) + " lines", verdict.problems)) return true;
  }
  const int wrongOfRows = wrong;
  int withManifests = 0;
  if (everyRow && arguments.checkWithManifest) {
    for (const std::string& name : filesWithManifests(arguments.directory)) {
      if (checked.count(name) != 0) continue;  // catalogue files keep their check tables
      ++withManifests;
      const std::string fault = arguments.checkWithManifest(arguments.directory / name);
      std::vector<std::string> problems;
      if (!fault.empty()) problems.push_back(fault);
      if (!report(name, "its manifest", problems)) return true;
    }
  }
  if (!absent.empty()) {
    out << "absent   " << absent.size() << " of " << chosen.size() << " catalogue result files (programs "
        << absentPrograms(chosen, absent) << ")\n";
  }
  wrongFiles = wrong + static_cast<int>(absent.size());
  out << chosen.size() - absent.size() - static_cast<std::size_t>(wrongOfRows) << " of " << chosen.size()
      << " result files match their check values and checksums";
  if (withManifests > 0)
    out << "; " << withManifests - (wrong - wrongOfRows) << " of " << withManifests
        << " other files match their manifests";
  out << '\n';
  return true;
}

}  // namespace kestrav
