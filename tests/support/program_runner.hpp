#pragma once
// Runs a built kestrav program (or the generator) as a child process in a
// working directory of the test's own, and captures what it printed.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace kestrav::testing {

struct RunResult {
  int exitStatus = -1;  // -1 when the process did not exit normally
  int termSignal = 0;   // the signal that ended it, 0 when it exited
  std::string out;
  std::string err;
};

// How a child is started, beyond its working directory and arguments.
struct ChildOptions {
  // ReaderGone: a pipe whose reading end is closed before the child starts,
  // as when the reader of a pipeline has already exited.
  enum class Stream { Capture, Closed, DevNull, ReaderGone };
  Stream out = Stream::Capture;
  Stream err = Stream::Capture;
  // When set, standard output is opened on this path instead (e.g.
  // "/dev/full"); a relative path is taken from the working directory.
  std::string outPath;
  // RLIMIT_AS of the child in bytes (of the emulator, under one); 0: none.
  std::uint64_t addressSpaceLimit = 0;
  // RLIMIT_FSIZE of the child in bytes: a longer write fails; 0: none.
  std::uint64_t fileSizeLimit = 0;
  // Sent to the child once, at the first of: signalAfter has passed since it
  // started (0: at once, unless signalWhen is set), or signalWhen, asked
  // every 5 ms, returns true.
  int signal = 0;
  std::chrono::milliseconds signalAfter{0};
  std::function<bool()> signalWhen;
};

std::filesystem::path programPath(int number);
std::filesystem::path generatorPath();

// A program of this build runs under the build's emulator when it has one
// (KESTRAV_EMULATOR, qemu-i386 for the 32-bit build).
RunResult runIn(const std::filesystem::path& workingDirectory, const std::filesystem::path& executable,
                const std::vector<std::string>& arguments = {});
RunResult runIn(const std::filesystem::path& workingDirectory, const std::filesystem::path& executable,
                const std::vector<std::string>& arguments, const ChildOptions& options);

// A fresh, empty directory that is removed when the object goes away.
class ScratchDirectory {
 public:
  ScratchDirectory();
  ~ScratchDirectory();
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// The result file of a complete run of kestravN, kept between tests in the
// build tree so that a run checked once serves every test that reads it. A
// cached file older than the program is run again.
std::filesystem::path cachedResultFile(int number);
void storeResultFile(int number, const std::filesystem::path& file);

// SHA-256 of a file, as sha256sum prints it.
std::string sha256(const std::filesystem::path& file);

std::string readFile(const std::filesystem::path& path);
std::vector<std::string> readLines(const std::filesystem::path& path);

}  // namespace kestrav::testing
