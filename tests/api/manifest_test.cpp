// Manifests beside result files: what they hold, shards joined into the
// whole search, result files verified against them, and the refusals of
// parts and manifests that do not hold.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "kestrav/kestrav.hpp"
#include "tests/support/program_runner.hpp"
#include "verify/sha256.hpp"

namespace {

namespace fs = std::filesystem;
using kestrav::Layout;
using kestrav::Manifest;
using kestrav::Model;
using kestrav::SearchStatus;
using kestrav::testing::ScratchDirectory;

const fs::path kCommand = KESTRAV_COMMAND;

#define SKIP_WITHOUT_MANIFESTS() \
  if (!kestrav::manifestsAvailable()) GTEST_SKIP() << "built without manifests (nlohmann-json, libcrypto)"

// Small searches (every composition can be sampled), every layout, one and
// several blocks and passes.
struct ModelCase {
  const char* name;
  std::function<Model()> make;
};
const ModelCase kModels[] = {
    {"one block, head pinned",
     [] {
       return Model::fromGram("---111/22001/2001/001/21/1", Layout::HeadOnly, 20, {1, 2});
     }},
    {"three blocks, tail pinned",
     [] {
       return Model::fromBlocks(kestrav::parseBlocks("1-2:1 3-5:00/0 6-7:-"), Layout::TailOnly, 20, {1, 2});
     }},
    {"zero code, bare, records in each pass",
     [] {
       return Model::fromGram("00000/0000/000/00/0", Layout::Bare, 18, {1, 2});
     }},
};

constexpr std::uint64_t kEveryComposition = 100000000;

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = text.find('\n', at);
    lines.push_back(text.substr(at, end - at + 1));
    at = end + 1;
  }
  return lines;
}

std::string joinedLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line;
  return text;
}

void writeText(const fs::path& file, const std::string& text) {
  std::ofstream(file, std::ios::binary) << text;
}

// The manifest with the keys of the run left out, to compare searches.
std::string searchKeys(Manifest manifest) {
  manifest.file.clear();
  manifest.kestravVersion = manifest.kestravCommit = manifest.started = manifest.simd = manifest.host = "";
  manifest.command.clear();
  manifest.seconds = 0;
  manifest.threads = 0;
  return kestrav::manifestText(manifest);
}

// The search's shards 1..count in dir, as part-i.txt (compressed by suffix).
std::vector<fs::path> writeShards(const Model& model, const fs::path& dir, int count,
                                  const std::string& suffix = "") {
  std::vector<fs::path> parts;
  for (int i = 1; i <= count; ++i) {
    kestrav::SearchOptions options;
    options.threads = 1;
    options.shardIndex = i;
    options.shardCount = count;
    parts.push_back(dir / ("part-" + std::to_string(i) + ".txt" + suffix));
    EXPECT_EQ(kestrav::searchToFile(model, parts.back(), options).status, SearchStatus::Complete);
  }
  return parts;
}

TEST(Manifest, DescribesTheFileItsSearchWrote) {
  SKIP_WITHOUT_MANIFESTS();
  for (const ModelCase& c : kModels) {
    SCOPED_TRACE(c.name);
    ScratchDirectory dir;
    const Model model = c.make();
    kestrav::SearchOptions options;
    options.threads = 2;
    kestrav::FileOptions recorded;
    recorded.manifest = {true, {"here"}};
    const auto summary = kestrav::searchToFile(model, dir.path() / "found.txt", options, recorded);
    ASSERT_EQ(summary.status, SearchStatus::Complete) << summary.error;
    const std::string text = kestrav::testing::readFile(dir.path() / "found.txt");
    const Manifest m = kestrav::readManifest(dir.path() / "found.txt");
    EXPECT_EQ(m.sha256, kestrav::sha256Hex(text));
    EXPECT_EQ(m.bytes, text.size());
    EXPECT_EQ(m.lines, linesOf(text).size());
    EXPECT_EQ(m.recordsPerPass, summary.recordsPerPass);
    EXPECT_EQ(m.file, "found.txt");
    EXPECT_EQ(m.command, std::vector<std::string>{"here"});
    EXPECT_EQ(m.allCompositions, kestrav::searchSize(model).total);
    EXPECT_EQ(m.endComposition - m.firstComposition, m.allCompositions);
    // The model read back is the model; the text read back is the text.
    EXPECT_EQ(searchKeys(kestrav::manifestFor(kestrav::manifestModel(m))),
              searchKeys(kestrav::manifestFor(model)));
    const std::string manifestText =
        kestrav::testing::readFile(kestrav::manifestPath(dir.path() / "found.txt"));
    EXPECT_EQ(kestrav::manifestText(kestrav::parseManifest(manifestText)), manifestText);
    EXPECT_EQ(kestrav::verifyWithManifest(dir.path() / "found.txt", kEveryComposition), "");

    kestrav::FileOptions none;
    none.manifest.write = false;
    const auto without = kestrav::searchToFile(model, dir.path() / "bare.txt", options, none);
    ASSERT_EQ(without.status, SearchStatus::Complete);
    EXPECT_FALSE(fs::exists(dir.path() / "bare.txt.json"));
  }
}

