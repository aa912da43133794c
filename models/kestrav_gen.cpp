// kestrav-gen: turns catalogue rows into C++ at build time.
//
//   kestrav-gen program CATALOGUE N OUTDIR   kestravN_model.hpp and kestravN.cpp
//   kestrav-gen literal CATALOGUE N OUTDIR   kestravN_literal_model.hpp, the
//                                            natural nesting, for benchmarks
//   kestrav-gen literal-program CATALOGUE N OUTDIR
//                                            kestravN_literal.cpp and its
//                                            literal model header: the
//                                            baseline program
//   kestrav-gen table CATALOGUE OUTFILE      every row's model behind one table
//   kestrav-gen check CATALOGUE              validate every row
//
// A malformed row stops the build with a message naming the row. Outputs are
// rewritten only when their content changes, so an unchanged model does not
// recompile its program.

#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "core/quoted_text.hpp"
#include "core/result_name.hpp"
#include "core/text_fields.hpp"
#include "models/catalogue.hpp"
#include "models/codegen.hpp"
#include "models/literal_program.hpp"

namespace {

using kestrav::ExpandedBlock;
using kestrav::VariantSpec;

int usage() {
  std::cerr << "usage: kestrav-gen program|literal|literal-program CATALOGUE N OUTDIR\n"
               "       kestrav-gen table CATALOGUE OUTFILE\n"
               "       kestrav-gen check CATALOGUE\n";
  return 2;
}

bool fail(const std::string& message) {
  std::cerr << "kestrav-gen: " << message << '\n';
  return false;
}

bool loadCatalogue(const std::string& path, std::vector<VariantSpec>& rows) {
  std::ifstream input(path);
  if (!input) return fail("cannot read " + path);
  std::string error;
  if (!kestrav::readCatalogue(input, rows, error)) return fail(path + ": " + error);
  return true;
}

bool expandRow(const std::string& path, const VariantSpec& row, std::vector<ExpandedBlock>& blocks) {
  std::string error;
  if (kestrav::expandCatalogueRow(row, blocks, error)) return true;
  return fail(path + ": row " + std::to_string(row.number) + " (" + kestrav::programName(row.number) +
              "): " + error);
}

bool writeIfChanged(const std::filesystem::path& path, const std::string& content) {
  {
    std::ifstream existing(path, std::ios::binary);
    if (existing) {
      std::ostringstream current;
      current << existing.rdbuf();
      if (current.str() == content) return true;
    }
  }
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
  out.close();
  if (!out) return fail("cannot write " + path.string());
  return true;
}

// What `program`, `literal` and `literal-program` write for one row.
enum class Output { Program, LiteralModel, LiteralProgram };

bool generateProgram(const std::string& path, int number, const std::filesystem::path& outDir,
                     Output output) {
  std::vector<VariantSpec> rows;
  if (!loadCatalogue(path, rows)) return false;
  for (const VariantSpec& row : rows) {
    if (row.number != number) continue;
    std::vector<ExpandedBlock> blocks;
    if (!expandRow(path, row, blocks)) return false;
    if (output != Output::Program) {
      return writeIfChanged(outDir / kestrav::literalModelHeaderName(number),
                            kestrav::modelHeader(row, blocks, kestrav::ModelStyle::Literal)) &&
             (output == Output::LiteralModel ||
              writeIfChanged(outDir / (kestrav::literalProgramName(number) + ".cpp"),
                             kestrav::literalProgramSource(row)));
    }
    return writeIfChanged(outDir / kestrav::modelHeaderName(number), kestrav::modelHeader(row, blocks)) &&
           writeIfChanged(outDir / (kestrav::programName(number) + ".cpp"), kestrav::programSource(row));
  }
  return fail(path + ": no row " + std::to_string(number));
}

bool checkAll(const std::string& path, std::vector<VariantSpec>& rows) {
  if (!loadCatalogue(path, rows)) return false;
  bool ok = true;
  for (const VariantSpec& row : rows) {
    std::vector<ExpandedBlock> blocks;
    ok = expandRow(path, row, blocks) && ok;
  }
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 4 && (args[0] == "program" || args[0] == "literal" || args[0] == "literal-program")) {
    int number = 0;
    if (!kestrav::parseWholeNumber(args[2], number)) {
      fail(kestrav::quoteForMessage(args[2]) + ": not a program number");
      return 2;
    }
    const Output output = args[0] == "program"   ? Output::Program
                          : args[0] == "literal" ? Output::LiteralModel
                                                 : Output::LiteralProgram;
    return generateProgram(args[1], number, args[3], output) ? 0 : 1;
  }
  std::vector<VariantSpec> rows;
  if (args.size() == 3 && args[0] == "table") {
    return checkAll(args[1], rows) && writeIfChanged(args[2], kestrav::modelTableSource(rows)) ? 0 : 1;
  }
  if (args.size() == 2 && args[0] == "check") return checkAll(args[1], rows) ? 0 : 1;
  return usage();
}
