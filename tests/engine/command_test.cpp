// The kestrav command: run and search write the programs' bytes, shards
// concatenate to the whole file, and bad arguments get one line naming the
// argument, status 2 and no output.

#include <gtest/gtest.h>

#include <csignal>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/result_name.hpp"
#include "tests/support/catalogue_rows.hpp"
#include "tests/support/check_tables.hpp"
#include "tests/support/program_runner.hpp"

namespace {

using kestrav::testing::ChildOptions;
using kestrav::testing::runIn;
using kestrav::testing::ScratchDirectory;

const std::filesystem::path kCommand = KESTRAV_COMMAND;

// The catalogue file of these rows of the built-in catalogue, in this order.
std::string catalogueOf(const std::vector<int>& numbers) {
  const auto lines = kestrav::testing::readLines(KESTRAV_CATALOGUE);
  std::string text;
  for (int number : numbers) {
    for (const std::string& line : lines) {
      int first = 0;
      if (std::istringstream(line) >> first && first == number) text += line + "\n";
    }
  }
  return text;
}

// "kestrav13: 1373 records (m=1: 1207, m=2: 160, m=5: 6), ": the start of
// a program's summary line, from the check table of records per pass.
std::string summaryOf(int number) {
  std::size_t total = 0;
  std::size_t passes = 0;
  std::string each;
  for (const auto& pass : kestrav::testing::passRecords()) {
    if (pass.program != number) continue;
    total += pass.records;
    ++passes;
    each += (each.empty() ? "m=" : ", m=") + std::to_string(pass.multiplier) + ": " +
            std::to_string(pass.records);
  }
  return kestrav::programName(number) + ": " + std::to_string(total) + " records" +
         (passes > 1 ? " (" + each + ")" : "") + ", ";
}

std::vector<std::string> extended(std::vector<std::string> args, const std::vector<std::string>& more) {
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

TEST(RunCommand, WritesTheProgramsResultFilesAndASummaryLine) {
  const std::vector<int> numbers = {2, 13, 75, 59};
  ScratchDirectory inputs;
  const std::string catalogue = (inputs.path() / "catalogue.txt").string();
  std::ofstream(catalogue) << catalogueOf(numbers);
  struct Variant {
    std::vector<std::string> args;
    bool progress = false;  // with one thread: a progress line per program on standard error
  };
  // One thread runs the programs one after another; two run whole programs
  // side by side (largest first) and still report them in the given order.
  // None of the other options changes a byte.
  const std::vector<std::string> given = {"run", "2", "13", "75", "59", "--out", "results"};
  const Variant variants[] = {
      {extended(given, {"--threads", "1"})},
      {extended(given, {"--threads", "2"})},
      {extended(given, {"--threads", "2", "--sync"})},
      {extended(given, {"--threads", "1", "--progress"}), true},
      {extended(given, {"--threads", "2", "--tail", "2"})},
      // All the rows of a catalogue file, in its order.
      {{"run", "all", "--catalogue", catalogue, "--out", "results", "--threads", "2"}},
  };
  for (const Variant& variant : variants) {
    ScratchDirectory dir;
    const auto run = runIn(dir.path(), kCommand, variant.args);
    const std::string shown = ::testing::PrintToString(variant.args);
    ASSERT_EQ(run.exitStatus, 0) << shown << ": " << run.err;
    std::vector<std::string> expected;
    for (int number : numbers) {
      const auto name = kestrav::resultFileName(number);
      EXPECT_EQ(kestrav::testing::sha256(dir.path() / "results" / name),
                kestrav::testing::goldenChecksums().at(number))
          << name << " of " << shown;
      expected.push_back(name);
#ifdef KESTRAV_MANIFESTS
      expected.push_back(name + ".json");
#endif
    }
    std::vector<std::string> written;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path() / "results"))
      written.push_back(entry.path().filename().string());
    std::sort(expected.begin(), expected.end());
    std::sort(written.begin(), written.end());
    EXPECT_EQ(written, expected) << shown;
    // The summary lines in the given order.
    std::size_t from = 0;
    for (int number : numbers) {
      const std::size_t at = run.out.find(summaryOf(number), from);
      EXPECT_NE(at, std::string::npos) << summaryOf(number) << " after the line before, in " << run.out;
      if (at != std::string::npos) from = at + 1;
    }
    if (variant.progress) {
      for (std::size_t i = 0; i < numbers.size(); ++i) {
        const std::string line = "\r[" + std::to_string(i + 1) + "/" + std::to_string(numbers.size()) + "] " +
                                 kestrav::programName(numbers[i]) + " 100%";
        EXPECT_NE(run.err.find(line), std::string::npos) << shown << ": " << run.err;
      }
    } else {
      EXPECT_EQ(run.err, "") << shown;
    }
  }
}

