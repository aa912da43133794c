// Large searches as the command runs them: memory that does not grow with
// the output, result files that appear only when complete (an earlier file
// survives an interruption or a failed write untouched, and a search
// without checkpoints leaves no work in progress), closed standard streams, and the size of a search up
// front.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <utility>

#include "kestrav/names.hpp"
#include "tests/support/catalogue_rows.hpp"
#include "tests/support/check_tables.hpp"
#include "tests/support/program_runner.hpp"

namespace {

namespace fs = std::filesystem;
using kestrav::testing::ChildOptions;
using kestrav::testing::runIn;
using kestrav::testing::ScratchDirectory;

const fs::path kCommand = KESTRAV_COMMAND;

// Eight entries, every Gram code 0: a record wherever an entry is 2, so the
// output is about 19 bytes per composition (1.09 GB at total 50).
std::vector<std::string> zeroCodeSearch(int total) {
  return {"search",
          "--gram",
          "0000000/000000/00000/0000/000/00/0",
          "--layout",
          "Bare",
          "--total",
          std::to_string(total),
          "--threads",
          "2"};
}

std::vector<std::string> with(std::vector<std::string> args, const std::vector<std::string>& more) {
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

std::vector<std::string> entriesOf(const fs::path& directory) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(directory))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(LargeSearch, MemoryDoesNotGrowWithTheOutput) {
  // More than a gigabyte of records under a 512 MiB address space.
  ScratchDirectory dir;
  ChildOptions limited;
  limited.addressSpaceLimit = std::uint64_t{512} << 20;
  const auto run = runIn(dir.path(), kCommand, with(zeroCodeSearch(50), {"--out", "/dev/null"}), limited);
  EXPECT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_NE(run.err.find("57896560 records"), std::string::npos) << run.err;
}

TEST(LargeSearch, AnUnfinishedFileNeverReplacesTheEarlierOne) {
  struct Case {
    const char* name;
    int signal;
    std::uint64_t fileSizeLimit;
    std::uint64_t addressSpaceLimit;
    int status;
    const char* reason;
  };
  const Case cases[] = {
      {"SIGINT", SIGINT, 0, 0, 130, "interrupted by SIGINT; found.txt not written"},
      {"SIGTERM", SIGTERM, 0, 0, 143, "interrupted by SIGTERM; found.txt not written"},
      {"SIGHUP", SIGHUP, 0, 0, 129, "interrupted by SIGHUP; found.txt not written"},
      {"a failed write", 0, std::uint64_t{1} << 20, 0, 1, "cannot write found.txt: File too large"},
      // Room for the program, its libraries and two threads, not for the search.
      {"no memory", 0, 0, std::uint64_t{40} << 20, 1, "cannot write found.txt: out of memory"},
  };
  // An earlier file and its manifest stay as a pair: neither is replaced.
  const std::string earlier = "2 2 2 2 2 2 2 36 \n";
  const std::string earlierManifest = "{\"earlier\": true}\n";
  const std::vector<std::string> earlierPair = {"found.txt", "found.txt.json"};
  for (const Case& c : cases) {
    ScratchDirectory dir;
    std::ofstream(dir.path() / "found.txt") << earlier;
    std::ofstream(dir.path() / "found.txt.json") << earlierManifest;
    ChildOptions options;
    options.fileSizeLimit = c.fileSizeLimit;
    options.addressSpaceLimit = c.addressSpaceLimit;
    options.signal = c.signal;
    // Once the search is writing its temporary file.
    options.signalWhen = [&] { return entriesOf(dir.path()).size() > earlierPair.size(); };
    // Without checkpoints: work in progress that could be resumed is kept
    // (resume_test.cpp), and where the search stops decides how much.
    const auto run = runIn(dir.path(), kCommand,
                           with(zeroCodeSearch(60), {"--out", "found.txt", "--checkpoint", "0"}), options);
    EXPECT_EQ(run.exitStatus, c.status) << c.name << ": " << run.err;
    EXPECT_NE(run.err.find(c.reason), std::string::npos) << c.name << ": " << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << c.name << ": " << run.err;
    EXPECT_EQ(kestrav::testing::readFile(dir.path() / "found.txt"), earlier) << c.name;
    EXPECT_EQ(kestrav::testing::readFile(dir.path() / "found.txt.json"), earlierManifest) << c.name;
    EXPECT_EQ(entriesOf(dir.path()), earlierPair) << c.name;
  }
}

TEST(LargeSearch, ADeviceIsWrittenDirectlyAndNeverReplaced) {
  ScratchDirectory dir;
  fs::create_symlink("/dev/full", dir.path() / "full");
  const auto run = runIn(
      dir.path(), kCommand,
      {"search", "--gram", "21100/1100/211/11/2", "--layout", "Bare", "--total", "50", "--out", "full"});
  EXPECT_EQ(run.exitStatus, 1);
  EXPECT_NE(run.err.find("cannot write full: No space left on device"), std::string::npos) << run.err;
  EXPECT_TRUE(fs::is_symlink(dir.path() / "full"));
  EXPECT_EQ(entriesOf(dir.path()), std::vector<std::string>{"full"});
}

TEST(RunCommand, ClosedStandardStreamsTakeNoResultFile) {
  // A result file opened first would otherwise get descriptor 1 or 2 and
  // the summary lines written into it. The lines are lost, and so the run
  // fails, but every file is written.
  ScratchDirectory dir;
  ChildOptions closed;
  closed.out = ChildOptions::Stream::Closed;
  closed.err = ChildOptions::Stream::Closed;
  const auto run = runIn(dir.path(), kCommand, {"run", "all", "--threads", "2", "--out", "results"}, closed);
  EXPECT_EQ(run.exitStatus, 1);
  const auto verified = runIn(dir.path(), kCommand, {"verify", "--quiet", "results"});
  EXPECT_EQ(verified.exitStatus, 0) << verified.out;
  // Every result file, with its manifest in a build that writes them.
#ifdef KESTRAV_MANIFESTS
  const std::size_t perRow = 2;
#else
  const std::size_t perRow = 1;
#endif
  EXPECT_EQ(entriesOf(dir.path() / "results").size(), perRow * kestrav::testing::catalogueRows().size());
}

TEST(RunCommand, AnInterruptedRunLeavesOnlyCompleteFiles) {
  ScratchDirectory dir;
  const fs::path results = dir.path() / "results";
  ChildOptions options;
  options.signal = SIGTERM;
  // Once a few files are written and others are under way.
  options.signalWhen = [&results] { return fs::exists(results) && entriesOf(results).size() > 8; };
  const auto run = runIn(dir.path(), kCommand, {"run", "all", "--threads", "2", "--out", "results"}, options);
  EXPECT_EQ(run.exitStatus, 143) << run.err;
  EXPECT_NE(run.err.find("interrupted by SIGTERM; not written: results/OutputPart"), std::string::npos)
      << run.err;
  const auto written = entriesOf(results);
  std::size_t resultFiles = 0;
  for (const auto& name : written) {
    ASSERT_EQ(name.rfind("OutputPart", 0), 0u) << name << " left behind";
    // A manifest only beside a complete file, and every complete file with one.
    const bool manifest = name.ends_with(".json");
    const fs::path pair = results / (manifest ? name.substr(0, name.size() - 5) : name + ".json");
#ifdef KESTRAV_MANIFESTS
    EXPECT_TRUE(fs::exists(pair)) << name << " alone";
#else
    EXPECT_FALSE(manifest) << name;
#endif
    if (manifest) continue;
    ++resultFiles;
    const int number = std::stoi(name.substr(10));
    EXPECT_EQ(kestrav::testing::sha256(results / name), kestrav::testing::goldenChecksums().at(number))
        << name;
  }
  EXPECT_LT(resultFiles, kestrav::testing::catalogueRows().size());
}

TEST(RunCommand, NamesEveryFileItCouldNotWriteAndLeavesNoneEmpty) {
  // Two threads run 2 and 75 beside the failing 13, and either may finish
  // before the failure stops the run: every file present is complete, and
  // every file absent is named. One thread keeps the order: 2 is written,
  // 75 never starts.
  for (const std::string threads : {"1", "2"}) {
    ScratchDirectory dir;
    const fs::path results = dir.path() / "results";
    fs::create_directories(results / "OutputPart13.txt");
    const auto run =
        runIn(dir.path(), kCommand, {"run", "2", "13", "75", "--out", "results", "--threads", threads});
    EXPECT_EQ(run.exitStatus, 1) << threads;
    EXPECT_NE(run.err.find("cannot write results/OutputPart13.txt: Is a directory"), std::string::npos)
        << run.err;
    const std::size_t notWrittenAt = std::min(run.err.find("; not written: "), run.err.size());
    const std::string notWritten =
        run.err.substr(notWrittenAt, run.err.find('\n', notWrittenAt) - notWrittenAt);
    std::vector<std::string> expected = {"OutputPart13.txt"};
    for (int number : {2, 75}) {
      const std::string name = kestrav::resultFileName(number);
      const bool named = notWritten.find("results/" + name) != std::string::npos;
      if (fs::exists(results / name)) {
        expected.push_back(name);
#ifdef KESTRAV_MANIFESTS
        expected.push_back(name + ".json");
#endif
        EXPECT_EQ(kestrav::testing::sha256(results / name), kestrav::testing::goldenChecksums().at(number))
            << name << " with " << threads << " threads";
      }
      EXPECT_NE(fs::exists(results / name), named) << name << " with " << threads << " threads: " << run.err;
      if (threads == "1") {
        EXPECT_EQ(fs::exists(results / name), number == 2) << name;
      }
    }
    // Nothing else: no empty or temporary file.
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(entriesOf(results), expected) << threads;
  }
}

// "1373 records (m=1: 1207, m=2: 160, m=5: 6), ": the summary of the
// records in a result file whose passes pin the first entry to their
// multiplier, up to the time.
std::string recordsPerPassOf(const fs::path& file) {
  std::vector<std::pair<std::string, std::size_t>> passes;  // first entry, records
  for (const std::string& line : kestrav::testing::readLines(file)) {
    const std::string first = line.substr(0, line.find(' '));
    if (passes.empty() || passes.back().first != first) passes.emplace_back(first, 0);
    ++passes.back().second;
  }
  std::size_t total = 0;
  std::string each;
  for (const auto& [multiplier, records] : passes) {
    total += records;
    each += (each.empty() ? "m=" : ", m=") + multiplier + ": " + std::to_string(records);
  }
  return std::to_string(total) + " records (" + each + "), ";
}

TEST(SearchCommand, CountsPrintOnStandardOutputAndWriteNothing) {
  struct Case {
    std::vector<std::string> args;
    std::vector<std::string> lines;  // each at the start of a line of standard output
    std::size_t lineCount;           // of standard output
  };
  const std::vector<std::string> search13 = {"search",   "--gram",        "---111/22001/2001/001/21/1",
                                             "--layout", "HeadOnly",      "--total",
                                             "50",       "--multipliers", "1,2,5"};
  ScratchDirectory written;
  ASSERT_EQ(runIn(written.path(), kCommand, with(search13, {"--out", "found.txt"})).exitStatus, 0);
  const Case cases[] = {
      // The README's example: C(59, 7).
      {with(zeroCodeSearch(60), {"--count"}),
       {"m=1: 341,149,446 compositions\n", "all: 341,149,446 compositions\n", "expected output: about ",
        "expected time: "},
       4},
      // C(47, 5), C(22, 5), C(7, 5).
      {{"search", "--gram", "---1110/21100-/1100-/0111/11-/21/1", "--layout", "BothEnds", "--total", "50",
        "--multipliers", "1,2,5", "--count", "--out", "found.txt"},
       {"m=1: 1,533,939 compositions\n", "m=2: 26,334 compositions\n", "m=5: 21 compositions\n",
        "all: 1,560,294 compositions\n", "expected output: about ", "expected time: "},
       6},
      // The records of each pass of the file that --out writes.
      {with(search13, {"--count-records"}), {recordsPerPassOf(written.path() / "found.txt")}, 1},
  };
  ScratchDirectory dir;
  for (const Case& c : cases) {
    const auto run = runIn(dir.path(), kCommand, c.args);
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    for (const std::string& line : c.lines) {
      const std::size_t at = run.out.find(line);
      EXPECT_TRUE(at == 0 || (at != std::string::npos && run.out[at - 1] == '\n'))
          << line << " in " << run.out;
    }
    EXPECT_EQ(static_cast<std::size_t>(std::count(run.out.begin(), run.out.end(), '\n')), c.lineCount)
        << run.out;
    EXPECT_EQ(run.err, "");
  }
  EXPECT_TRUE(fs::is_empty(dir.path()));

  // Four blocks of two entries keep the values small, but the compositions
  // of 65535 into eight parts do not fit 64 bits.
  const auto huge =
      runIn(dir.path(), kCommand,
            {"search", "--blocks", "1-2:1 3-4:1 5-6:1 7-8:1", "--layout", "Bare", "--total", "65535"});
  EXPECT_EQ(huge.exitStatus, 2);
  EXPECT_NE(huge.err.find("more than 2^64 - 1 compositions"), std::string::npos) << huge.err;
}

}  // namespace
