// The C API (kestrav.h) as a client sees it: its models and searches give
// what the C++ API gives (the reference, itself checked against the
// command), and every failure is a status with its field and a message,
// never an exception.

#include "kestrav/kestrav.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "c_header_check.h"
#include "kestrav/kestrav.hpp"
#include "tests/api/unknown_program.hpp"

namespace {

using ModelHandle = std::unique_ptr<kestrav_model, decltype(&kestrav_model_free)>;

ModelHandle adopt(kestrav_model* model) { return ModelHandle(model, &kestrav_model_free); }

// A fresh directory, removed with everything in it at the end of the test.
class ScratchDirectory {
 public:
  ScratchDirectory() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kestrav-capi-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~ScratchDirectory() { std::filesystem::remove_all(path_); }
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

std::string readFile(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A model as the C API takes it and the same through the C++ API.
struct ModelCase {
  const char* name;
  const char* gram = nullptr;    // a Gram code,
  const char* blocks = nullptr;  // blank-separated blocks,
  int program = 0;               // or a catalogue program
  const char* layout = "Bare";
  int total = 50;
  std::vector<int> multipliers{};
  int threads = 1;
  int shardIndex = 1;
  int shardCount = 1;
};

ModelHandle cModel(const ModelCase& c) {
  kestrav_model* model = nullptr;
  const kestrav_status status =
      c.program != 0      ? kestrav_model_from_program(c.program, &model)
      : c.gram != nullptr ? kestrav_model_from_gram(c.gram, c.layout, c.total, c.multipliers.data(),
                                                    c.multipliers.size(), &model)
                          : kestrav_model_from_blocks(c.blocks, c.layout, c.total, c.multipliers.data(),
                                                      c.multipliers.size(), &model);
  EXPECT_EQ(status, KESTRAV_OK) << c.name << ": " << kestrav_last_error();
  return adopt(model);
}

kestrav::Model cppModel(const ModelCase& c) {
  if (c.program != 0) return kestrav::Catalogue::builtIn().find(c.program)->model;
  const kestrav::Layout layout = kestrav::parseLayoutName(c.layout);
  if (c.gram != nullptr) return kestrav::Model::fromGram(c.gram, layout, c.total, c.multipliers);
  std::vector<kestrav::Block> blocks;
  std::istringstream words(c.blocks);
  for (std::string word; words >> word;) blocks.push_back(kestrav::parseBlock(word));
  return kestrav::Model::fromBlocks(blocks, layout, c.total, c.multipliers);
}

// Records handed to a record callback, written as a result file writes them.
struct Collected {
  std::string text;
  std::vector<std::uint64_t> perPass;
};

int collect(const int32_t* entries, size_t records, int entryCount, int pass, void* user) {
  auto& collected = *static_cast<Collected*>(user);
  if (collected.perPass.size() <= static_cast<std::size_t>(pass)) collected.perPass.resize(pass + 1);
  collected.perPass[pass] += records;
  for (std::size_t i = 0; i < records * static_cast<std::size_t>(entryCount); ++i) {
    collected.text += std::to_string(entries[i]) + ' ';
    if ((i + 1) % static_cast<std::size_t>(entryCount) == 0) collected.text += '\n';
  }
  return 0;
}

TEST(CApiSearch, GivesTheRecordsOfTheCppApi) {
  const std::vector<ModelCase> cases = {
      {.name = "Gram code, 3 passes",
       .gram = "---111/22001/2001/001/21/1",
       .layout = "HeadOnly",
       .multipliers = {1, 2, 5},
       .threads = 2},
      {.name = "blocks", .blocks = "1-4:222/22/2 5-6:2", .total = 44, .multipliers = {1, 2}},
      {.name = "blocks between runs of blanks",
       .blocks = " 5-6:2   1-4,7:111-/221/21/1 ",
       .layout = "TailOnly",
       .total = 40,
       .multipliers = {1, 2, 4},
       .threads = 2},
      {.name = "program 2", .program = 2, .threads = 2},
      {.name = "program 17", .program = 17},
      {.name = "program 13, shard 3/3", .program = 13, .threads = 2, .shardIndex = 3, .shardCount = 3},
  };
  for (const ModelCase& c : cases) {
    SCOPED_TRACE(c.name);
    const ModelHandle model = cModel(c);
    ASSERT_NE(model, nullptr);
    const kestrav::Model reference = cppModel(c);
    const std::size_t passes = reference.multipliers().size();
    EXPECT_EQ(kestrav_model_entry_count(model.get()), reference.entryCount());
    EXPECT_EQ(kestrav_model_block_count(model.get()), static_cast<int>(reference.blocks().size()));
    ASSERT_EQ(kestrav_model_pass_count(model.get()), static_cast<int>(passes));
    for (std::size_t pass = 0; pass < passes; ++pass) {
      int multiplier = 0;
      EXPECT_EQ(kestrav_model_multiplier(model.get(), static_cast<int>(pass), &multiplier), KESTRAV_OK);
      EXPECT_EQ(multiplier, reference.multipliers()[pass]);
    }

    std::vector<std::uint64_t> perPass(passes);
    std::uint64_t all = 0;
    ASSERT_EQ(kestrav_search_size(model.get(), perPass.data(), perPass.size(), &all), KESTRAV_OK);
    EXPECT_EQ(perPass, kestrav::searchSize(reference).perPass);
    EXPECT_EQ(all, kestrav::searchSize(reference).total);

    ScratchDirectory dir;
    kestrav::SearchOptions cppOptions;
    cppOptions.threads = c.threads;
    cppOptions.shardIndex = c.shardIndex;
    cppOptions.shardCount = c.shardCount;
    const kestrav::SearchSummary expected =
        kestrav::searchToFile(reference, dir.path() / "expected.txt", cppOptions);
    ASSERT_EQ(expected.status, kestrav::SearchStatus::Complete) << expected.error;
    ASSERT_GT(expected.records, 0u) << "a case without records shows nothing";
    const std::string expectedText = readFile(dir.path() / "expected.txt");

    kestrav_search_options options;
    kestrav_search_options_init(&options);
    options.threads = c.threads;
    options.shardIndex = c.shardIndex;
    options.shardCount = c.shardCount;

    ASSERT_EQ(kestrav_count_records(model.get(), &options, perPass.data(), perPass.size(), &all), KESTRAV_OK)
        << kestrav_last_error();
    EXPECT_EQ(perPass, expected.recordsPerPass);
    EXPECT_EQ(all, expected.records);

    const std::string file = (dir.path() / "found.txt").string();
    std::fill(perPass.begin(), perPass.end(), 0);
    ASSERT_EQ(
        kestrav_search_to_file(model.get(), file.c_str(), &options, 0, perPass.data(), perPass.size(), &all),
        KESTRAV_OK)
        << kestrav_last_error();
    EXPECT_EQ(readFile(file), expectedText);
    EXPECT_EQ(perPass, expected.recordsPerPass);
    EXPECT_EQ(all, expected.records);

    Collected collected;
    ASSERT_EQ(kestrav_search(model.get(), &options, collect, &collected), KESTRAV_OK) << kestrav_last_error();
    EXPECT_EQ(collected.text, expectedText);
    collected.perPass.resize(passes);
    EXPECT_EQ(collected.perPass, expected.recordsPerPass);
  }
}

TEST(CApiSearch, RunsFromC) {
  // A model built, searched through a C record callback and freed, all from C.
  const int multipliers[] = {1, 2};
  std::uint64_t records = 0;
  ASSERT_EQ(countRecordsFromC("1-4:222/22/2 5-6:2", "Bare", 48, multipliers, 2, &records), KESTRAV_OK)
      << kestrav_last_error();
  const kestrav::Model reference = kestrav::Model::fromBlocks(
      {kestrav::parseBlock("1-4:222/22/2"), kestrav::parseBlock("5-6:2")}, kestrav::Layout::Bare, 48, {1, 2});
  EXPECT_EQ(records, kestrav::countRecords(reference).records);
}

TEST(CApiModel, GivesTheExactBlockValues) {
  struct ValueCase {
    int program;
    std::vector<std::int64_t> entries;
    bool vanishes;
  };
  const std::vector<ValueCase> cases = {
      {2, {21, 7, 7, 6, 6, 3}, true},  // the first record of OutputPart2.txt
      {2, {21, 7, 7, 6, 5, 4}, false},
      {17, {27, 6, 5, 2, 6, 3, 1}, true},
      {17, {-30000, 6, 5, 2, 6, 3, 90000}, false},
  };
  for (const ValueCase& c : cases) {
    SCOPED_TRACE(testing::Message() << "program " << c.program << ", tuple "
                                    << testing::PrintToString(c.entries));
    kestrav_model* handle = nullptr;
    ASSERT_EQ(kestrav_model_from_program(c.program, &handle), KESTRAV_OK);
    const ModelHandle model = adopt(handle);
    int vanishes = -1;
    ASSERT_EQ(kestrav_model_vanishes_at(model.get(), c.entries.data(), c.entries.size(), &vanishes),
              KESTRAV_OK);
    EXPECT_EQ(vanishes, c.vanishes ? 1 : 0);

    const std::vector<std::string> expected =
        kestrav::Catalogue::builtIn().find(c.program)->model.blockValues(c.entries);
    ASSERT_EQ(kestrav_model_block_count(model.get()), static_cast<int>(expected.size()));
    for (std::size_t block = 0; block < expected.size(); ++block) {
      std::size_t length = 0;
      ASSERT_EQ(kestrav_model_block_value(model.get(), c.entries.data(), c.entries.size(),
                                          static_cast<int>(block), nullptr, 0, &length),
                KESTRAV_OK);
      std::string value(length + 1, '#');
      ASSERT_EQ(kestrav_model_block_value(model.get(), c.entries.data(), c.entries.size(),
                                          static_cast<int>(block), value.data(), value.size(), &length),
                KESTRAV_OK);
      EXPECT_EQ(value.back(), '\0');
      value.pop_back();
      EXPECT_EQ(value, expected[block]);
    }
  }
}

TEST(CApiCatalogue, ListsTheProgramsInOrder) {
  std::size_t count = 0;
  ASSERT_EQ(kestrav_catalogue_programs(nullptr, 0, &count), KESTRAV_OK);
  std::vector<int> numbers(count);
  ASSERT_EQ(kestrav_catalogue_programs(numbers.data(), numbers.size(), &count), KESTRAV_OK);
  std::vector<int> expected;
  for (const kestrav::CatalogueRow& row : kestrav::Catalogue::builtIn().rows())
    expected.push_back(row.number);
  EXPECT_EQ(numbers, expected);
}

TEST(CApiNames, FieldsAndVersionAreTheLibrarys) {
  const std::pair<kestrav_field, kestrav::Field> fields[] = {
      {KESTRAV_FIELD_GRAM, kestrav::Field::Gram},
      {KESTRAV_FIELD_BLOCKS, kestrav::Field::Blocks},
      {KESTRAV_FIELD_ENTRIES, kestrav::Field::Entries},
      {KESTRAV_FIELD_LAYOUT, kestrav::Field::Layout},
      {KESTRAV_FIELD_TOTAL, kestrav::Field::Total},
      {KESTRAV_FIELD_MULTIPLIERS, kestrav::Field::Multipliers},
      {KESTRAV_FIELD_THREADS, kestrav::Field::Threads},
      {KESTRAV_FIELD_SHARD, kestrav::Field::Shard},
      {KESTRAV_FIELD_SIMD, kestrav::Field::Simd},
      {KESTRAV_FIELD_PROGRAM, kestrav::Field::Program},
      {KESTRAV_FIELD_CATALOGUE, kestrav::Field::Catalogue},
      {KESTRAV_FIELD_CHECKS, kestrav::Field::Checks},
      {KESTRAV_FIELD_CHECKPOINT, kestrav::Field::Checkpoint},
  };
  for (const auto& [cField, field] : fields)
    EXPECT_STREQ(kestrav_field_name(cField), kestrav::fieldName(field));
  EXPECT_STREQ(kestrav_field_name(KESTRAV_FIELD_NONE), "none");
  EXPECT_STREQ(kestrav_field_name(static_cast<kestrav_field>(99)), "?");
  EXPECT_STREQ(kestrav_version(), kestrav::version());
}

// --- Failures ---

int stopAtOnce(const int32_t*, size_t, int, int, void*) { return 1; }
int throwFromRecords(const int32_t*, size_t, int, int, void*) { throw std::runtime_error("records refused"); }
void throwFromProgress(uint64_t, uint64_t, void*) { throw std::runtime_error("progress refused"); }
void cancelFromProgress(uint64_t, uint64_t, void* flag) {
  __atomic_store_n(static_cast<int*>(flag), 1, __ATOMIC_RELAXED);
}

struct FailureCase {
  const char* name;
  std::function<kestrav_status()> call;
  kestrav_status status;
  kestrav_field field = KESTRAV_FIELD_NONE;
};

TEST(CApiFailures, ReturnTheirStatusFieldAndMessage) {
  kestrav_model* handle = nullptr;
  ASSERT_EQ(kestrav_model_from_program(13, &handle), KESTRAV_OK);  // three passes
  const ModelHandle scaled = adopt(handle);
  // Hours of search: only a cancellation ends it within the test.
  ASSERT_EQ(kestrav_model_from_gram("0000/000/00/0", "Bare", 3000, nullptr, 0, &handle), KESTRAV_OK);
  const ModelHandle endless = adopt(handle);
  const kestrav_model* const model = scaled.get();

  ScratchDirectory dir;
  const std::filesystem::path blocked = dir.path() / "blocked.txt";
  std::filesystem::create_directory(blocked);
  const std::string written = (dir.path() / "OutputPart13.txt").string();
  ASSERT_EQ(kestrav_search_to_file(model, written.c_str(), nullptr, 0, nullptr, 0, nullptr), KESTRAV_OK);

  kestrav_model* made = nullptr;  // must stay NULL: no model comes of a failure
  const int multipliers[] = {1, 3};
  std::uint64_t counts[3];
  std::int64_t tuple[7] = {};
  char buffer[2];
  std::size_t size = 0;
  int value = 0;
  int cancel = 0;
  kestrav_search_options options;
  kestrav_search_options_init(&options);
  const auto withOptions = [&](auto change) {
    kestrav_search_options changed = options;
    change(changed);
    return changed;
  };
  const auto count = [&](const kestrav_model* m, const kestrav_search_options& o) {
    return kestrav_count_records(m, &o, counts, 3, nullptr);
  };
  const char* gram = "---111/22001/2001/001/21/1";
  const int unknownProgram = kestrav::testing::firstNumberWithoutRow(kestrav::Catalogue::builtIn());

  const std::vector<FailureCase> cases = {
      {"bad Gram code", [&] { return kestrav_model_from_gram("12x", "Bare", 50, nullptr, 0, &made); },
       KESTRAV_INVALID, KESTRAV_FIELD_GRAM},
      {"NULL Gram code", [&] { return kestrav_model_from_gram(nullptr, "Bare", 50, nullptr, 0, &made); },
       KESTRAV_INVALID, KESTRAV_FIELD_GRAM},
      {"bad layout name", [&] { return kestrav_model_from_gram(gram, "Sideways", 50, nullptr, 0, &made); },
       KESTRAV_INVALID, KESTRAV_FIELD_LAYOUT},
      {"total out of range", [&] { return kestrav_model_from_gram(gram, "HeadOnly", 0, nullptr, 0, &made); },
       KESTRAV_INVALID, KESTRAV_FIELD_TOTAL},
      {"total not divisible by a multiplier",
       [&] { return kestrav_model_from_gram(gram, "HeadOnly", 50, multipliers, 2, &made); }, KESTRAV_INVALID,
       KESTRAV_FIELD_MULTIPLIERS},
      {"NULL multipliers", [&] { return kestrav_model_from_gram(gram, "HeadOnly", 50, nullptr, 2, &made); },
       KESTRAV_INVALID, KESTRAV_FIELD_MULTIPLIERS},
      {"block without code", [&] { return kestrav_model_from_blocks("1-4", "Bare", 50, nullptr, 0, &made); },
       KESTRAV_INVALID, KESTRAV_FIELD_BLOCKS},
      {"no block", [&] { return kestrav_model_from_blocks("  ", "Bare", 50, nullptr, 0, &made); },
       KESTRAV_INVALID, KESTRAV_FIELD_BLOCKS},
      {"no such program", [&] { return kestrav_model_from_program(unknownProgram, &made); }, KESTRAV_INVALID,
       KESTRAV_FIELD_PROGRAM},
      {"NULL model out-pointer", [&] { return kestrav_model_from_program(2, nullptr); }, KESTRAV_INVALID},
      {"NULL model", [&] { return count(nullptr, options); }, KESTRAV_INVALID},
      {"shard 3 of 2",
       [&] {
         return count(model, withOptions([](auto& o) {
                        o.shardIndex = 3;
                        o.shardCount = 2;
                      }));
       },
       KESTRAV_INVALID, KESTRAV_FIELD_SHARD},
      {"shard 1 of 0", [&] { return count(model, withOptions([](auto& o) { o.shardCount = 0; })); },
       KESTRAV_INVALID, KESTRAV_FIELD_SHARD},
      {"threads out of range", [&] { return count(model, withOptions([](auto& o) { o.threads = 999; })); },
       KESTRAV_INVALID, KESTRAV_FIELD_THREADS},
      {"per-pass array too short", [&] { return kestrav_count_records(model, nullptr, counts, 2, nullptr); },
       KESTRAV_INVALID},
      {"per-pass array NULL", [&] { return kestrav_search_size(model, nullptr, 3, nullptr); },
       KESTRAV_INVALID},
      {"pass out of range", [&] { return kestrav_model_multiplier(model, 3, &value); }, KESTRAV_INVALID},
      {"tuple of another length", [&] { return kestrav_model_vanishes_at(model, tuple, 6, &value); },
       KESTRAV_INVALID, KESTRAV_FIELD_ENTRIES},
      {"block out of range", [&] { return kestrav_model_block_value(model, tuple, 7, 1, nullptr, 0, &size); },
       KESTRAV_INVALID},
      {"buffer too short", [&] { return kestrav_model_block_value(model, tuple, 7, 0, buffer, 1, &size); },
       KESTRAV_INVALID},
      {"programs array too short", [&] { return kestrav_catalogue_programs(&value, 1, &size); },
       KESTRAV_INVALID},
      {"NULL record callback", [&] { return kestrav_search(model, nullptr, nullptr, nullptr); },
       KESTRAV_INVALID},
      {"NULL path", [&] { return kestrav_search_to_file(model, nullptr, nullptr, 0, nullptr, 0, nullptr); },
       KESTRAV_INVALID},
      {"record callback that stops", [&] { return kestrav_search(model, nullptr, stopAtOnce, nullptr); },
       KESTRAV_CANCELLED},
      {"cancel flag set before the search",
       [&] {
         cancel = 1;
         return count(endless.get(), withOptions([&](auto& o) { o.cancel = &cancel; }));
       },
       KESTRAV_CANCELLED},
      {"cancel flag set by the progress callback",
       [&] {
         cancel = 0;
         return count(endless.get(), withOptions([&](auto& o) {
                        o.threads = 2;
                        o.cancel = &cancel;
                        o.progress = cancelFromProgress;
                        o.progressUser = &cancel;
                      }));
       },
       KESTRAV_CANCELLED},
      {"cancel flag seen by the record search",
       [&] {
         cancel = 0;
         const kestrav_search_options o = withOptions([&](auto& o) {
           o.cancel = &cancel;
           o.progress = cancelFromProgress;
           o.progressUser = &cancel;
         });
         return kestrav_search(
             endless.get(), &o, [](const int32_t*, size_t, int, int, void*) { return 0; }, nullptr);
       },
       KESTRAV_CANCELLED},
      {"a directory in the file's place",
       [&] { return kestrav_search_to_file(model, blocked.c_str(), nullptr, 0, nullptr, 0, nullptr); },
       KESTRAV_FAILED},
      {"record callback that throws",
       [&] { return kestrav_search(model, nullptr, throwFromRecords, nullptr); }, KESTRAV_INTERNAL},
      {"progress callback that throws",
       [&] { return count(endless.get(), withOptions([](auto& o) { o.progress = throwFromProgress; })); },
       KESTRAV_INTERNAL},
      {"another program's result file", [&] { return kestrav_verify_result_file(2, written.c_str()); },
       KESTRAV_MISMATCH},
      {"a missing result file",
       [&] { return kestrav_verify_result_file(13, (dir.path() / "absent").c_str()); }, KESTRAV_MISMATCH},
      {"a directory as the result file", [&] { return kestrav_verify_result_file(13, blocked.c_str()); },
       KESTRAV_MISMATCH},
      {"verifying no such program", [&] { return kestrav_verify_result_file(24, written.c_str()); },
       KESTRAV_INVALID, KESTRAV_FIELD_PROGRAM},
  };
  for (const FailureCase& c : cases) {
    SCOPED_TRACE(c.name);
    kestrav_status status = KESTRAV_OK;
    EXPECT_NO_THROW(status = c.call());
    EXPECT_EQ(status, c.status) << kestrav_last_error();
    EXPECT_EQ(kestrav_last_error_field(), c.field) << kestrav_last_error();
    const std::string message = kestrav_last_error();
    EXPECT_FALSE(message.empty());
    // A field's message starts with its name, as kestrav::Error's do.
    if (c.field != KESTRAV_FIELD_NONE) {
      EXPECT_EQ(message.rfind(std::string(kestrav_field_name(c.field)) + ": ", 0), 0u) << message;
    }
    EXPECT_EQ(made, nullptr);
  }

  // The directory in the file's place is left as it was, with nothing beside it.
  EXPECT_TRUE(std::filesystem::is_directory(blocked));
  // (and the result file written first, with its manifest)
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}),
            kestrav::manifestsAvailable() ? 3 : 2);

  // A call that succeeds clears the last error.
  ASSERT_EQ(kestrav_verify_result_file(13, written.c_str()), KESTRAV_OK) << kestrav_last_error();
  EXPECT_STREQ(kestrav_last_error(), "");
  EXPECT_EQ(kestrav_last_error_field(), KESTRAV_FIELD_NONE);
}

}  // namespace
