// The pieces of a resumable search: the running checksum, the checkpoint
// file and its two slots, and the engine resumed at a unit boundary.

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "engine/catalogue_search.hpp"
#include "engine/checkpoint.hpp"
#include "engine/running_checksum.hpp"
#include "engine/work_in_progress.hpp"
#include "tests/engine/engine_test_support.hpp"
#include "tests/support/catalogue_rows.hpp"
#include "tests/support/program_runner.hpp"

namespace {

using kestrav::engine::Checkpoint;
using kestrav::engine::CheckpointRead;
using kestrav::engine::RunningChecksum;
using kestrav::engine::WrittenPosition;

std::uint64_t checksumOf(const std::vector<std::string>& pieces) {
  RunningChecksum sum;
  for (const std::string& piece : pieces) sum.update(piece);
  return sum.value();
}

TEST(RunningChecksum, DependsOnTheBytesNotOnHowTheyAreFed) {
  std::string text;
  for (int i = 0; i < 100; ++i) text += std::to_string(i * 7919) + " ";
  const std::uint64_t whole = checksumOf({text});
  // Pieces that start and end inside a word and on its edges.
  for (std::size_t a : {0, 1, 7, 8, 9, 63}) {
    for (std::size_t b : {a, a + 1, a + 8, a + 13, text.size()}) {
      EXPECT_EQ(checksumOf({text.substr(0, a), text.substr(a, b - a), text.substr(b)}), whole)
          << a << " " << b;
    }
  }
  // Any change of the bytes changes it: one bit, a byte more or less (a
  // zero byte too), two words swapped.
  std::string flipped = text;
  flipped[37] ^= 1;
  std::string swapped = text.substr(8, 8) + text.substr(0, 8) + text.substr(16);
  const std::vector<std::string> others = {flipped,    text.substr(1),
                                           text + " ", text + std::string(1, '\0'),
                                           swapped,    text.substr(0, text.size() - 1)};
  for (const std::string& other : others) EXPECT_NE(checksumOf({other}), whole) << other.size();
  EXPECT_NE(checksumOf({""}), checksumOf({std::string(1, '\0')}));
}

// A checkpoint file in a temporary file, with the slots as a test leaves them.
class CheckpointFile {
 public:
  CheckpointFile() : file_(std::tmpfile()) {}
  ~CheckpointFile() { std::fclose(file_); }
  int fd() const { return fileno(file_); }
  void damage(std::size_t at) {
    char byte = 0;
    ASSERT_EQ(::pread(fd(), &byte, 1, static_cast<off_t>(at)), 1);
    byte ^= 0x20;
    ASSERT_EQ(::pwrite(fd(), &byte, 1, static_cast<off_t>(at)), 1);
  }