TEST(RunCommand, AFailedFileStopsTheRunWithStatusOne) {
  // One thread runs the programs in the given order: 2 is written, and the
  // failure of 13 stops the run before 75 starts. Two run whole programs
  // side by side, so 2 and 75 may each finish before the failure stops the
  // run, or not: each is either reported written or named as not written.
  for (const std::string threads : {"1", "2"}) {
    ScratchDirectory dir;
    std::filesystem::create_directories(dir.path() / "results" / "OutputPart13.txt");
    const auto run =
        runIn(dir.path(), kCommand, {"run", "2", "13", "75", "--out", "results", "--threads", threads});
    EXPECT_EQ(run.exitStatus, 1) << threads;
    EXPECT_NE(run.err.find("kestrav run: cannot write results/OutputPart13.txt: Is a directory\n"),
              std::string::npos)
        << run.err;
    const std::size_t notWrittenAt = std::min(run.err.find("; not written: "), run.err.size());
    const std::string notWritten =
        run.err.substr(notWrittenAt, run.err.find('\n', notWrittenAt) - notWrittenAt);
    for (int number : {2, 75}) {
      const bool reported = run.out.find(kestrav::programName(number) + ": ") != std::string::npos;
      const bool named = notWritten.find("results/" + kestrav::resultFileName(number)) != std::string::npos;
      EXPECT_NE(reported, named) << number << " with " << threads << " threads: " << run.out << run.err;
      if (threads == "1") {
        EXPECT_EQ(reported, number == 2) << number << ": " << run.out;
      }
    }
  }
}

TEST(RunCommand, ShardFilesConcatenateToTheResultFile) {
  ScratchDirectory dir;
  for (const char* shard : {"1/3", "2/3", "3/3"}) {
    const auto run = runIn(dir.path(), kCommand, {"run", "17", "--shard", shard});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
  }
  std::string joined;
  for (int i = 1; i <= 3; ++i) {
    joined +=
        kestrav::testing::readFile(dir.path() / ("OutputPart17.shard-" + std::to_string(i) + "-of-3.txt"));
  }
  EXPECT_EQ(joined, kestrav::testing::readFile(kestrav::testing::cachedResultFile(17)));
}

// Models given on the command line as the catalogue rows give them, with
// options that change nothing of the bytes.
struct SearchCase {
  int program;
  std::vector<std::string> args;
};

