// Result files named FILE.gz or FILE.zst are written compressed, as the
// records are found: decompressed they are the plain file byte for byte.
// A suffix of compressed data the build cannot write is refused in one
// line, and nothing is written under it.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/program_runner.hpp"

namespace {

using kestrav::testing::runIn;
using kestrav::testing::ScratchDirectory;

const std::filesystem::path kCommand = KESTRAV_COMMAND;

bool onPath(const std::string& tool) {
  ScratchDirectory dir;
  return runIn(dir.path(), "/bin/sh", {"-c", "command -v " + tool}).exitStatus == 0;
}

TEST(CompressedResults, DecompressToThePlainFileOrAreRefused) {
  struct Case {
    std::string suffix;
    bool built;                // this build writes it
    std::string decompressor;  // empty: a suffix no build writes
  };
  const Case cases[] = {
      {".gz", KESTRAV_GZIP_BUILT != 0, "zcat"},
      {".zst", KESTRAV_ZSTD_BUILT != 0, "zstdcat"},
      {".xz", false, ""},
      {".bz2", false, ""},
  };
  const std::vector<std::string> search = {
      "search", "--gram", "21100/1100/211/11/2", "--layout", "Bare", "--total", "50", "--out"};
  const std::string plain = kestrav::testing::readFile(kestrav::testing::cachedResultFile(35));
  for (const Case& c : cases) {
    ScratchDirectory dir;
    const std::string name = "found.txt" + c.suffix;
    std::vector<std::string> args = search;
    args.push_back(name);
    const auto run = runIn(dir.path(), kCommand, args);
    if (!c.built) {
      EXPECT_EQ(run.exitStatus, 2) << name;
      EXPECT_EQ(run.err.rfind("kestrav search: --out: " + name + ": ", 0), 0u) << run.err;
      EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
      EXPECT_TRUE(std::filesystem::is_empty(dir.path())) << name;
      continue;
    }
    ASSERT_EQ(run.exitStatus, 0) << name << ": " << run.err;
    // Only the file itself: no temporary file is left beside it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1) << name;
    EXPECT_NE(kestrav::testing::readFile(dir.path() / name), plain) << name << " is not compressed";
    if (!onPath(c.decompressor)) {
      std::printf("%s not found: %s written, not decompressed\n", c.decompressor.c_str(), name.c_str());
      continue;
    }
    const auto unpacked = runIn(dir.path(), "/bin/sh", {"-c", c.decompressor + " " + name});
    EXPECT_EQ(unpacked.exitStatus, 0) << unpacked.err;
    EXPECT_EQ(unpacked.out, plain) << name;
  }
}

}  // namespace