TEST(Manifest, ShardsJoinInAnyOrderIntoTheWholeSearch) {
  SKIP_WITHOUT_MANIFESTS();
  // Plain parts, and compressed ones where the build has the library.
  const std::string suffixes[] = {"", ".gz", ".zst"};
  for (const ModelCase& c : kModels) {
    SCOPED_TRACE(c.name);
    ScratchDirectory dir;
    const Model model = c.make();
    ASSERT_EQ(kestrav::searchToFile(model, dir.path() / "whole.txt").status, SearchStatus::Complete);
    const std::string whole = kestrav::testing::readFile(dir.path() / "whole.txt");
    const Manifest wholeManifest = kestrav::readManifest(dir.path() / "whole.txt");
    const std::string wholeKeys = searchKeys(wholeManifest);
    for (const std::string& suffix : suffixes) {
      if (const std::string lacking = kestrav::resultFileNameProblem("part.txt" + suffix); !lacking.empty()) {
        std::printf("%s parts not joined: %s\n", suffix.c_str(), lacking.c_str());
        continue;
      }
      SCOPED_TRACE("parts part-i.txt" + suffix);
      std::vector<fs::path> parts = writeShards(model, dir.path(), 3, suffix);
      for (const fs::path& part : parts) EXPECT_EQ(kestrav::verifyWithManifest(part, kEveryComposition), "");
      std::sort(parts.begin(), parts.end());
      do {
        std::string problem;
        ASSERT_TRUE(kestrav::joinShards(parts, dir.path() / "joined.txt", problem)) << problem;
        EXPECT_EQ(kestrav::testing::readFile(dir.path() / "joined.txt"), whole);
        EXPECT_EQ(searchKeys(kestrav::readManifest(dir.path() / "joined.txt")), wholeKeys);
      } while (std::next_permutation(parts.begin(), parts.end()));
      if (suffix.empty()) continue;

      // Joined compressed: the whole's manifest, but for the SHA-256 of its bytes.
      const fs::path joined = dir.path() / ("joined.txt" + suffix);
      std::string problem;
      ASSERT_TRUE(kestrav::joinShards(parts, joined, problem)) << problem;
      Manifest m = kestrav::readManifest(joined);
      EXPECT_EQ(m.sha256, kestrav::sha256Hex(kestrav::testing::readFile(joined)));
      m.sha256 = wholeManifest.sha256;
      EXPECT_EQ(searchKeys(m), wholeKeys);
      EXPECT_EQ(kestrav::verifyWithManifest(joined, kEveryComposition), "");
      // One byte of a part's compressed data altered: verify and join refuse it.
      std::string altered = kestrav::testing::readFile(parts[1]);
      altered[altered.size() / 2] = static_cast<char>(altered[altered.size() / 2] ^ 0x20);
      writeText(parts[1], altered);
      EXPECT_NE(kestrav::verifyWithManifest(parts[1], kEveryComposition), "");
      EXPECT_FALSE(kestrav::joinShards(parts, dir.path() / "refused.txt", problem));
      EXPECT_NE(problem.find(parts[1].filename().string() + ": "), std::string::npos) << problem;
      EXPECT_FALSE(fs::exists(dir.path() / "refused.txt"));
    }
  }
}