TEST(SearchCommand, EqualsTheProgramBuiltFromTheSameRow) {
  const std::vector<SearchCase> cases = {
      {13,
       {"--gram", "---111/22001/2001/001/21/1", "--layout", "HeadOnly", "--total", "50", "--multipliers",
        "1,2,5"}},
      {22,
       {"--gram", "22-001/2-001/-001/111/21/1", "--layout", "TailOnly", "--total", "50", "--multipliers",
        "1,2,5"}},
      {59,
       {"--gram", "---1110/21100-/1100-/0111/11-/21/1", "--layout", "BothEnds", "--total", "50",
        "--multipliers", "1,2,5"}},
      {35, {"--gram", "21100/1100/211/11/2", "--layout", "Bare", "--total", "50"}},
      {17, {"--blocks", "5-6:2 1-4,7:111-/221/21/1", "--layout", "Bare", "--total", "50"}},
      {2,
       {"--blocks", "1-4:222/22/2", "--blocks", "5-6:2", "--layout", "Bare", "--total", "50", "--threads",
        "1"}},
      {35, {"--gram", "21100/1100/211/11/2", "--layout", "Bare", "--total", "50", "--tail", "1"}},
      // GNU's --option=value.
      {35, {"--gram=21100/1100/211/11/2", "--layout=Bare", "--total=50", "--threads=2"}},
      {13,
       {"--gram", "---111/22001/2001/001/21/1", "--layout", "HeadOnly", "--total", "50", "--multipliers",
        "1,2,5", "--tail", "2"}},
      {17, {"--blocks", "5-6:2 1-4,7:111-/221/21/1", "--layout", "Bare", "--total", "50", "--tail", "3"}},
      {59,
       {"--gram", "---1110/21100-/1100-/0111/11-/21/1", "--layout", "BothEnds", "--total", "50",
        "--multipliers", "1,2,5", "--sync"}},
      {22,
       {"--gram", "22-001/2-001/-001/111/21/1", "--layout", "TailOnly", "--total", "50", "--multipliers",
        "1,2,5", "--progress"}},
  };
  for (const SearchCase& c : cases) {
    ScratchDirectory dir;
    auto args = c.args;
    args.insert(args.begin(), "search");
    args.insert(args.end(), {"--out", "found.txt"});
    const auto run = runIn(dir.path(), kCommand, args);
    const std::string shown = ::testing::PrintToString(args);
    ASSERT_EQ(run.exitStatus, 0) << shown << ": " << run.err;
    EXPECT_EQ(kestrav::testing::sha256(dir.path() / "found.txt"),
              kestrav::testing::goldenChecksums().at(c.program))
        << shown;
    // Progress, when asked for, ends at 100 % before the summary line.
    const bool progress = std::find(args.begin(), args.end(), "--progress") != args.end();
    const std::size_t done = run.err.find("\rkestrav search 100%");
    EXPECT_EQ(done != std::string::npos, progress) << shown << ": " << run.err;
    if (progress) {
      EXPECT_LT(done, run.err.find("kestrav search: ")) << shown << ": " << run.err;
    }
  }
}

TEST(SearchCommand, WritesToStandardOutputWithoutOut) {
  ScratchDirectory dir;
  const auto run = runIn(dir.path(), kCommand,
                         {"search", "--gram", "21100/1100/211/11/2", "--layout", "Bare", "--total", "50"});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  EXPECT_EQ(run.out, kestrav::testing::readFile(kestrav::testing::cachedResultFile(35)));
  EXPECT_NE(run.err.find("records"), std::string::npos);
}

struct BadArguments {
  std::vector<std::string> args;
  std::string named;        // what the message must name
  std::string absent = {};  // what it must not (empty: nothing)
};

