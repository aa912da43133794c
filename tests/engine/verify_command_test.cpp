// `kestrav verify`: a directory in a result file's place is a mismatch with
// its reason, a missing directory one error with status 2, and a report that
// cannot be written status 1 with a message.

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

#include "tests/support/check_tables.hpp"
#include "tests/support/program_runner.hpp"

namespace {

namespace fs = std::filesystem;
using kestrav::testing::ChildOptions;

const fs::path kCommand = KESTRAV_COMMAND;

TEST(VerifyCommand, ReportsBadEntriesADirectoryAndAnUnwritableReport) {
  struct Case {
    std::string name;
    std::vector<std::string> args;
    std::string outPath;
    int status;
    std::string out;  // part of standard output; empty: none at all
    std::string err;
  };
  const Case cases[] = {
      {"a directory in the place of a file",
       {"verify", ".", "2", "13"},
       "",
       1,
       "ok       OutputPart2.txt (" + std::to_string(kestrav::testing::fileLines().at(2)) +
           " lines)\nMISMATCH OutputPart13.txt\n"
           "         ./OutputPart13.txt is a directory, not a regular file\n",
       ""},
      {"a missing directory",
       {"verify", "missing", "2"},
       "",
       2,
       "",
       "kestrav verify: cannot read the directory missing: No such file or directory\n"},
      {"an option twice",
       {"verify", "--checks", "a", "--checks", "a", "."},
       "",
       2,
       "",
       "kestrav verify: --checks: given twice\n"},
      {"a report on /dev/full",
       {"verify", ".", "2"},
       "/dev/full",
       1,
       "",
       "kestrav verify: cannot write standard output: No space left on device\n"},
  };
  kestrav::testing::ScratchDirectory dir;
  fs::copy_file(kestrav::testing::cachedResultFile(2), dir.path() / "OutputPart2.txt");
  fs::create_directory(dir.path() / "OutputPart13.txt");
  for (const Case& c : cases) {
    ChildOptions options;
    options.outPath = c.outPath;
    options.signal = SIGKILL;  // rather than hang
    options.signalAfter = std::chrono::seconds(20);
    const auto run = kestrav::testing::runIn(dir.path(), kCommand, c.args, options);
    EXPECT_EQ(run.exitStatus, c.status) << c.name << ": " << run.err;
    if (c.out.empty()) {
      EXPECT_EQ(run.out, "") << c.name;
    } else {
      EXPECT_EQ(run.out.find(c.out), 0u) << c.name << ": " << run.out;
    }
    EXPECT_EQ(run.err, c.err) << c.name;
  }
}

}  // namespace