 private:
  std::FILE* file_;
};

Checkpoint checkpointAt(std::uint64_t sequence) {
  Checkpoint checkpoint;
  checkpoint.search = "blocks 1-3:21/1 layout Bare total " + std::to_string(40 + sequence);
  checkpoint.sequence = sequence;
  checkpoint.position = WrittenPosition{1000 * sequence, 77 * sequence, {sequence, 0, 3}};
  checkpoint.checksum = 0xfedcba9876543210u ^ sequence;
  return checkpoint;
}

TEST(CheckpointFile, TheLatestIntactSlotIsTrustedAndATornOneNever) {
  constexpr std::size_t kSlot = kestrav::engine::kCheckpointSlotSize;
  std::string latest;
  ASSERT_TRUE(encodeCheckpoint(checkpointAt(4), latest));
  const std::size_t ownChecksum = latest.find("\nslot: ") + 8;
  struct Case {
    const char* name;
    int written;                       // checkpoints 0..written-1, each into its slot
    std::vector<std::size_t> damaged;  // bytes changed afterwards
    CheckpointRead read;
    std::uint64_t sequence;  // of the checkpoint read
  };
  const Case cases[] = {
      {"none written", 0, {}, CheckpointRead::Empty, 0},
      {"one", 1, {}, CheckpointRead::Valid, 0},
      {"the later of two", 2, {}, CheckpointRead::Valid, 1},
      {"the later of five", 5, {}, CheckpointRead::Valid, 4},
      {"the latest torn: the one before", 5, {40}, CheckpointRead::Valid, 3},
      {"its own checksum torn", 5, {ownChecksum}, CheckpointRead::Valid, 3},
      {"the older torn: the latest", 5, {kSlot + 60}, CheckpointRead::Valid, 4},
      {"both torn", 5, {50, kSlot + 50}, CheckpointRead::Damaged, 0},
      {"the only one torn", 1, {3}, CheckpointRead::Damaged, 0},
  };
  for (const Case& c : cases) {
    CheckpointFile file;
    for (int s = 0; s < c.written; ++s) ASSERT_TRUE(writeCheckpoint(file.fd(), checkpointAt(s))) << c.name;
    for (std::size_t at : c.damaged) file.damage(at);
    Checkpoint read;
    ASSERT_EQ(readCheckpoint(file.fd(), read), c.read) << c.name;
    if (c.read != CheckpointRead::Valid) continue;
    const Checkpoint expected = checkpointAt(c.sequence);
    EXPECT_EQ(read.search, expected.search) << c.name;
    EXPECT_EQ(read.sequence, expected.sequence) << c.name;
    EXPECT_EQ(read.position.nextRank, expected.position.nextRank) << c.name;
    EXPECT_EQ(read.position.bytes, expected.position.bytes) << c.name;
    EXPECT_EQ(read.position.recordsPerPass, expected.position.recordsPerPass) << c.name;
    EXPECT_EQ(read.checksum, expected.checksum) << c.name;
  }
}

TEST(WorkInProgress, AResumedFileHandsOnItsKeptRecordsPassByPass) {
  using kestrav::engine::EarlierWork;
  using kestrav::engine::WorkFault;
  struct Piece {
    std::string records;
    int pass;
  };
  struct Case {
    const char* name;
    std::vector<std::vector<Piece>> units;  // each written whole, then a unit left unfinished
    std::vector<std::string> keptPerPass;
  };
  const Case cases[] = {
      {"one pass", {{{"1 2 \n3 4 \n", 0}}, {{"5 6 \n", 0}}}, {"1 2 \n3 4 \n5 6 \n"}},
      {"a pass without records between two",
       {{{"1 1 \n", 0}}, {{"2 2 \n2 4 \n", 2}}},
       {"1 1 \n", "", "2 2 \n2 4 \n"}},
      {"passes in pieces",
       {{{"1 1 \n1 3 \n", 0}, {"1 5 \n", 0}}, {{"2 2 \n", 1}, {"2 4 \n", 1}}, {{"3 3 \n", 2}}},
       {"1 1 \n1 3 \n1 5 \n", "2 2 \n2 4 \n", "3 3 \n"}},
      {"nothing in the last pass", {{{"1 1 \n", 0}}, {{"2 2 \n", 1}}}, {"1 1 \n", "2 2 \n", ""}},
  };
  for (const Case& c : cases) {
    kestrav::testing::ScratchDirectory dir;
    const auto target = dir.path() / "found.txt";
    const WrittenPosition start{0, 0, std::vector<std::uint64_t>(c.keptPerPass.size(), 0)};
    std::string error;
    {
      kestrav::engine::WorkInProgress work;
      ASSERT_EQ(
          work.open(target, "the search", EarlierWork::Refuse, start, std::chrono::milliseconds(1), error),
          WorkFault::None)
          << error;
      WrittenPosition at = start;
      for (const auto& unit : c.units) {
        for (const Piece& piece : unit) {
          ASSERT_TRUE(work.write(piece.records, piece.pass, error)) << error;
          at.bytes += piece.records.size();
          at.recordsPerPass[static_cast<std::size_t>(piece.pass)] +=
              static_cast<std::uint64_t>(std::count(piece.records.begin(), piece.records.end(), '\n'));
        }
        at.nextRank += 10;
        ASSERT_TRUE(work.unitWritten(at, error)) << error;
      }
      ASSERT_TRUE(work.write("9 9 \n9", 0, error)) << error;  // a unit left unfinished
      ASSERT_TRUE(work.keep()) << c.name;
    }
    std::vector<std::string> handedOn(c.keptPerPass.size());
    kestrav::engine::WorkInProgress resumed;
    resumed.everyPiece = [&handedOn](std::string_view records, int pass) {
      handedOn.at(static_cast<std::size_t>(pass)) += records;
    };
    ASSERT_EQ(
        resumed.open(target, "the search", EarlierWork::Resume, start, std::chrono::milliseconds(1), error),
        WorkFault::None)
        << c.name << ": " << error;
    EXPECT_TRUE(resumed.resumed()) << c.name;
    EXPECT_EQ(handedOn, c.keptPerPass) << c.name;
    EXPECT_EQ(resumed.startsAt().nextRank, 10 * c.units.size()) << c.name;
  }
}

// Keeps the records and the position after every unit, as a checkpointed
// file would see them.
class UnitRecorder : public kestrav::engine::RecordOutput {
 public:
  bool write(std::string_view records, int, std::string&) override {
    records_ += records;
    return true;
  }
  bool unitWritten(const WrittenPosition& at, std::string&) override {
    EXPECT_EQ(at.bytes, records_.size());
    positions_.push_back(at);
    return true;
  }
  bool finish(std::string&) override { return true; }
  const std::string& records() const { return records_; }
  const std::vector<WrittenPosition>& positions() const { return positions_; }