TEST(Arguments, BadInputGetsOneLineNamingTheArgumentAndWritesNothing) {
  const std::vector<std::string> search = {"search", "--layout", "Bare", "--total", "50", "--out", "x.txt"};
  const auto with = [&search](std::vector<std::string> extra) {
    auto args = search;
    args.insert(args.end(), extra.begin(), extra.end());
    return args;
  };
  // A directory and an empty file for --catalogue, outside the directory
  // that must stay empty.
  ScratchDirectory inputs;
  const std::string directory = inputs.path().string();
  const std::string empty = (inputs.path() / "empty.txt").string();
  std::ofstream{empty};
  const std::string unknown = std::to_string(kestrav::testing::firstNumberWithoutRow());
  const std::vector<BadArguments> cases = {
      {with({"--gram", "2117/11/2"}), "--gram"},
      // A group missing: the first group says how many there should be.
      {with({"--gram", "---111/22001/2001/001/21"}),
       "--gram: Gram code \"---111/22001/2001/001/21\" has 5 groups; "
       "a 7x7 matrix needs 6"},
      {with({"--gram", "211/11/2", "--count=yes"}), "--count: takes no value"},
      {with({"--gram", "211/11/2", "--threads="}), "--threads: the value is empty"},
      {with({"--gram=211/11/2", "--colour=red"}), "\"--colour\": unknown option"},
      {{"search", "--gram", "--layout=Bare", "--total", "50"}, "--gram: missing value"},
      {{"run", "0", "--out", "x"}, "0: no such program"},
      {{"search", "--row", "76"}, "--row: 76: no such row"},
      {{"search", "--row", "13", "--gram", "211/11/2"}, "--gram and --row: give one or the other"},
      {{"search", "--row", "13", "--catalogue", empty},
       "--catalogue: an option of kestrav run, verify and catalogue, not of search"},
      {{"catalogue", "76"}, "76: no such row"},
      {{"catalogue", "x"}, "\"x\": not a program number"},
      {with({"--gram", "211/11"}), "--gram"},
      {with({"--blocks", "1-3,5:222/22/2"}), "--blocks"},      // entry 4 missing
      {with({"--blocks", "1-4:222/22/2 4-5:2"}), "--blocks"},  // entry 4 twice
      {with({"--blocks", "1-4222/22/2"}), "--blocks"},
      {with({"--gram", "211/11/2", "--multipliers", "1,3"}), "--multipliers"},  // 3 does not divide 50
      {with({"--gram", "211/11/2", "--multipliers", "1,x"}), "--multipliers"},
      {{"search", "--gram", "211/11/2", "--layout", "Bare", "--total", "70000", "--out", "x.txt"}, "--total"},
      {{"search", "--gram", "211/11/2", "--layout", "Sideways", "--total", "50", "--out", "x.txt"},
       "--layout"},
      {{"search", "--gram", "211/11/2", "--layout", "Bare", "--out", "x.txt"}, "--total"},
      {with({"--gram", "211/11/2", "--shard", "4/3"}), "--shard"},
      {with({"--gram", "211/11/2", "--threads", "0"}), "--threads"},
      {with({"--gram", "211/11/2", "--simd", "mmx"}), "--simd"},
      {with({"--gram", "211/11/2", "--colour"}), "--colour"},
      {with({"--gram"}), "--gram"},
      {{"run", unknown, "--out", "x.txt"}, unknown + ": no such program"},
      {{"run", "all", "--catalogue", directory, "--out", "x"},
       "--catalogue: " + directory + " is a directory"},
      {{"run", "all", "--catalogue", empty, "--out", "x"}, "--catalogue: no rows"},
      {{"run", "--out", "x.txt"}, "all"},
      {{"run", "all", "--shard", "0/2", "--out", "x.txt"}, "--shard"},
      {{"fly"}, "fly"},
      // Given twice: an option other than --blocks, or a multiplier.
      {with({"--gram", "211/11/2", "--multipliers", "1,2,2"}), "--multipliers"},
      {with({"--gram", "211/11/2", "--total", "60"}), "--total"},
      {with({"--gram", "211/11/2", "--out", "y.txt"}), "--out"},
      {with({"--gram", "211/11/2", "--layout", "Bare"}), "--layout"},
      {with({"--gram", "211/11/2", "--gram", "211/11/2"}), "--gram"},
      {with({"--gram", "211/11/2", "--threads", "1", "--threads", "2"}), "--threads"},
      {with({"--gram", "211/11/2", "--count", "--count"}), "--count"},
      {{"run", "2", "--sync", "--sync", "--out", "x"}, "--sync"},
      {{"search", "--gram", "211/11/2", "--layout", "Bare", "--total", "50", "--out", ""}, "--out"},
      {{"run", "2", "--out", ""}, "--out"},
      {{"verify", "--checks", "", "."}, "--checks: the value is empty"},
      {{"verify", "--threads", "2", "."}, "--threads: an option of kestrav run and search, not of verify"},
      {with({"--gram", "211/11/2", "--count-records"}), "--count-records"},  // with --out
      {with({"--gram", "211/11/2", "--resume", "--restart"}),
       "--resume and --restart: give one or the other"},
      {{"search", "--gram", "211/11/2", "--layout", "Bare", "--total", "50", "--resume"},
       "--resume: needs --out FILE"},
      {{"search", "--gram", "211/11/2", "--layout", "Bare", "--total", "50", "--checkpoint", "1"},
       "--checkpoint: needs --out FILE"},
      {with({"--gram", "211/11/2", "--resume", "--checkpoint", "0"}), "--checkpoint 0 turns them off"},
      {with({"--gram", "211/11/2", "--checkpoint", "1e3"}),
       "--checkpoint: \"1e3\" is not a number of seconds"},
      {with({"--gram", "211/11/2", "--checkpoint", "5."}), "--checkpoint"},
      {with({"--gram", "211/11/2", "--checkpoint", "86400.5"}), "--checkpoint: \"86400.5\" is out of range"},
      {{"run", "2", "--resume", "--out", "x"}, "--resume: an option of kestrav search, not of run"},
      {{"search", "--gram", "211/11/2", "--layout", "Bare", "--total", "2147483648"},
       "--total: \"2147483648\" is out of range 1..65535"},
      {{"run", "2147483648", "--out", "x"}, "out of range"},
      // Long or multi-line input is shown cut to one short line.
      {with({"--gram", std::string(120000, '2')}), "(120000 characters)"},
      {with({"--gram", "211/1\n1/2"}), "--gram"},
      // An option name is not taken as the value of the option before it.
      {{"search", "--gram", "--layout", "HeadOnly", "--total", "50"}, "--gram: missing value", "HeadOnly"},
      // A --gram model's fault names --gram, not --blocks.
      {{"search", "--gram", "2", "--layout", "BothEnds", "--total", "50"}, "--gram", "--blocks"},
  };
  for (const BadArguments& c : cases) {
    ScratchDirectory dir;
    const auto run = runIn(dir.path(), kCommand, c.args);
    std::string shown;
    for (const auto& a : c.args) shown += a + " ";
    EXPECT_EQ(run.exitStatus, 2) << shown;
    EXPECT_NE(run.err.find(c.named), std::string::npos) << shown << "-> " << run.err;
    if (!c.absent.empty()) {
      EXPECT_EQ(run.err.find(c.absent), std::string::npos) << shown << "-> " << run.err;
    }
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << shown << "-> " << run.err;
    EXPECT_LT(run.err.size(), 200u) << run.err;
    EXPECT_TRUE(run.out.empty()) << shown;
    EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << shown << " wrote a file";
  }
}

