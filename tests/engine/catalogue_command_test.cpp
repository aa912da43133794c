// kestrav catalogue lists the rows as the catalogue file and the check
// tables give them; the search arguments it shows for a row, and search
// --row, reproduce the row's result file; --row with other values is the
// same search as the row's model written out.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "tests/support/check_tables.hpp"
#include "tests/support/program_runner.hpp"

namespace {

using kestrav::testing::runIn;
using kestrav::testing::ScratchDirectory;

const std::filesystem::path kCommand = KESTRAV_COMMAND;

std::vector<std::string> wordsOf(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

// Shell words: blanks separate them except within double quotes.
std::vector<std::string> shellWords(const std::string& line) {
  std::vector<std::string> words;
  std::string word;
  bool quoted = false;
  bool inWord = false;
  for (char c : line) {
    if (c == '"') {
      quoted = !quoted;
      inWord = true;
    } else if (c == ' ' && !quoted) {
      if (inWord) words.push_back(word);
      word.clear();
      inWord = false;
    } else {
      word += c;
      inWord = true;
    }
  }
  if (inWord) words.push_back(word);
  return words;
}

TEST(CatalogueCommand, ListsEveryRowWithItsRecordsPerPass) {
  ScratchDirectory dir;
  const auto run = runIn(dir.path(), kCommand, {"catalogue"});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  std::vector<std::vector<std::string>> listed;
  std::istringstream lines(run.out);
  for (std::string line; std::getline(lines, line);) listed.push_back(wordsOf(line));
  std::size_t rows = 0;
  for (const std::string& line : kestrav::testing::readLines(KESTRAV_CATALOGUE)) {
    const std::vector<std::string> columns = wordsOf(line);
    if (columns.empty() || columns[0][0] == '#') continue;
    ++rows;
    // N family layout k, then the model (one word, or two blocks).
    std::vector<std::string> expected = {columns[0], columns[1], columns[2], columns[3]};
    expected.insert(expected.end(), columns.begin() + 6, columns.end() - 1);
    for (const auto& pass : kestrav::testing::passRecords()) {
      if (std::to_string(pass.program) == columns[0]) expected.push_back(std::to_string(pass.records));
    }
    EXPECT_NE(std::find(listed.begin(), listed.end(), expected), listed.end()) << line << "\n" << run.out;
  }
  EXPECT_EQ(listed.size(), rows + 1);  // and the line of column names
}

TEST(CatalogueCommand, ARowsSearchArgumentsAndSearchRowReproduceItsFile) {
  for (int number : {13, 17, 35, 59}) {
    ScratchDirectory dir;
    const auto shown = runIn(dir.path(), kCommand, {"catalogue", std::to_string(number)});
    ASSERT_EQ(shown.exitStatus, 0) << shown.err;
    const std::string lead = "search: kestrav search ";
    const std::size_t at = shown.out.find(lead);
    ASSERT_NE(at, std::string::npos) << shown.out;
    std::vector<std::string> args =
        shellWords(shown.out.substr(at + lead.size(), shown.out.find('\n', at) - at - lead.size()));
    args.insert(args.begin(), "search");
    const std::vector<std::string> byRow = {"search", "--row", std::to_string(number)};
    for (const auto& search : {args, byRow}) {
      const auto run = runIn(dir.path(), kCommand, search);
      ASSERT_EQ(run.exitStatus, 0) << ::testing::PrintToString(search) << ": " << run.err;
      EXPECT_EQ(run.out, kestrav::testing::readFile(kestrav::testing::cachedResultFile(number)))
          << ::testing::PrintToString(search);
    }
  }
}

TEST(SearchCommand, RowWithOtherValuesIsTheRowsModelWrittenOut) {
  struct Pair {
    std::vector<std::string> byRow;
    std::vector<std::string> writtenOut;
  };
  const Pair pairs[] = {
      {{"--row", "13", "--total", "40"},
       {"--gram", "---111/22001/2001/001/21/1", "--layout", "HeadOnly", "--total", "40", "--multipliers",
        "1,2,5"}},
      {{"--row", "13", "--multipliers", "1,3", "--total", "42", "--layout", "BothEnds"},
       {"--gram", "---111/22001/2001/001/21/1", "--layout", "BothEnds", "--total", "42", "--multipliers",
        "1,3"}},
      {{"--row", "17", "--total", "44"},
       {"--blocks", "5-6:2 1-4,7:111-/221/21/1", "--layout", "Bare", "--total", "44"}},
  };
  for (const Pair& pair : pairs) {
    std::string outputs[2];
    for (int i = 0; i < 2; ++i) {
      std::vector<std::string> args = i == 0 ? pair.byRow : pair.writtenOut;
      args.insert(args.begin(), "search");
      ScratchDirectory dir;
      const auto run = runIn(dir.path(), kCommand, args);
      ASSERT_EQ(run.exitStatus, 0) << ::testing::PrintToString(args) << ": " << run.err;
      outputs[i] = run.out;
    }
    EXPECT_EQ(outputs[0], outputs[1]) << ::testing::PrintToString(pair.byRow);
    EXPECT_FALSE(outputs[0].empty()) << ::testing::PrintToString(pair.byRow);
  }
}

}  // namespace