TEST(Manifest, JoinRefusesPartsThatDoNotMakeTheWholeAndWritesNothing) {
  SKIP_WITHOUT_MANIFESTS();
  struct Case {
    const char* name;
    // Changes the parts (part-1..3.txt of a search with records in each
    // part it alters) or the list of them.
    std::function<void(std::vector<fs::path>& parts, const fs::path& dir)> spoil;
    const char* problem;
  };
  const auto withRecords = [](const std::vector<fs::path>& parts) {
    return *std::find_if(parts.begin(), parts.end(), [](const fs::path& p) { return fs::file_size(p) > 0; });
  };
  const Case cases[] = {
      {"missing", [](auto& parts, auto&) { parts.erase(parts.begin() + 1); }, "shard 2/3: missing"},
      {"repeated", [](auto& parts, auto&) { parts[2] = parts[1]; }, "shard 2/3 again"},
      {"foreign",
       [](auto& parts, const fs::path& dir) {
         kestrav::SearchOptions options;
         options.shardIndex = 2;
         options.shardCount = 3;
         const Model other = Model::fromGram("---111/22001/2001/001/21/1", Layout::HeadOnly, 20, {1});
         ASSERT_EQ(kestrav::searchToFile(other, dir / "other.txt", options).status, SearchStatus::Complete);
         parts[1] = dir / "other.txt";
       },
       "other.txt: not a shard of the search"},
      {"truncated",
       [&](auto& parts, auto&) {
         const fs::path part = withRecords(parts);
         auto lines = linesOf(kestrav::testing::readFile(part));
         lines.pop_back();
         writeText(part, joinedLines(lines));
       },
       "bytes, its manifest says"},
      {"edited",
       [&](auto& parts, auto&) {
         const fs::path part = withRecords(parts);
         std::string text = kestrav::testing::readFile(part);
         text[0] = text[0] == '1' ? '2' : '1';
         writeText(part, text);
       },
       "its SHA-256 does not match its manifest"},
  };
  const Model model = kModels[0].make();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDirectory dir;
    std::vector<fs::path> parts = writeShards(model, dir.path(), 3);
    c.spoil(parts, dir.path());
    std::string problem;
    EXPECT_FALSE(kestrav::joinShards(parts, dir.path() / "joined.txt", problem));
    EXPECT_NE(problem.find(c.problem), std::string::npos) << problem;
    EXPECT_EQ(problem.find('\n'), std::string::npos) << problem;
    EXPECT_FALSE(fs::exists(dir.path() / "joined.txt"));
    EXPECT_FALSE(fs::exists(dir.path() / "joined.txt.json"));
  }
  ScratchDirectory dir;
  std::vector<fs::path> parts = writeShards(model, dir.path(), 3);
  writeText(kestrav::manifestPath(parts[2]), "{\"format\": ");
  std::string problem;
  try {
    kestrav::joinShards(parts, dir.path() / "joined.txt", problem);
    ADD_FAILURE() << "a manifest that is not JSON was taken";
  } catch (const kestrav::Error& error) {
    EXPECT_EQ(error.field(), kestrav::Field::Manifest);
    EXPECT_EQ(error.reason(), (dir.path() / "part-3.txt").string() + ": not JSON");
  }
  EXPECT_FALSE(fs::exists(dir.path() / "joined.txt"));
}

TEST(Manifest, VerifyRejectsEveryAlteredRecord) {
  SKIP_WITHOUT_MANIFESTS();
  struct Case {
    const char* name;
    // Alters the records; returns the pass of a record it removed, or -1.
    std::function<int(std::vector<std::string>& lines, const Model& model)> alter;
    const char* fault;  // once the manifest is made to fit the altered file
  };
  const Case cases[] = {
      {"a changed digit",
       [](auto& lines, const Model&) {
         lines[0][0] = lines[0][0] == '9' ? '8' : static_cast<char>(lines[0][0] + 1);
         return -1;
       },
       "line 1: "},
      {"a removed line",
       [](auto& lines, const Model&) {
         lines.erase(lines.begin());
         return 0;
       },
       "is a zero of the model but not in the file"},
      {"a swapped pair",
       [](auto& lines, const Model&) {
         std::swap(lines[0], lines[1]);
         return -1;
       },
       "line 2: out of order"},
      {"a record that is not a zero",
       [](auto& lines, const Model& model) {
         // The next composition of the pass after a record, when it is
         // neither a record nor a zero: one unit of the second-last free
         // entry moved to the last.
         const int last = model.entryCount() - 1 - (kestrav::pinsTail(model.layout()) ? 1 : 0);
         for (std::string& line : lines) {
           std::vector<std::int64_t> entries;
           for (std::size_t at = 0; at < line.size() - 1; at = line.find(' ', at) + 1)
             entries.push_back(std::stoll(line.substr(at)));
           const std::int64_t m = model.multipliers()[0];
           if (entries[static_cast<std::size_t>(last - 1)] <= m) continue;
           entries[static_cast<std::size_t>(last - 1)] -= m;
           entries[static_cast<std::size_t>(last)] += m;
           if (model.vanishesAt(entries)) continue;
           std::string next;
           for (std::int64_t e : entries) next += std::to_string(e) + " ";
           line = next + "\n";
           return -1;
         }
         ADD_FAILURE() << "no record to move";
         return -1;
       },
       "not a zero of the model"},
  };
  for (const ModelCase& model : kModels) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(model.name) + ": " + c.name);
      ScratchDirectory dir;
      const fs::path file = dir.path() / "found.txt";
      const Model searched = model.make();
      ASSERT_EQ(kestrav::searchToFile(searched, file).status, SearchStatus::Complete);
      std::vector<std::string> lines = linesOf(kestrav::testing::readFile(file));
      ASSERT_GE(lines.size(), 2u);
      const int removedFrom = c.alter(lines, searched);
      const std::string text = joinedLines(lines);
      writeText(file, text);
      EXPECT_NE(kestrav::verifyWithManifest(file, kEveryComposition), "");

      Manifest fitted = kestrav::readManifest(file);
      fitted.sha256 = kestrav::sha256Hex(text);
      fitted.bytes = text.size();
      fitted.lines = lines.size();
      if (removedFrom >= 0) --fitted.recordsPerPass[static_cast<std::size_t>(removedFrom)];
      writeText(kestrav::manifestPath(file), kestrav::manifestText(fitted));
      const std::string fault = kestrav::verifyWithManifest(file, kEveryComposition);
      EXPECT_NE(fault.find(c.fault), std::string::npos) << fault;
    }
  }
}