// Records or a report that cannot be written are never a success: one line
// says so, with the reason, and the status is 1 (--help's 0 included).
TEST(Commands, StandardOutputThatCannotBeWrittenFailsWithOneLine) {
  struct Output {
    const char* name;
    ChildOptions options;
    std::string reason;
  };
  ChildOptions closed;
  closed.out = ChildOptions::Stream::Closed;
  ChildOptions full;
  full.outPath = "/dev/full";
  const Output outputs[] = {{"closed", closed, "Bad file descriptor"},
                            {"/dev/full", full, "No space left on device"}};
  const std::vector<std::string> commands[] = {
      {"search", "--gram", "0000/000/00/0", "--layout", "Bare", "--total", "30"},
      {"run", "2", "--out", "results"},
      {"verify", "results", "2"},
      {"--help"},
  };
  for (const Output& output : outputs) {
    for (const auto& args : commands) {
      ScratchDirectory dir;
      // A good file, so that verify's report is the only thing to fail.
      std::filesystem::create_directory(dir.path() / "results");
      std::filesystem::copy_file(kestrav::testing::cachedResultFile(2),
                                 dir.path() / "results" / kestrav::resultFileName(2));
      const auto run = runIn(dir.path(), kCommand, args, output.options);
      const std::string shown = args[0] + " on " + output.name + ": " + run.err;
      EXPECT_EQ(run.exitStatus, 1) << shown;
      EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << shown;
      EXPECT_NE(run.err.find("cannot write standard output: " + output.reason + "\n"), std::string::npos)
          << shown;
    }
  }
}

// When the reader of standard output goes away (`| head`), the command
// stops without a word, as standard tools do: SIGPIPE ends it, and no
// temporary file is left behind.
TEST(Commands, AReaderThatWentAwayStopsTheCommandQuietly) {
  ChildOptions readerGone;
  readerGone.out = ChildOptions::Stream::ReaderGone;
  const std::vector<std::string> commands[] = {
      {"search", "--gram", "0000/000/00/0", "--layout", "Bare", "--total", "30"},
      {"search", "--gram", "0000/000/00/0", "--layout", "Bare", "--total", "30", "--count"},
      // The first summary line fails: the other programs stop unfinished.
      {"run", "2", "13", "75", "--out", "results", "--threads", "2"},
      {"verify", "results", "2"},
      {"--help"},
  };
  for (const auto& args : commands) {
    ScratchDirectory dir;
    std::filesystem::create_directory(dir.path() / "results");
    if (args[0] == "verify") {
      std::filesystem::copy_file(kestrav::testing::cachedResultFile(2),
                                 dir.path() / "results" / kestrav::resultFileName(2));
    }
    const auto run = runIn(dir.path(), kCommand, args, readerGone);
    const std::string shown = ::testing::PrintToString(args);
    EXPECT_EQ(run.termSignal, SIGPIPE) << shown << ": status " << run.exitStatus;
    EXPECT_EQ(run.err, "") << shown;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path() / "results")) {
      EXPECT_EQ(entry.path().filename().string().find(".tmp-"), std::string::npos) << shown;
    }
  }
}

