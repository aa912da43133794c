// Result files named FILE.gz or FILE.zst are written compressed, as the
// records are found: decompressed they are the plain file byte for byte.
// They get a manifest that `verify` checks them against, reading them back
// through the same library. A suffix of compressed data the build cannot
// write is refused in one line, and nothing is written under it; `verify`
// refuses such a file in one line too.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/program_runner.hpp"

namespace {

using kestrav::testing::runIn;
using kestrav::testing::ScratchDirectory;

const std::filesystem::path kCommand = KESTRAV_COMMAND;
#ifdef KESTRAV_MANIFESTS
constexpr bool kManifests = true;
#else
constexpr bool kManifests = false;
#endif

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
      // Such a file made elsewhere is not read as plain text either.
      std::ofstream(dir.path() / name) << "1 2 3 \n";
      const auto verify = runIn(dir.path(), kCommand, {"verify", name});
      EXPECT_EQ(verify.exitStatus, 2) << name;
      EXPECT_EQ(verify.err.rfind("kestrav verify: " + name + ": ", 0), 0u) << verify.err;
      EXPECT_EQ(std::count(verify.err.begin(), verify.err.end(), '\n'), 1) << verify.err;
      continue;
    }
    ASSERT_EQ(run.exitStatus, 0) << name << ": " << run.err;
    // The file and its manifest: no temporary file is left beside them.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), kManifests ? 2 : 1) << name;
    const std::string stored = kestrav::testing::readFile(dir.path() / name);
    EXPECT_NE(stored, plain) << name << " is not compressed";
    if (onPath(c.decompressor)) {
      const auto unpacked = runIn(dir.path(), "/bin/sh", {"-c", c.decompressor + " " + name});
      EXPECT_EQ(unpacked.exitStatus, 0) << unpacked.err;
      EXPECT_EQ(unpacked.out, plain) << name;
    } else {
      std::printf("%s not found: %s written, not decompressed\n", c.decompressor.c_str(), name.c_str());
    }
    if (kManifests) {
      const auto verified = runIn(dir.path(), kCommand, {"verify", name});
      EXPECT_EQ(verified.exitStatus, 0) << name << ": " << verified.out << verified.err;
      // One byte altered in the middle of the compressed data.
      std::string altered = stored;
      altered[altered.size() / 2] = static_cast<char>(altered[altered.size() / 2] ^ 0x20);
      std::ofstream(dir.path() / name, std::ios::binary | std::ios::trunc) << altered;
      const auto rejected = runIn(dir.path(), kCommand, {"verify", name});
      EXPECT_EQ(rejected.exitStatus, 1) << name << ": " << rejected.out << rejected.err;
      EXPECT_EQ(rejected.out.rfind("MISMATCH " + name + "\n", 0), 0u) << rejected.out;
    }
  }
}

}  // namespace