TEST(Manifest, TheCommandGivesOneLineAndAStatusForABadManifest) {
  SKIP_WITHOUT_MANIFESTS();
  struct Case {
    const char* name;
    std::function<std::string(std::string)> spoil;  // the manifest's text
    int status;
    const char* message;  // on stderr, or stdout for a file that is wrong
  };
  const auto replaced = [](std::string text, const std::string& from, const std::string& to) {
    const std::size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    return text.replace(at, from.size(), to);
  };
  const Case cases[] = {
      {"not JSON", [](std::string) { return std::string("kestrav\n"); }, 2, "found.txt.json: not JSON"},
      {"an unknown version", [&](std::string t) { return replaced(t, "\"version\": 1", "\"version\": 7"); },
       2, "unknown version 7"},
      {"a key missing", [&](std::string t) { return replaced(t, "\"lines\"", "\"rows\""); }, 2,
       "no \"lines\""},
      {"a model refused", [&](std::string t) { return replaced(t, "---111/22001", "---1x1/22001"); }, 2,
       "found.txt.json: gram: "},
      {"lies about its file", [&](std::string t) { return replaced(t, "\"sha256\": \"", "\"sha256\": \"0"); },
       1, "its SHA-256 does not match its manifest"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDirectory dir;
    const std::vector<std::string> search = {"search",   "--gram",   "---111/22001/2001/001/21/1",
                                             "--layout", "HeadOnly", "--total",
                                             "30",       "--out",    "found.txt"};
    ASSERT_EQ(kestrav::testing::runIn(dir.path(), kCommand, search).exitStatus, 0);
    const fs::path manifest = dir.path() / "found.txt.json";
    writeText(manifest, c.spoil(kestrav::testing::readFile(manifest)));
    for (const std::vector<std::string>& words :
         {std::vector<std::string>{"verify", "found.txt"},
          std::vector<std::string>{"join", "found.txt", "--out", "all.txt"}}) {
      const auto run = kestrav::testing::runIn(dir.path(), kCommand, words);
      EXPECT_EQ(run.exitStatus, c.status) << words[0] << ": " << run.out << run.err;
      EXPECT_LE(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
      if (words[0] == "verify") {
        EXPECT_NE((run.out + run.err).find(c.message), std::string::npos) << run.out << run.err;
      }
      EXPECT_FALSE(fs::exists(dir.path() / "all.txt"));
    }
  }
}

TEST(Manifest, VerifyOfADirectoryChecksWhatIsThere) {
  SKIP_WITHOUT_MANIFESTS();
  ScratchDirectory dir;
  for (const char* shard : {"1/2", "2/2"}) {
    const auto run =
        kestrav::testing::runIn(dir.path(), kCommand, {"run", "59", "--shard", shard, "--out", "out"});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
  }
  const auto run = kestrav::testing::runIn(dir.path(), kCommand, {"run", "63", "--out", "out"});
  ASSERT_EQ(run.exitStatus, 0) << run.err;
  const auto verified = kestrav::testing::runIn(dir.path(), kCommand, {"verify", "out"});
  EXPECT_EQ(verified.exitStatus, 1);  // all were asked for, and most are absent
  const std::vector<std::string> lines = linesOf(verified.out);
  ASSERT_EQ(lines.size(), 5u) << verified.out;
  EXPECT_EQ(lines[0].rfind("ok       OutputPart63.txt (", 0), 0u) << lines[0];
  EXPECT_EQ(lines[1], "ok       OutputPart59.shard-1-of-2.txt (its manifest)\n");
  EXPECT_EQ(lines[2], "ok       OutputPart59.shard-2-of-2.txt (its manifest)\n");
  EXPECT_EQ(lines[3], "absent   71 of 72 catalogue result files (programs 1-62, 64-75)\n");
  EXPECT_EQ(lines[4],
            "1 of 72 result files match their check values and checksums; 2 of 2 other files match their "
            "manifests\n");
}

}  // namespace
