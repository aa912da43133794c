#include "kestrav/verify.hpp"

#include <stdexcept>

#include "kestrav/error.hpp"
#include "kestrav/manifest.hpp"
#include "lib/access.hpp"
#include "lib/catalogue_data.hpp"
#include "verify/check_tables.hpp"
#include "verify/result_file_check.hpp"
#include "verify/verify_directory.hpp"

namespace kestrav {
namespace detail {
struct CheckData {
  ResultChecks checks;
};
}  // namespace detail

namespace {

CheckTables tablesFrom(bool loaded, ResultChecks&& checks, const std::string& error) {
  if (!loaded) throw Error(Field::Checks, error);
  auto data = std::make_shared<detail::CheckData>();
  data->checks = std::move(checks);
  return detail::Access::checks(std::move(data));
}

}  // namespace

const CheckTables& CheckTables::builtIn() {
  static const CheckTables tables = [] {
    ResultChecks checks;
    std::string error;
    const bool loaded = builtInResultChecks(checks, error);
    return tablesFrom(loaded, std::move(checks), error);
  }();
  return tables;
}

CheckTables CheckTables::fromDirectory(const std::filesystem::path& directory) {
  ResultChecks checks;
  std::string error;
  const bool loaded = loadResultChecks(directory, checks, error);
  return tablesFrom(loaded, std::move(checks), error);
}

std::vector<std::uint64_t> CheckTables::recordsPerPass(int number) const {
  std::vector<std::uint64_t> records;
  for (const PassRecords& pass : data_->checks.passes) {
    if (pass.program == number) records.push_back(pass.records);
  }
  return records;
}

ResultVerdict verifyResultFile(const Catalogue& catalogue, int number, const std::filesystem::path& file,
                               const CheckTables& checks) {
  const VariantSpec* variant = findByNumber(catalogue.data().variantRows, number);
  if (variant == nullptr)
    throw Error(Field::Program, std::to_string(number) + ": no such program in the catalogue");
  const FileVerdict verdict = checkResultFile(*variant, file, checks.data().checks);
  return ResultVerdict{verdict.lines, verdict.problems};
}

int verifyDirectory(const Catalogue& catalogue, const CheckTables& checks,
                    const DirectoryVerification& request, std::ostream& out) {
  VerifyArguments arguments;
  arguments.quiet = request.quiet;
  arguments.directory = request.directory;
  arguments.programs = request.programs;
  if (manifestsAvailable()) {
    arguments.checkWithManifest = [](const std::filesystem::path& file) {
      try {
        return verifyWithManifest(file);
      } catch (const Error& unreadable) {
        return std::string(unreadable.what());
      }
    };
  }
  int wrong = 0;
  std::string error;
  if (!verifyResultDirectory(catalogue.data().variantRows, checks.data().checks, arguments, out, wrong,
                             error)) {
    // The two reasons it refuses before writing anything.
    if (error.rfind("cannot read the directory", 0) == 0) throw std::runtime_error(error);
    throw Error(Field::Program, error);
  }
  return wrong;
}

}  // namespace kestrav