// Whether TEXT is "NAME VERSION (git COMMIT)\n", with COMMIT as this build knows it.
bool isVersionLine(const std::string& text, const std::string& name) {
  const std::string head = name + " " KESTRAV_VERSION " (git ";
  const std::string tail = ")\n";
  if (!text.starts_with(head) || !text.ends_with(tail) || text.size() < head.size() + tail.size()) {
    return false;
  }
  std::string commit = text.substr(head.size(), text.size() - head.size() - tail.size());
  if (!KESTRAV_FROM_GIT) {
    return commit == "unknown";
  }
  if (commit.ends_with("-dirty")) {
    commit.resize(commit.size() - std::string("-dirty").size());
  }
  return commit.size() == 12 && commit.find_first_not_of("0123456789abcdef") == std::string::npos;
}

// --version names the release and the commit of the build.
TEST(Commands, VersionAndHelpOfEachTool) {
  struct Case {
    std::filesystem::path tool;
    std::string word;
    std::string versionName;         // empty: the output is a usage text
    std::vector<std::string> words;  // that a usage text holds
  };
  const Case cases[] = {
      {kCommand, "--version", "kestrav", {}},
      {KESTRAV_VERIFY, "--version", "kestrav-verify", {}},
      {KESTRAV_VERIFY, "--help", "", {"usage: kestrav-verify ", "--quiet", "--checks DIR"}},
  };
  for (const Case& c : cases) {
    ScratchDirectory dir;
    const auto run = runIn(dir.path(), c.tool, {c.word});
    EXPECT_EQ(run.exitStatus, 0) << c.tool << " " << c.word;
    EXPECT_EQ(run.err, "");
    if (!c.versionName.empty()) {
      EXPECT_TRUE(isVersionLine(run.out, c.versionName)) << c.tool << " " << c.word << ": " << run.out;
    }
    for (const std::string& word : c.words) {
      EXPECT_NE(run.out.find(word), std::string::npos) << c.tool << " " << c.word << ": " << run.out;
    }
    if (!c.words.empty()) {
      EXPECT_TRUE(run.out.starts_with(c.words.front())) << run.out;
    }
  }
}

// --count of each shard counts the shard: together they are the whole.
TEST(SearchCommand, CountsOfTheShardsAddUpToTheWhole) {
  const std::vector<std::string> search = {"search",   "--gram",        "---111/22001/2001/001/21/1",
                                           "--layout", "HeadOnly",      "--total",
                                           "50",       "--multipliers", "1,2,5",
                                           "--count"};
  std::uint64_t sum = 0;
  std::uint64_t whole = 0;
  for (const char* shard : {"1/3", "2/3", "3/3"}) {
    ScratchDirectory dir;
    const auto run = runIn(dir.path(), kCommand, extended(search, {"--shard", shard}));
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    // "all: X of Y compositions", the numbers with thousands separators.
    const auto all = run.out.find("all: ");
    const auto of = run.out.find(" of ", all);
    const auto end = run.out.find(" compositions", of);
    ASSERT_TRUE(all != std::string::npos && of != std::string::npos && end != std::string::npos) << run.out;
    const auto number = [](std::string text) {
      text.erase(std::remove(text.begin(), text.end(), ','), text.end());
      return std::stoull(text);
    };
    sum += number(run.out.substr(all + 5, of - all - 5));
    whole = number(run.out.substr(of + 4, end - of - 4));
    EXPECT_NE(run.out.find("expected output: about "), std::string::npos) << run.out;
  }
  EXPECT_EQ(sum, whole);
  EXPECT_GT(whole, 0u);
}

TEST(Arguments, HelpFitsAScreen) {
  ScratchDirectory dir;
  const auto run = runIn(dir.path(), kCommand, {"--help"});
  EXPECT_EQ(run.exitStatus, 0);
  // Five commands, their options and the exit statuses: a tall terminal's screen.
  EXPECT_LE(std::count(run.out.begin(), run.out.end(), '\n'), 51);
  for (const char* word : {"run", "search", "verify", "--shard", "--gram", "--blocks", "--layout", "--total",
                           "--count-records", "--quiet", "--checks", "BothEnds", "avx512", "--resume",
                           "--restart", "join", "--sample", "--no-manifest", "128+N"}) {
    EXPECT_NE(run.out.find(word), std::string::npos) << word;
  }
}

}  // namespace
