// Fuzzes the verification of result files: the first byte picks a row of
// the built-in catalogue, the rest is the file's content, written to one
// file in a directory of this process's own, made on the first input and
// removed at exit.
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "kestrav/catalogue.hpp"
#include "kestrav/verify.hpp"
#include "tests/fuzz/fuzz_support.hpp"

namespace {

class ScratchFile {
 public:
  ScratchFile() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kestrav-fuzz-XXXXXX").string();
    FUZZ_CHECK(::mkdtemp(pattern.data()) != nullptr);
    directory_ = pattern;
    file_ = directory_ / "OutputPart.txt";
  }
  ~ScratchFile() {
    std::error_code ignored;
    std::filesystem::remove_all(directory_, ignored);
  }
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;

  const std::filesystem::path& write(std::string_view content) {
    std::ofstream out(file_, std::ios::binary | std::ios::trunc);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    out.close();
    FUZZ_CHECK(out.good());
    return file_;
  }

 private:
  std::filesystem::path directory_;
  std::filesystem::path file_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kestrav;
  if (size == 0) return 0;
  static ScratchFile scratch;
  const Catalogue& catalogue = Catalogue::builtIn();
  const CatalogueRow& row = catalogue.rows()[data[0] % catalogue.rows().size()];
  const std::string_view content = fuzz::inputText(data + 1, size - 1);
  const ResultVerdict verdict = verifyResultFile(catalogue, row.number, scratch.write(content));
  FUZZ_CHECK(verdict.lines <= static_cast<std::size_t>(std::count(content.begin(), content.end(), '\n')) + 1);
  for (const std::string& problem : verdict.problems) fuzz::checkMessage(problem);
  return 0;
}
