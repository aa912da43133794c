// Fuzzes the reader of the check tables: the input holds the four tables
// (pass_records.tsv, file_lines.tsv, pass5_records.tsv, SHA256SUMS) in that
// order, separated by NUL bytes; a table beyond the input's last piece is
// missing. Every tuple read must read back from its written form.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/fuzz/fuzz_support.hpp"
#include "verify/check_tables.hpp"

namespace {

void checkTuple(const kestrav::Tuple& tuple) {
  FUZZ_CHECK(!tuple.empty());
  FUZZ_CHECK(kestrav::parseTuple(kestrav::formatRecord(tuple)) == tuple);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace kestrav;
  const std::vector<std::string> pieces = fuzz::piecesOf(fuzz::inputText(data, size), '\0');
  const TableText table = [&pieces](const std::string& name, std::string& text, std::string& error) {
    for (std::size_t i = 0; i < std::size(kBuiltInCheckTables); ++i) {
      if (name != kBuiltInCheckTables[i].name) continue;
      if (i >= pieces.size()) {
        error = name + ": missing";
        return false;
      }
      text = pieces[i];
      return true;
    }
    fuzz::checkFailed(("asked for a table that does not exist: " + name).c_str(), __FILE__, __LINE__);
  };
  ResultChecks checks;
  std::string error;
  if (!parseResultChecks(table, checks, error)) {
    fuzz::checkMessage(error);
    return 0;
  }
  for (const PassRecords& pass : checks.passes) {
    if (pass.first) checkTuple(*pass.first);
    if (pass.last) checkTuple(*pass.last);
  }
  for (const auto& [program, records] : checks.pass5Records) {
    for (const Tuple& record : records) checkTuple(record);
  }
  for (const auto& [program, digest] : checks.checksums) FUZZ_CHECK(digest.size() == 64);
  return 0;
}
