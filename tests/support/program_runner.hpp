#pragma once
// Runs a built kestrav program (or the generator) as a child process in a
// working directory of the test's own, and captures what it printed.

#include <filesystem>
#include <string>
#include <vector>

namespace kestrav::testing {

struct RunResult {
  int exitStatus = -1;  // -1 when the process did not exit normally
  std::string out;
  std::string err;
};

std::filesystem::path programPath(int number);
std::filesystem::path generatorPath();

// A program of this build runs under the build's emulator when it has one
// (KESTRAV_EMULATOR, qemu-i386 for the 32-bit build).
RunResult runIn(const std::filesystem::path& workingDirectory, const std::filesystem::path& executable,
                const std::vector<std::string>& arguments = {});

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