 private:
  std::string records_;
  std::vector<WrittenPosition> positions_;
};

TEST(EngineResume, ContinuesAtAnyUnitToTheBytesOfTheWholeSearch) {
  const auto& row = kestrav::testing::catalogueRow(13);
  const kestrav::engine::SearchModel model = kestrav::engine::searchModelFromRow(row.variant, row.blocks);
  struct Case {
    int threads;
    int shardIndex;
    int shardCount;
    int resumeThreads;
  };
  const Case cases[] = {{1, 1, 1, 2}, {2, 1, 1, 1}, {2, 2, 3, 2}};
  for (const Case& c : cases) {
    kestrav::engine::SearchOptions options;
    options.threads = c.threads;
    options.shardIndex = c.shardIndex;
    options.shardCount = c.shardCount;
    options.unitSize = 4096;  // many units in a small search
    UnitRecorder whole;
    kestrav::engine::SearchSummary wholeSummary;
    std::string error;
    ASSERT_EQ(runSearch(model, options, whole, wholeSummary, error), kestrav::engine::SearchStatus::Complete);
    const auto& positions = whole.positions();
    ASSERT_GT(positions.size(), 20u) << c.threads;
    // Every pass is counted as it goes, and the last unit ends the shard.
    EXPECT_EQ(positions.back().recordsPerPass, wholeSummary.recordsPerPass);
    EXPECT_EQ(positions.back().bytes, whole.records().size());
    options.threads = c.resumeThreads;
    for (std::size_t i = 0; i < positions.size(); i += positions.size() / 7) {
      options.resumeAt = positions[i];
      const auto resumed = kestrav::engine::testing::runToString(model, options);
      const std::string shown = std::to_string(c.threads) + " threads, unit " + std::to_string(i);
      EXPECT_EQ(whole.records().substr(0, positions[i].bytes) + resumed.records, whole.records()) << shown;
      EXPECT_EQ(resumed.summary.recordsPerPass, wholeSummary.recordsPerPass) << shown;
      EXPECT_EQ(resumed.summary.bytes, wholeSummary.bytes) << shown;
    }
  }
}

}  // namespace
