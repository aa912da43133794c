// Shards of one search joined into its whole result file and manifest.
#include <algorithm>
#include <chrono>
#include <cstring>

#include "engine/output_file.hpp"
#include "engine/result_digest.hpp"
#include "kestrav/error.hpp"
#include "kestrav/manifest.hpp"
#include "lib/file_chunks.hpp"
#include "lib/manifest_run.hpp"

namespace kestrav {
namespace {

struct Part {
  std::filesystem::path path;
  Manifest manifest;
};

std::string shown(const std::filesystem::path& path) { return shownFileName(path.string()); }

// The part's manifest and model, or Error(Field::Manifest) naming the part.
Part readPart(const std::filesystem::path& path) {
  try {
    Part part{path, readManifest(path)};
    manifestModel(part.manifest);
    return part;
  } catch (const Error& error) {
    throw Error(
        Field::Manifest,
        shown(path) + ": " + (error.field() == Field::Manifest ? error.reason() : std::string(error.what())));
  }
}

// "" when the parts are shards 1..N of one search, each once, each with the
// range of its index.
std::string checkSet(const std::vector<Part>& parts) {
  const Manifest& first = parts.front().manifest;
  const int count = first.shardCount;
  std::vector<const Part*> byIndex(static_cast<std::size_t>(count) + 1, nullptr);
  for (const Part& part : parts) {
    const Manifest& m = part.manifest;
    if (!sameSearch(m, first))
      return shown(part.path) + ": not a shard of the search of " + shown(parts.front().path);
    if (m.shardIndex < 1 || m.shardIndex > count)
      return shown(part.path) + ": shard " + std::to_string(m.shardIndex) + " of " + std::to_string(count) +
             " does not exist";
    const Part*& slot = byIndex[static_cast<std::size_t>(m.shardIndex)];
    if (slot != nullptr)
      return shown(part.path) + ": shard " + std::to_string(m.shardIndex) + "/" + std::to_string(count) +
             " again (also " + shown(slot->path) + ")";
    slot = &part;
    if (m.recordsPerPass.size() != first.multipliers.size())
      return shown(part.path) + ": records of " + std::to_string(m.recordsPerPass.size()) + " passes, not " +
             std::to_string(first.multipliers.size());
    std::uint64_t records = 0;
    for (std::uint64_t r : m.recordsPerPass) records += r;
    if (records != m.lines) return shown(part.path) + ": its manifest's records per pass are not its lines";
  }
  std::uint64_t searched = 0;  // the shards' ranges follow each other
  for (int index = 1; index <= count; ++index) {
    const Part* part = byIndex[static_cast<std::size_t>(index)];
    if (part == nullptr) return "shard " + std::to_string(index) + "/" + std::to_string(count) + ": missing";
    if (part->manifest.firstComposition != searched || part->manifest.endComposition < searched)
      return shown(part->path) +
             (index == 1 ? std::string(": its compositions do not start the search")
                         : ": its compositions do not follow those of shard " + std::to_string(index - 1));
    searched = part->manifest.endComposition;
  }
  if (searched != first.allCompositions) return "the shards do not cover the whole search";
  return "";
}

// "" when what was read of the part is what its manifest says: the counts
// of its text, the SHA-256 of its bytes as stored.
std::string checkContents(const Part& part, const engine::ResultDigest& read,
                          const engine::ResultDigest& stored) {
  const Manifest& m = part.manifest;
  if (read.bytes() != m.bytes)
    return shown(part.path) + ": " + std::to_string(read.bytes()) + " bytes, its manifest says " +
           std::to_string(m.bytes);
  if (read.lines() != m.lines)
    return shown(part.path) + ": " + std::to_string(read.lines()) + " lines, its manifest says " +
           std::to_string(m.lines);
  if (stored.sha256() != m.sha256) return shown(part.path) + ": its SHA-256 does not match its manifest";
  return "";
}

}  // namespace

bool joinShards(const std::vector<std::filesystem::path>& paths, const std::filesystem::path& file,
                std::string& problem, const ManifestOptions& options, bool sync) {
  const auto started = std::chrono::system_clock::now();
  requireManifests();
  if (paths.empty()) {
    problem = "no parts to join";
    return false;
  }
  std::vector<Part> parts;
  for (const std::filesystem::path& path : paths) parts.push_back(readPart(path));
  const Model model = manifestModel(parts.front().manifest);
  problem = checkSet(parts);
  if (!problem.empty()) return false;
  std::sort(parts.begin(), parts.end(),
            [](const Part& a, const Part& b) { return a.manifest.shardIndex < b.manifest.shardIndex; });

  engine::OutputFile output;       // abandoned on every early return
  engine::ResultDigest whole(1);   // of the text
  engine::ResultDigest stored(1);  // of the joined file's bytes when compressed
  if (!output.open(file, problem, [&stored](std::string_view bytes) { stored.add(bytes, 0); })) {
    problem = "cannot write " + shown(file) + ": " + problem;
    return false;
  }
  std::vector<std::uint64_t> recordsPerPass(model.multipliers().size(), 0);
  for (const Part& part : parts) {
    engine::ResultDigest read(1);
    engine::ResultDigest readStored(1);
    bool partCompressed = false;
    std::string writeError;
    const std::string readError = detail::readResultText(
        part.path,
        [&](std::string_view piece) {
          read.add(piece, 0);
          whole.add(piece, 0);
          if (std::fwrite(piece.data(), 1, piece.size(), output.stream()) == piece.size()) return true;
          writeError = std::strerror(errno);
          return false;
        },
        [&](std::string_view bytes) {
          partCompressed = true;
          readStored.add(bytes, 0);
        });
    if (!writeError.empty()) {
      problem = "cannot write " + shown(file) + ": " + writeError;
      return false;
    }
    if (!readError.empty()) {
      problem = shown(part.path) + ": " + readError;
      return false;
    }
    problem = checkContents(part, read, partCompressed ? readStored : read);
    if (!problem.empty()) return false;
    for (std::size_t p = 0; p < recordsPerPass.size(); ++p)
      recordsPerPass[p] += part.manifest.recordsPerPass[p];
  }

  Manifest m = manifestFor(model);
  m.file = file.filename().string();
  m.recordsPerPass = recordsPerPass;
  m.lines = whole.lines();
  m.bytes = whole.bytes();
  const bool compressed = output.compressed();
  if (!output.endCompression(problem)) {
    problem = "cannot write " + shown(file) + ": " + problem;
    return false;
  }
  m.sha256 = (compressed ? stored : whole).sha256();
  const Manifest& first = parts.front().manifest;
  const double seconds = std::chrono::duration<double>(std::chrono::system_clock::now() - started).count();
  detail::describeRun(m, options.command, started, seconds, first.threads, Simd::Auto);
  m.simd = first.simd;
  if (!options.write || output.direct()) {
    if (output.commit(sync, problem)) return true;
  } else if (engine::commitWithCompanion(output, engine::Companion{manifestPath(file), manifestText(m)}, sync,
                                         problem)) {
    return true;
  }
  problem = "cannot write " + shown(file) + ": " + problem;
  return false;
}

}  // namespace kestrav
