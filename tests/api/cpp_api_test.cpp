// The C++ API of libkestrav, linked as the shared library: every search path
// agrees with the command's result file record for record and per pass;
// bad input throws the typed error naming its field; a search stops on
// request and reports its progress.

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "kestrav/kestrav.hpp"
#include "tests/api/unknown_program.hpp"
#include "tests/support/program_runner.hpp"
#include "verify/sha256.hpp"

namespace {

using kestrav::Field;
using kestrav::Layout;
using kestrav::Model;
using kestrav::SearchStatus;
using kestrav::testing::ScratchDirectory;

const std::filesystem::path kCommand = KESTRAV_COMMAND;

struct ModelCase {
  const char* name;
  std::vector<std::string> modelWords;  // the command's --gram or --blocks words
  const char* layout;
  int total;
  std::vector<int> multipliers;
};

// One and several blocks (the filter's 1- to 4-block kernels), every
// layout, scaled passes with and without records.
const ModelCase kModels[] = {
    {"one block, head pinned", {"--gram", "---111/22001/2001/001/21/1"}, "HeadOnly", 50, {1, 2, 5}},
    {"two blocks, both ends", {"--blocks", "1-4:222/22/2 5-7:1-/1"}, "BothEnds", 40, {1, 2}},
    {"three blocks, tail pinned", {"--blocks", "1-2:1 3-5:00/0 6-7:-"}, "TailOnly", 36, {1, 2, 3}},
    {"four blocks, bare", {"--blocks", "1-2:1 3-4:0 5-6:- 7-8:1"}, "Bare", 30, {1}},
    {"zero-code model", {"--gram", "00000/0000/000/00/0"}, "Bare", 24, {1, 2}},
};

Model modelOf(const ModelCase& c) {
  const Layout layout = kestrav::parseLayoutName(c.layout);
  if (c.modelWords[0] == "--gram") return Model::fromGram(c.modelWords[1], layout, c.total, c.multipliers);
  std::vector<kestrav::Block> blocks;
  std::istringstream words(c.modelWords[1]);
  for (std::string word; words >> word;) blocks.push_back(kestrav::parseBlock(word));
  return Model::fromBlocks(blocks, layout, c.total, c.multipliers);
}

// The record lines of a file, in order.
std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(CppApi, EverySearchPathAgreesWithTheCommandsResultFile) {
  for (const ModelCase& c : kModels) {
    SCOPED_TRACE(c.name);
    ScratchDirectory dir;
    std::vector<std::string> words = {"search", "--layout", c.layout, "--total", std::to_string(c.total)};
    words.insert(words.end(), c.modelWords.begin(), c.modelWords.end());
    std::string multipliers;
    for (int m : c.multipliers) {
      if (!multipliers.empty()) multipliers += ',';
      multipliers += std::to_string(m);
    }
    words.insert(words.end(), {"--multipliers", multipliers, "--out", "command.txt"});
    const auto command = kestrav::testing::runIn(dir.path(), kCommand, words);
    ASSERT_EQ(command.exitStatus, 0) << command.err;
    const std::string expected = kestrav::testing::readFile(dir.path() / "command.txt");
    const std::vector<std::string> expectedLines = linesOf(expected);

    const Model model = modelOf(c);
    kestrav::SearchOptions options;
    options.threads = 2;
    const auto written = kestrav::searchToFile(model, dir.path() / "library.txt", options);
    ASSERT_EQ(written.status, SearchStatus::Complete) << written.error;
    EXPECT_EQ(kestrav::testing::readFile(dir.path() / "library.txt"), expected);
    EXPECT_EQ(written.bytes, expected.size());
    EXPECT_EQ(written.sha256, kestrav::manifestsAvailable() ? kestrav::sha256Hex(expected) : "");

    // The blocks, written as lines, are the file; each block's pass is
    // where the file is, and the blocks of a pass count its records.
    std::vector<std::uint64_t> perPass(c.multipliers.size(), 0);
    std::vector<std::string> lines;
    std::uint64_t next = 0;
    const auto searched = kestrav::search(model, options, [&](const kestrav::RecordBlock& block) {
      EXPECT_EQ(block.firstRecord, next);
      EXPECT_EQ(block.multiplier, c.multipliers[static_cast<std::size_t>(block.pass)]);
      next += block.records;
      perPass[static_cast<std::size_t>(block.pass)] += block.records;
      for (std::size_t r = 0; r < block.records; ++r) {
        std::string line;
        for (int e = 0; e < block.entryCount; ++e)
          line += std::to_string(block.entries[r * static_cast<std::size_t>(block.entryCount) +
                                               static_cast<std::size_t>(e)]) +
                  ' ';
        lines.push_back(line);
      }
      return true;
    });
    ASSERT_EQ(searched.status, SearchStatus::Complete) << searched.error;
    EXPECT_EQ(lines, expectedLines);
    EXPECT_EQ(searched.recordsPerPass, perPass);
    EXPECT_EQ(searched.recordsPerPass, written.recordsPerPass);

    const auto counted = kestrav::countRecords(model, options);
    ASSERT_EQ(counted.status, SearchStatus::Complete) << counted.error;
    EXPECT_EQ(counted.recordsPerPass, written.recordsPerPass);
    EXPECT_EQ(counted.records, expectedLines.size());
    EXPECT_EQ(counted.bytes, 0u);
    EXPECT_EQ(counted.compositions, kestrav::searchSize(model).total);
  }
}

TEST(CppApi, ShardsConcatenateToTheWholeSearch) {
  const Model model = modelOf(kModels[0]);
  std::vector<std::int32_t> whole;
  std::vector<std::int32_t> sharded;
  const auto collect = [](std::vector<std::int32_t>& into) {
    return [&into](const kestrav::RecordBlock& block) {
      into.insert(into.end(), block.entries,
                  block.entries + block.records * static_cast<std::size_t>(block.entryCount));
      return true;
    };
  };
  ASSERT_EQ(kestrav::search(model, {}, collect(whole)).status, SearchStatus::Complete);
  std::uint64_t compositions = 0;
  for (int i = 1; i <= 3; ++i) {
    kestrav::SearchOptions options;
    options.shardIndex = i;
    options.shardCount = 3;
    const auto summary = kestrav::search(model, options, collect(sharded));
    ASSERT_EQ(summary.status, SearchStatus::Complete) << i;
    compositions += summary.compositions;
  }
  EXPECT_EQ(sharded, whole);
  EXPECT_EQ(compositions, kestrav::searchSize(model).total);
}

TEST(CppApi, CatalogueRowsSearchAndVerifyAsTheirPrograms) {
  const kestrav::Catalogue& catalogue = kestrav::Catalogue::builtIn();
  ASSERT_FALSE(catalogue.rows().empty());
  for (int number : {2, 13}) {
    ScratchDirectory dir;
    const kestrav::CatalogueRow* row = catalogue.find(number);
    ASSERT_NE(row, nullptr) << number;
    const auto file = dir.path() / ("OutputPart" + std::to_string(number) + ".txt");
    ASSERT_EQ(kestrav::searchToFile(row->model, file).status, SearchStatus::Complete);
    const kestrav::ResultVerdict verdict = kestrav::verifyResultFile(catalogue, number, file);
    EXPECT_TRUE(verdict.ok()) << number << ": " << (verdict.ok() ? "" : verdict.problems.front());
    // A record removed is found.
    std::string text = kestrav::testing::readFile(file);
    text.erase(0, text.find('\n') + 1);
    std::ofstream(file, std::ios::trunc) << text;
    EXPECT_FALSE(kestrav::verifyResultFile(catalogue, number, file).ok()) << number;
  }
  EXPECT_EQ(catalogue.find(kestrav::testing::firstNumberWithoutRow(catalogue)), nullptr);
}

TEST(CppApi, BadInputThrowsTheErrorOfItsField) {
  struct Case {
    const char* name;
    std::function<void()> call;
    Field field;
    const char* reason;  // a part of the reason
  };
  const Case cases[] = {
      {"character", [] { Model::fromGram("0x/0", Layout::Bare, 10); }, Field::Gram, "character 'x'"},
      {"non-ASCII character quoted whole",
       [] { Model::fromGram("\u2014111/22001/2001/001/21/1", Layout::Bare, 50); }, Field::Gram,
       "character '\u2014' is not one of"},
      {"group length", [] { Model::fromGram("000/00/0/0", Layout::Bare, 10); }, Field::Gram, "group"},
      {"blocks overlap",
       [] {
         Model::fromBlocks({kestrav::parseBlock("1-3:00/0"), kestrav::parseBlock("3-4:0")}, Layout::Bare, 10);
       },
       Field::Blocks, "exactly once"},
      {"block text", [] { kestrav::parseBlock("1-3"); }, Field::Blocks, "POSITIONS:CODE"},
      {"more positions than a model's entries, refused before a block is expanded",
       [] {
         std::string code;  // well-formed for 17 entries: 16 groups
         for (int group = 16; group > 0; --group) code += std::string(group, '0') + (group > 1 ? "/" : "");
         Model::fromBlocks({kestrav::parseBlock("1-16,1:" + code)}, Layout::Bare, 20);
       },
       Field::Blocks, "the blocks take 17 entry positions"},
      {"multiplier", [] { Model::fromGram("00/0", Layout::HeadOnly, 10, {3}); }, Field::Multipliers,
       "does not divide"},
      {"total", [] { Model::fromGram("00/0", Layout::Bare, 0); }, Field::Total, "outside 1..65535"},
      {"layout name", [] { kestrav::parseLayoutName("Both"); }, Field::Layout,
       "is not one of BothEnds, HeadOnly, TailOnly, Bare"},
      {"shard text",
       [] {
         int i, n;
         kestrav::parseShard("3/2", i, n);
       },
       Field::Shard, "out of range 1..2"},
      {"shard option",
       [] {
         kestrav::SearchOptions options;
         options.shardIndex = 4;
         options.shardCount = 3;
         kestrav::countRecords(Model::fromGram("00/0", Layout::Bare, 10), options);
       },
       Field::Shard, "4/3"},
      {"threads", [] { kestrav::parseThreads("0"); }, Field::Threads, "out of range 1..256"},
      {"multipliers twice", [] { kestrav::parseMultipliers("1,2,1"); }, Field::Multipliers, "given twice"},
      {"tuple length",
       [] {
         Model::fromGram("00/0", Layout::Bare, 10).blockValues(std::vector<std::int64_t>{1, 2});
       },
       Field::Entries, "2 values given; the model has 3 entries"},
      {"record value beyond 16 bits",
       [] {
         const std::int32_t entries[] = {1, 65536};
         std::string error;
         kestrav::writeRecords(std::filesystem::temp_directory_path() / "never-written.txt", entries, 1, 2,
                               error);
       },
       Field::Entries, "65536"},
      {"records per pass for another model",
       [] {
         const std::int32_t entries[] = {1, 2, 7};
         std::string error;
         kestrav::writeRecordsWithManifest(Model::fromGram("00/0", Layout::Bare, 10, {1, 2}), {}, {0, 100},
                                           std::filesystem::temp_directory_path() / "never-written.txt",
                                           entries, {1}, {}, {}, 0, error);
       },
       Field::Entries, "1 counts of records for 2 passes"},
      {"range beyond the search",
       [] {
         const std::int32_t entries[] = {1, 2, 7};
         std::string error;
         kestrav::writeRecordsWithManifest(Model::fromGram("00/0", Layout::Bare, 10), {}, {0, 1000},
                                           std::filesystem::temp_directory_path() / "never-written.txt",
                                           entries, {1}, {}, {}, 0, error);
       },
       Field::Shard, "[0, 1000) are not a range of this search"},
      {"catalogue text", [] { kestrav::Catalogue::fromText("# no rows\n"); }, Field::Catalogue, "no rows"},
  };
  for (const Case& c : cases) {
    try {
      c.call();
      ADD_FAILURE() << c.name << ": nothing thrown";
    } catch (const kestrav::Error& error) {
      EXPECT_EQ(error.field(), c.field) << c.name;
      EXPECT_NE(error.reason().find(c.reason), std::string::npos) << c.name << ": " << error.reason();
      EXPECT_EQ(std::string(error.what()), std::string(kestrav::fieldName(c.field)) + ": " + error.reason());
    }
  }
}

TEST(CppApi, BlockValuesAreExactAtAnySize) {
  const kestrav::Catalogue& catalogue = kestrav::Catalogue::builtIn();
  // kestrav2 keeps (4, 10, 12, 15, 3, 6): both of its blocks vanish there.
  const std::vector<std::int64_t> record = {4, 10, 12, 15, 3, 6};
  EXPECT_EQ(catalogue.find(2)->model.blockValues(record), (std::vector<std::string>{"0", "0"}));
  EXPECT_TRUE(catalogue.find(2)->model.vanishesAt(record));
  // det(2I - diag(x)) is the product of (2 - x): beyond 64 bits, and signed.
  const Model diagonal = Model::fromGram("000000/00000/0000/000/00/0", Layout::Bare, 50);
  const std::vector<std::int64_t> large(7, 65535);
  EXPECT_EQ(diagonal.blockValues(large).front(), "-5190633295591576609415932490479477");
  const std::vector<std::int64_t> small = {1, 3, 1, 3, 1, 3, 4};
  EXPECT_EQ(diagonal.blockValues(small).front(), "2");  // (-1)^3 * (-2)
  EXPECT_FALSE(diagonal.vanishesAt(small));
}

TEST(CppApi, ASearchStopsWhenAskedAndReportsItsProgress) {
  const Model model = Model::fromGram("0000000/000000/00000/0000/000/00/0", Layout::Bare, 30);
  // A consumer that returns false, and one that throws.
  std::size_t blocks = 0;
  auto stopped = kestrav::search(model, {}, [&blocks](const kestrav::RecordBlock&) { return ++blocks < 2; });
  EXPECT_EQ(stopped.status, SearchStatus::Cancelled);
  EXPECT_EQ(blocks, 2u);
  EXPECT_THROW(
      kestrav::search(model, {}, [](const kestrav::RecordBlock&) -> bool { throw std::runtime_error("no"); }),
      std::runtime_error);

  // The cancel flag, set from the progress callback: the file is not written.
  ScratchDirectory dir;
  std::atomic<bool> cancel{false};
  std::uint64_t lastTotal = 0;
  kestrav::SearchOptions options;
  options.cancel = &cancel;
  options.progress = [&](std::uint64_t done, std::uint64_t total) {
    EXPECT_LE(done, total);
    lastTotal = total;
    cancel = true;
  };
  // Cancelled before the first unit, or by the first report: never complete
  // with the flag set from the start.
  cancel = true;
  const auto cancelled = kestrav::searchToFile(model, dir.path() / "found.txt", options);
  EXPECT_EQ(cancelled.status, SearchStatus::Cancelled);
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "found.txt"));
  EXPECT_TRUE(std::filesystem::is_empty(dir.path()));

  // Uncancelled, the last report is the whole search.
  cancel = false;
  options.progress = [&](std::uint64_t done, std::uint64_t total) {
    EXPECT_LE(done, total);
    lastTotal = done == total ? total : lastTotal;
  };
  const auto complete = kestrav::countRecords(model, options);
  EXPECT_EQ(complete.status, SearchStatus::Complete);
  EXPECT_EQ(lastTotal, kestrav::searchSize(model).total);
}

TEST(CppApi, AFileThatCannotBeWrittenFailsWithItsReason) {
  ScratchDirectory dir;
  std::filesystem::create_directory(dir.path() / "found.txt");
  const auto summary = kestrav::searchToFile(modelOf(kModels[0]), dir.path() / "found.txt");
  EXPECT_EQ(summary.status, SearchStatus::Failed);
  EXPECT_NE(summary.error.find("Is a directory"), std::string::npos) << summary.error;
  EXPECT_TRUE(std::filesystem::is_directory(dir.path() / "found.txt"));
}

}  // namespace
