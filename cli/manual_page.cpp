#include "cli/manual_page.hpp"

#include <initializer_list>
#include <string_view>
#include <vector>

#include "cli/help_text.hpp"
#include "cli/options.hpp"
#include "kestrav/version.hpp"

namespace kestrav::cli {
namespace {

// A manual page has a margin of 7 columns at 80; .nf blocks must fit the rest.
constexpr std::size_t kTextWidth = 72;

// The pieces one after another. (Appended one by one: GCC 12 warns
// wrongly, -Wrestrict, about "x" + std::string.)
std::string cat(std::initializer_list<std::string_view> pieces) {
  std::string text;
  for (std::string_view piece : pieces) text += piece;
  return text;
}

// roff: backslashes and minus signs escaped, no line starting with a
// control character.
std::string roff(std::string_view text) {
  std::string out;
  bool lineStart = true;
  for (char c : text) {
    if (lineStart && (c == '.' || c == '\'')) out += "\\&";
    if (c == '\\') {
      out += "\\e";
    } else if (c == '-') {
      out += "\\-";
    } else {
      out += c;
    }
    lineStart = c == '\n';
  }
  return out;
}

// Paragraphs separated by blank lines, each filled by the formatter.
std::string paragraphs(std::string_view text) {
  std::string out;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find("\n\n", start);
    if (end == std::string_view::npos) end = text.size();
    out += cat({".PP\n", roff(text.substr(start, end - start)), "\n"});
    start = end + 2;
  }
  return out;
}

std::string preformatted(std::string_view text) { return cat({".PP\n.nf\n", roff(text), ".fi\n"}); }

std::string section(std::string_view name) { return cat({".SH ", name, "\n"}); }

std::string header(std::string_view name, std::string_view summary) {
  std::string upper(name);
  for (char& c : upper) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  return cat({".TH ", roff(upper), " 1 \"\" \"kestrav ", version(), "\" \"User Commands\"\n", section("NAME"),
              roff(name), " \\- ", roff(summary), "\n"});
}

// ".TP" paragraphs for the options of a command.
std::string optionList(unsigned commands, bool settings) {
  std::string out;
  for (const Option& option : options()) {
    if ((option.commands & commands) == 0 || isSetting(option) != settings) continue;
    out += cat({".TP\n\\fB", roff(option.name), "\\fR"});
    if (!option.placeholder.empty()) out += cat({" \\fI", roff(option.placeholder), "\\fR"});
    out += cat({"\n", roff(optionDescription(option)), ".\n"});
  }
  return out;
}

std::string synopsis(std::string_view program, const std::vector<Command>& commands) {
  std::string lines;
  for (Command command : commands) {
    const Subcommand& subcommand = subcommandOf(command);
    std::string name(program);
    if (program == "kestrav") {
      name += ' ';
      name += subcommand.name;
    }
    lines += usageText(name, subcommand, kTextWidth);
  }
  lines += cat({program, " ", kHelpWords[0], " | ", kVersionWord, "\n"});
  return cat({section("SYNOPSIS"), ".nf\n", roff(lines), ".fi\n"});
}

std::string versionSection(std::string_view program) {
  return cat({section("VERSION"), roff(versionText(program))});
}

constexpr std::string_view kDescription =
    "kestrav searches every composition c of a total T (every ordered way of writing T as a sum of "
    "positive parts) for the entry tuples x at which a determinant model is exactly zero, and writes each "
    "such tuple as a record: its entries in decimal, each followed by a blank, one record per line, in a "
    "fixed order. The 72 models of the catalogue are the searches of the batch programs kestrav1 to "
    "kestrav75; `kestrav run` writes their result files byte for byte, and `kestrav search` runs any "
    "model given by a Gram code, by blocks or by a catalogue row varied in its layout, total or "
    "multipliers.\n\n"
    "The engine splits the work over threads and evaluates the last entries in bulk with the widest "
    "vector instructions of the processor. Values are computed exactly (32 or 64 bits, chosen from a "
    "bound on the model). A result file is written beside its name and renamed over it only when "
    "complete; an interrupted or failed search leaves no part of one. Bad arguments get one line on "
    "standard error naming the argument, and nothing is written.";

constexpr std::string_view kModels =
    "A block is det(G - diag(x)) over some entries x of the tuple, for a symmetric integer matrix G with "
    "2 on its diagonal. A Gram code writes G's strict upper triangle row by row, rows separated by '/', "
    "one character per element: 2 1 0 - = for +2 +1 0 -1 -2. The code 21/1 is the 3x3 matrix with rows "
    "(2 2 1), (2 2 1), (1 1 2); a code of k entries has k-1 groups of k-1, k-2, ..., 1 characters.\n\n"
    "--gram CODE gives one block over entries 1..k. --blocks gives blocks POSITIONS:CODE, positions as a "
    "comma list of entries and ranges (1-4,7), that together cover 1..k once; a tuple is a record when "
    "every block is zero. --row N takes the model of catalogue row N.\n\n"
    "The layout forms the tuple from a composition c1..cn in the pass of multiplier m: BothEnds (m, "
    "m*c1, ..., m*cn, m), HeadOnly (m, m*c1, ..., m*cn), TailOnly (m*c1, ..., m*cn, m), Bare (m*c1, ..., "
    "m*cn). Its entries sum to the total T. Each multiplier, which must divide T, is one pass; the passes "
    "run in the order given, and within a pass the compositions run in decreasing lexicographic order. "
    "The record 1 42 1 1 2 2 1 is the first of catalogue row 13 (HeadOnly, m = 1).";

constexpr std::string_view kExamples =
    "kestrav catalogue 13          # row 13 and the search that reproduces it\n"
    "kestrav run 13 18 --out results\n"
    "kestrav verify results 13 18\n"
    "kestrav search --gram ---111/22001/2001/001/21/1 --layout HeadOnly \\\n"
    "    --total 50 --multipliers 1,2,5 --out found.txt\n"
    "kestrav search --row 13 --total 60 --count   # size, output, time\n"
    "kestrav search --blocks \"1-4:222/22/2 5-8:211/11/2\" --layout Bare \\\n"
    "    --total 40 | head\n"
    "kestrav search --row 59 --shard 3/8 --out part-3.txt\n";

constexpr std::string_view kExitStatus =
    "0: success. 1: a result file or standard output could not be written (verify: a file is missing or "
    "wrong). 2: bad arguments. 129, 130, 143: stopped by SIGHUP, SIGINT or SIGTERM, with the temporary "
    "files removed. When the reader of standard output goes away (| head), kestrav ends quietly by "
    "SIGPIPE, as the shell's status 141 shows.";

constexpr std::string_view kFiles =
    "OutputPartN.txt\n"
    "    result file of catalogue program N (run, verify)\n"
    ".NAME.tmp-XXXXXX\n"
    "    a result file being written, beside NAME\n"
    "share/kestrav/catalogue.txt\n"
    "    the catalogue's rows, columns explained at its top\n"
    "    (built in; --catalogue reads another)\n"
    "share/bash-completion/completions/kestrav\n"
    "    completion of subcommands, options and values\n";

}  // namespace

