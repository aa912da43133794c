// Searches killed or stopped at any point and resumed with --resume give the
// bytes of a search that was never stopped; work in progress that does not
// belong to the search or does not match its checkpoint is refused in one
// line and left as it is; a second search of the same file is refused
// while the first holds it.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <thread>

#include "tests/support/program_runner.hpp"

namespace {

namespace fs = std::filesystem;
using kestrav::testing::ChildOptions;
using kestrav::testing::readFile;
using kestrav::testing::runIn;
using kestrav::testing::ScratchDirectory;

const fs::path kCommand = KESTRAV_COMMAND;

// Row 75's model without pinned entries at total 48: about a second on two
// threads, 16 MB of records in some two hundred units of work.
std::vector<std::string> searchArgs(const std::vector<std::string>& more) {
  std::vector<std::string> args = {
      "search",       "--gram", "---111000/11100--0/101010-/001011/11--0/110-/011/1-/1",
      "--layout",     "Bare",   "--total",
      "48",           "--out",  "found.txt",
      "--checkpoint", "0.02"};
  args.insert(args.end(), more.begin(), more.end());
  return args;
}

// The files of a directory but the manifest (found.txt.json), which
// manifestOf compares.
std::vector<std::string> entriesOf(const fs::path& directory) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(directory)) {
    if (entry.path().extension() != ".json") names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::size_t lines(const std::string& text) {
  return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

// What found.txt's manifest says of the file and its search, up to the
// command, threads and times of the run that wrote it; empty in a build
// without manifests.
std::string manifestOf(const fs::path& directory) {
  const fs::path manifest = directory / "found.txt.json";
  if (!fs::exists(manifest)) return "";
  const std::string text = readFile(manifest);
  return text.substr(0, text.find("\"command\""));
}

// The search never stopped, per shard option: its file, and its summary
// line up to its time ("kestrav search: 729075 records, ").
struct Uninterrupted {
  std::string file;
  std::string summary;
  std::string manifest;
};

const Uninterrupted& uninterrupted(const std::string& shard) {
  static std::map<std::string, Uninterrupted> searches;
  if (searches.count(shard) == 0) {
    ScratchDirectory dir;
    const auto run = runIn(
        dir.path(), kCommand,
        searchArgs(shard.empty() ? std::vector<std::string>{} : std::vector<std::string>{"--shard", shard}));
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    searches[shard] = {readFile(dir.path() / "found.txt"), run.err.substr(0, run.err.find(" records, ") + 10),
                       manifestOf(dir.path())};
  }
  return searches[shard];
}

TEST(ResumedSearch, AKilledSearchResumesToTheBytesOfOneNeverStopped) {
  struct Case {
    const char* threads;
    const char* shard;  // "" for the whole search
    int killAfterMs;
    const char* resumeThreads;
  };
  // Wherever the kill lands (before the first checkpoint, between two, while
  // one is written, after the file is complete) the resumed search ends
  // with the same bytes and nothing else beside them.
  const Case cases[] = {
      {"1", "", 30, "2"},     {"1", "", 300, "1"},    {"1", "", 900, "2"}, {"2", "", 10, "2"},
      {"2", "", 150, "1"},    {"2", "", 400, "2"},    {"2", "", 700, "2"}, {"2", "2/3", 60, "1"},
      {"2", "2/3", 200, "2"}, {"1", "3/3", 250, "2"},
  };
  for (const Case& c : cases) {
    const std::string shown = std::string(c.threads) + " threads, shard " + c.shard + ", killed after " +
                              std::to_string(c.killAfterMs) + " ms";
    const std::vector<std::string> shard =
        *c.shard == '\0' ? std::vector<std::string>{} : std::vector<std::string>{"--shard", c.shard};
    ScratchDirectory dir;
    ChildOptions kill;
    kill.signal = SIGKILL;
    kill.signalAfter = std::chrono::milliseconds(c.killAfterMs);
    auto args = searchArgs(shard);
    args.insert(args.end(), {"--threads", c.threads});
    runIn(dir.path(), kCommand, args, kill);
    args = searchArgs(shard);
    args.insert(args.end(), {"--threads", c.resumeThreads, "--resume"});
    const auto resumed = runIn(dir.path(), kCommand, args);
    EXPECT_EQ(resumed.exitStatus, 0) << shown << ": " << resumed.err;
    EXPECT_EQ(lines(resumed.err), 1u) << shown << ": " << resumed.err;
    EXPECT_TRUE(readFile(dir.path() / "found.txt") == uninterrupted(c.shard).file) << shown;
    EXPECT_EQ(manifestOf(dir.path()), uninterrupted(c.shard).manifest) << shown;
    // The records kept count as found: the summary is the whole search's.
    EXPECT_EQ(resumed.err.rfind(uninterrupted(c.shard).summary, 0), 0u) << shown << ": " << resumed.err;
    EXPECT_EQ(entriesOf(dir.path()), std::vector<std::string>{"found.txt"}) << shown;
  }
}

// Work in progress made the same way every time: the file size limit stops
// the search at the same byte, and it keeps its work up to the last unit
// written before it.
void keptWork(const fs::path& directory) {
  ChildOptions limited;
  limited.fileSizeLimit = std::uint64_t{6} << 20;
  const auto run = runIn(directory, kCommand, searchArgs({"--threads", "2"}), limited);
  ASSERT_EQ(run.exitStatus, 1) << run.err;
  ASSERT_NE(run.err.find("cannot write found.txt: File too large; its work in progress is kept in "
                         "found.txt.partial ("),
            std::string::npos)
      << run.err;
  ASSERT_EQ(lines(run.err), 1u) << run.err;
  ASSERT_EQ(entriesOf(directory), (std::vector<std::string>{"found.txt.checkpoint", "found.txt.partial"}));
}

void changeByte(const fs::path& file, std::uintmax_t at) {
  std::fstream stream(file, std::ios::in | std::ios::out | std::ios::binary);
  stream.seekg(static_cast<std::streamoff>(at));
  const char byte = static_cast<char>(stream.get() ^ 0x01);
  stream.seekp(static_cast<std::streamoff>(at));
  stream.put(byte);
}

TEST(ResumedSearch, WorkInProgressIsResumedOnlyWhenItMatchesAndIsNeverLost) {
  ScratchDirectory made;
  keptWork(made.path());
  const fs::path partial = "found.txt.partial";
  const fs::path checkpoint = "found.txt.checkpoint";
  const std::uintmax_t kept = fs::file_size(made.path() / partial);
  ASSERT_GT(kept, 0u);
  struct Case {
    const char* name;
    std::function<void(const fs::path&)> change;
    std::vector<std::string> options;
    const char* refusal;  // nullptr: the search completes with the bytes of one never stopped
  };
  const auto append = [](const char* text) {
    return [text](const fs::path& dir) { std::ofstream(dir / "found.txt.partial", std::ios::app) << text; };
  };
  const Case cases[] = {
      {"as kept", {}, {"--resume"}, nullptr},
      {"as kept, one thread", {}, {"--resume", "--threads", "1"}, nullptr},
      {"half a record after the checkpoint", append("12 3"), {"--resume"}, nullptr},
      {"whole records after the checkpoint", append("1 2 3 4 5 6 7 8 9 10 \n"), {"--resume"}, nullptr},
      {"one checkpoint slot torn",
       [](const fs::path& dir) { changeByte(dir / "found.txt.checkpoint", 40); },
       {"--resume"},
       nullptr},
      {"the other slot torn",
       [](const fs::path& dir) { changeByte(dir / "found.txt.checkpoint", 8192 + 40); },
       {"--resume"},
       nullptr},
      {"discarded", {}, {"--restart"}, nullptr},
      {"neither option",
       {},
       {},
       "cannot write found.txt: found.txt.partial holds the work in progress of an earlier search ("},
      {"cut in the middle of a record",
       [kept](const fs::path& dir) { fs::resize_file(dir / "found.txt.partial", kept - 3); },
       {"--resume"},
       "cannot resume found.txt: found.txt.partial is shorter than its checkpoint"},
      {"a record changed",
       [](const fs::path& dir) { changeByte(dir / "found.txt.partial", 1000); },
       {"--resume"},
       "found.txt.partial does not match its checkpoint: --restart discards it"},
      {"both checkpoint slots torn",
       [](const fs::path& dir) {
         changeByte(dir / "found.txt.checkpoint", 40);
         changeByte(dir / "found.txt.checkpoint", 8192 + 40);
       },
       {"--resume"},
       "found.txt.checkpoint is damaged: --restart discards it"},
      {"the checkpoint emptied",
       [](const fs::path& dir) { fs::resize_file(dir / "found.txt.checkpoint", 0); },
       {"--resume"},
       "found.txt.checkpoint is empty"},
      {"another total",
       {},
       {"--resume", "--total", "50"},
       "found.txt.partial holds the work of another search"},
      {"another layout", {}, {"--resume", "--layout", "HeadOnly"}, "holds the work of another search"},
      {"another shard", {}, {"--resume", "--shard", "1/2"}, "holds the work of another search"},
  };
  for (const Case& c : cases) {
    ScratchDirectory dir;
    fs::copy_file(made.path() / partial, dir.path() / partial);
    fs::copy_file(made.path() / checkpoint, dir.path() / checkpoint);
    if (c.change) c.change(dir.path());
    const std::string before = readFile(dir.path() / partial);
    std::vector<std::string> args = searchArgs({});
    // A later option of the same name replaces the model's part of the search.
    for (std::size_t i = 0; i < c.options.size(); ++i) {
      const auto given = std::find(args.begin(), args.end(), c.options[i]);
      const bool valued = c.options[i] != "--resume" && c.options[i] != "--restart";
      if (given != args.end() && valued) {
        *(given + 1) = c.options[++i];
      } else {
        args.push_back(c.options[i]);
        if (valued) args.push_back(c.options[++i]);
      }
    }
    const auto run = runIn(dir.path(), kCommand, args);
    EXPECT_EQ(lines(run.err), 1u) << c.name << ": " << run.err;
    if (c.refusal == nullptr) {
      EXPECT_EQ(run.exitStatus, 0) << c.name << ": " << run.err;
      EXPECT_TRUE(readFile(dir.path() / "found.txt") == uninterrupted("").file) << c.name;
      EXPECT_EQ(entriesOf(dir.path()), std::vector<std::string>{"found.txt"}) << c.name;
    } else {
      EXPECT_EQ(run.exitStatus, 1) << c.name;
      EXPECT_NE(run.err.find(c.refusal), std::string::npos) << c.name << ": " << run.err;
      EXPECT_TRUE(readFile(dir.path() / partial) == before) << c.name << ": the work in progress changed";
      EXPECT_FALSE(fs::exists(dir.path() / "found.txt")) << c.name;
    }
  }
}

// Starts the command in the background, its output thrown away.
pid_t start(const fs::path& directory, const std::vector<std::string>& args) {
  std::vector<std::string> words = {kCommand.string()};
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  const pid_t child = ::fork();
  if (child == 0) {
    if (::chdir(directory.c_str()) != 0 || !std::freopen("/dev/null", "w", stdout) ||
        !std::freopen("/dev/null", "w", stderr))
      ::_exit(127);
    ::execv(argv[0], argv.data());
    ::_exit(127);
  }
  return child;
}

// Starts a search of the file and stops it (SIGSTOP) once its work in
// progress exists, so that it holds its lock for as long as the test needs.
// A search can finish before the stop lands on a loaded machine: then it is
// started again, from nothing, a few times.
pid_t startAndStopHoldingTheLock(const fs::path& directory) {
  for (int attempt = 0; attempt < 5; ++attempt) {
    std::error_code ignored;
    for (const char* name : {"found.txt", "found.txt.json", "found.txt.partial", "found.txt.checkpoint"})
      fs::remove(directory / name, ignored);
    const pid_t first = start(directory, searchArgs({"--threads", "2"}));
    if (first <= 0) return first;
    int status = 0;
    bool exited = false;
    while (!fs::exists(directory / "found.txt.partial") && !exited) {
      exited = ::waitpid(first, &status, WNOHANG) == first;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (!exited) ::kill(first, SIGSTOP);
    if (!exited && ::waitpid(first, &status, WNOHANG) == 0 && !fs::exists(directory / "found.txt"))
      return first;
    ::kill(first, SIGKILL);
    ::waitpid(first, &status, 0);
  }
  return -1;
}

TEST(ResumedSearch, ASecondSearchOfTheFileIsRefusedWhileTheFirstHoldsIt) {
  ScratchDirectory dir;
  const pid_t first = startAndStopHoldingTheLock(dir.path());
  ASSERT_GT(first, 0) << "the first search ended before it could be stopped, five times";
  int status = 0;
  for (const char* option : {"--resume", "--restart"}) {
    const auto second = runIn(dir.path(), kCommand, searchArgs({option}));
    EXPECT_EQ(second.exitStatus, 1) << option;
    EXPECT_EQ(second.err,
              "kestrav search: cannot write found.txt: another search is writing found.txt.partial\n")
        << option;
  }
  // Killed, it leaves no lock: the next search resumes its work.
  ::kill(first, SIGKILL);
  ASSERT_EQ(::waitpid(first, &status, 0), first);
  const auto resumed = runIn(dir.path(), kCommand, searchArgs({"--resume"}));
  EXPECT_EQ(resumed.exitStatus, 0) << resumed.err;
  EXPECT_TRUE(readFile(dir.path() / "found.txt") == uninterrupted("").file);
  EXPECT_EQ(entriesOf(dir.path()), std::vector<std::string>{"found.txt"});
}

}  // namespace
