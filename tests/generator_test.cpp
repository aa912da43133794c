// The build-time generator: a malformed row stops it with a message naming
// the row, and an unchanged model is not rewritten.

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>

#include "tests/support/catalogue_rows.hpp"
#include "tests/support/program_runner.hpp"

namespace {

namespace fs = std::filesystem;
using kestrav::testing::runIn;
using kestrav::testing::ScratchDirectory;

void writeCatalogue(const fs::path& path, const std::string& rows) {
  std::ofstream out(path);
  out << "# test catalogue\n" << rows;
}

TEST(Generator, MalformedRowsFailNamingTheRow) {
  struct Case {
    std::string rows;
    std::string message;
  };
  const Case cases[] = {
      {"35 unscaled Bare 6 6 single 21100/1100/211/11/2 27\n"
       "36 scaled TailOnly 8 7 single 2--0101/--0101/20011/0011/110/01/7 103\n",
       "row 36 (kestrav36): Gram code \"2--0101/--0101/20011/0011/110/01/7\": character '7'"},
      {"25 unscaled Bare 6 6 single 11110/2201/201/01/1/1 29\n", "row 25 (kestrav25): Gram code"},
      {"25 unscaled Bare 6 6 single 11110/2201/201/01/1 30\n", "row 25 (kestrav25): the model has 29 terms"},
      {"2 unscaled Bare 6 6 two 1-4:222/22/2 5-6:2 5\n", "line 2 (row 2)"},
  };
  for (const Case& c : cases) {
    ScratchDirectory dir;
    writeCatalogue(dir.path() / "catalogue.txt", c.rows);
    const auto run = runIn(dir.path(), kestrav::testing::generatorPath(), {"check", "catalogue.txt"});
    EXPECT_EQ(run.exitStatus, 1) << c.rows;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
  }
}

TEST(Generator, TheCatalogueIsValid) {
  ScratchDirectory dir;
  const auto run = runIn(dir.path(), kestrav::testing::generatorPath(), {"check", KESTRAV_CATALOGUE});
  EXPECT_EQ(run.exitStatus, 0) << run.err;
}

TEST(Generator, RewritesOnlyWhatChanged) {
  ScratchDirectory dir;
  writeCatalogue(dir.path() / "catalogue.txt", "35 unscaled Bare 6 6 single 21100/1100/211/11/2 27\n");
  const std::vector<std::string> args = {"program", "catalogue.txt", "35", "."};
  ASSERT_EQ(runIn(dir.path(), kestrav::testing::generatorPath(), args).exitStatus, 0);
  const fs::path header = dir.path() / "kestrav35_model.hpp";
  ASSERT_TRUE(fs::exists(header));
  ASSERT_TRUE(fs::exists(dir.path() / "kestrav35.cpp"));
  // An hour back, so that a rewrite shows whatever the clock's resolution.
  const auto before = fs::last_write_time(header) - std::chrono::hours(1);
  fs::last_write_time(header, before);
  const std::string content = kestrav::testing::readFile(header);
  ASSERT_EQ(runIn(dir.path(), kestrav::testing::generatorPath(), args).exitStatus, 0);
  EXPECT_EQ(fs::last_write_time(header), before);

  // A changed row (a sign switch of entry 1 gives the same model but another
  // comment) is written anew.
  writeCatalogue(dir.path() / "catalogue.txt", "35 unscaled Bare 6 6 single =--00/1100/211/11/2 27\n");
  ASSERT_EQ(runIn(dir.path(), kestrav::testing::generatorPath(), args).exitStatus, 0);
  EXPECT_NE(kestrav::testing::readFile(header), content);
  EXPECT_NE(fs::last_write_time(header), before);
}

TEST(Generator, UnknownRowAndBadUsage) {
  ScratchDirectory dir;
  const std::string unknown = std::to_string(kestrav::testing::firstNumberWithoutRow());
  const auto missing =
      runIn(dir.path(), kestrav::testing::generatorPath(), {"program", KESTRAV_CATALOGUE, unknown, "."});
  EXPECT_EQ(missing.exitStatus, 1);
  EXPECT_NE(missing.err.find("no row " + unknown), std::string::npos) << missing.err;
  EXPECT_EQ(runIn(dir.path(), kestrav::testing::generatorPath(), {"frobnicate"}).exitStatus, 2);
}

}  // namespace