std::string kestravManualPage() {
  std::string page =
      header("kestrav", "exact searches for the zeros of determinant models over compositions");
  page += synopsis("kestrav", {kRun, kSearch, kVerify, kCatalogue});
  page += cat({section("DESCRIPTION"), paragraphs(kDescription)});
  page += cat({section("MODELS"), paragraphs(kModels)});
  page += section("OPTIONS");
  for (const Subcommand& subcommand : subcommands()) {
    page += cat({".SS ", subcommand.name, "\n", roff(subcommand.description), "\n"});
    page += optionList(subcommand.command, false);
  }
  page += cat({".SS \"search settings (run and search)\"\n", optionList(kSearchSettings, true)});
  page += cat({section("EXAMPLES"), preformatted(kExamples)});
  page += cat({section("EXIT STATUS"), paragraphs(kExitStatus)});
  page += cat({section("FILES"), preformatted(kFiles)});
  page += versionSection("kestrav");
  page += cat({section("SEE ALSO"), ".BR kestrav\\-verify (1)\n"});
  return page;
}

std::string verifyManualPage() {
  const Subcommand& verify = subcommandOf(kVerify);
  std::string page = header("kestrav-verify", "check the result files of the kestrav programs");
  page += synopsis("kestrav-verify", {kVerify});
  page += section("DESCRIPTION");
  page +=
      paragraphs(cat({verify.description,
                      " Every record's format, sum, pinned entries and scale; the passes in order with their "
                      "record counts, first and last records; the line count; and the SHA-256 of the file. "
                      "One line per file, ok or MISMATCH with the reasons, and a summary. The same as "
                      "`kestrav verify`."}));
  page += cat({section("OPTIONS"), optionList(kVerify, false)});
  page += cat({section("EXAMPLES"), preformatted("kestrav run all --out results\nkestrav-verify results\n"
                                                 "kestrav-verify --quiet results 13 18\n")});
  page += section("EXIT STATUS");
  page += paragraphs(
      "0: every file is right. 1: a file is missing or wrong, or the report could not be "
      "written. 2: bad arguments, or a directory that cannot be read.");
  page += cat(
      {section("FILES"), preformatted("DIR/OutputPartN.txt\n    the result file of catalogue program N\n")});
  page += versionSection("kestrav-verify");
  page += cat({section("SEE ALSO"), ".BR kestrav (1)\n"});
  return page;
}

}  // namespace kestrav::cli
