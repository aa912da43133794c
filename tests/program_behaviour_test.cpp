// A program's run as its user sees it: console text, the result file, a
// second run, arguments, and the failures that must not pass as success.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "core/composition.hpp"
#include "core/result_name.hpp"
#include "tests/support/catalogue_rows.hpp"
#include "tests/support/check_tables.hpp"
#include "tests/support/program_runner.hpp"

namespace {

namespace fs = std::filesystem;
using kestrav::testing::readLines;
using kestrav::testing::runIn;
using kestrav::testing::ScratchDirectory;

std::string consoleOf(int number) {
  return "Writing partitions to the file: OutputPart" + std::to_string(number) + ".txt\nFinished. \n\n";
}

TEST(ProgramRun, ConsoleTextAndResultFile) {
  for (int number : {2, 35, 13, 59}) {
    ScratchDirectory dir;
    const auto run = runIn(dir.path(), kestrav::testing::programPath(number));
    EXPECT_EQ(run.exitStatus, 0) << number;
    EXPECT_EQ(run.out, consoleOf(number));
    EXPECT_EQ(run.err, "");
    // Nothing but the result file is created.
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir.path())) names.insert(entry.path().filename());
    EXPECT_EQ(names, std::set<std::string>{"OutputPart" + std::to_string(number) + ".txt"});
  }
}

TEST(ProgramRun, RecordFormat) {
  ScratchDirectory dir;
  ASSERT_EQ(runIn(dir.path(), kestrav::testing::programPath(2)).exitStatus, 0);
  const std::string content = kestrav::testing::readFile(dir.path() / "OutputPart2.txt");
  EXPECT_EQ(content.substr(0, 14), "21 7 7 6 6 3 \n");
  EXPECT_EQ(content.substr(content.size() - 16), "4 10 12 15 3 6 \n");
}

// kestrav2 and kestrav35 searched again with the expanded polynomial of the
// model library: the file holds exactly the zeros, in enumeration order.
TEST(ProgramRun, ResultFileHoldsExactlyTheZerosInOrder) {
  for (int number : {2, 35}) {
    const auto& row = kestrav::testing::catalogueRow(number);
    std::vector<std::string> expected;
    kestrav::forEachComposition(6, 50, [&](std::uint16_t* c) {
      for (const auto& block : row.blocks) {
        std::vector<std::uint16_t> y;
        for (int p : block.positions) y.push_back(c[p - 1]);
        if (kestrav::evaluateWrapped(block.polynomial, y.data()) != 0) return;
      }
      std::string line;
      for (int i = 0; i < 6; ++i) line += std::to_string(c[i]) + " ";
      expected.push_back(line);
    });
    ScratchDirectory dir;
    ASSERT_EQ(runIn(dir.path(), kestrav::testing::programPath(number)).exitStatus, 0);
    EXPECT_EQ(readLines(dir.path() / kestrav::resultFileName(number)), expected) << number;
  }
}

TEST(ProgramRun, TuplesWhereOnlyOneBlockVanishesAreNotWritten) {
  struct Case {
    int program;
    std::string record;  // a tuple of the search space with one zero block
  };
  const Case cases[] = {{2, "8 8 8 8 9 9 "}, {3, "8 8 8 8 6 6 6 "}, {17, "1 1 1 1 4 4 38 "}};
  for (const Case& c : cases) {
    ScratchDirectory dir;
    ASSERT_EQ(runIn(dir.path(), kestrav::testing::programPath(c.program)).exitStatus, 0);
    const auto lines = readLines(dir.path() / kestrav::resultFileName(c.program));
    EXPECT_FALSE(lines.empty());
    EXPECT_EQ(std::count(lines.begin(), lines.end(), c.record), 0) << c.program;
  }
}

TEST(ProgramRun, SecondRunTruncatesAndArgumentsChangeNothing) {
  ScratchDirectory dir;
  const fs::path file = dir.path() / "OutputPart35.txt";
  {
    std::ofstream stale(file);
    stale << "stale line that must go\n";
    for (int i = 0; i < 5000; ++i) stale << "1 2 3 4 5 35 \n";
  }
  const auto first = runIn(dir.path(), kestrav::testing::programPath(35), {"--help", "7", "-x"});
  EXPECT_EQ(first.exitStatus, 0);
  EXPECT_EQ(first.out, consoleOf(35));
  const std::string once = kestrav::testing::readFile(file);
  EXPECT_EQ(readLines(file).size(), kestrav::testing::fileLines().at(35));
  const auto second = runIn(dir.path(), kestrav::testing::programPath(35));
  EXPECT_EQ(second.out, consoleOf(35));
  EXPECT_EQ(kestrav::testing::readFile(file), once);
}

TEST(ProgramRun, UnopenableResultFileFailsWithoutSearching) {
  ScratchDirectory dir;
  fs::create_directory(dir.path() / "OutputPart2.txt");
  const auto run = runIn(dir.path(), kestrav::testing::programPath(2));
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_EQ(run.out, "Writing partitions to the file: OutputPart2.txt\n");
  EXPECT_EQ(run.err, "kestrav2: cannot open OutputPart2.txt: Is a directory\n");
  EXPECT_TRUE(fs::is_directory(dir.path() / "OutputPart2.txt"));
}

TEST(ProgramRun, MissingDirectoryIsReported) {
  ScratchDirectory dir;
  fs::create_symlink(dir.path() / "no" / "such" / "place", dir.path() / "OutputPart35.txt");
  const auto run = runIn(dir.path(), kestrav::testing::programPath(35));
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_EQ(run.err, "kestrav35: cannot open OutputPart35.txt: No such file or directory\n");
}

TEST(ProgramRun, FullDiskStopsTheRunWithStatusOne) {
  ScratchDirectory dir;
  fs::create_symlink("/dev/full", dir.path() / "OutputPart2.txt");
  const auto run = runIn(dir.path(), kestrav::testing::programPath(2));
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_EQ(run.out, "Writing partitions to the file: OutputPart2.txt\n");
  EXPECT_EQ(run.err, "kestrav2: cannot write OutputPart2.txt: No space left on device\n");
}

}  // namespace
