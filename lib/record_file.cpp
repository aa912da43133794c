// Records in hand written as a result file, in the record format of every
// result file (core/record_format.hpp) and through the same atomic output
// file as searchToFile, with the manifest searchToFile writes after it.
#include <chrono>
#include <numeric>
#include <optional>
#include <string>

#include "core/record_format.hpp"
#include "engine/output_file.hpp"
#include "engine/result_digest.hpp"
#include "engine/search_run.hpp"
#include "kestrav/error.hpp"
#include "kestrav/manifest.hpp"
#include "kestrav/search.hpp"
#include "lib/manifest_run.hpp"
#include "lib/search_options.hpp"

namespace kestrav {
namespace {

// Text gathered before each write, and room for the record that crosses it.
constexpr std::size_t kWriteSize = std::size_t{1} << 20;
constexpr std::size_t kRecordRoom = maxRecordLength(kMaxModelEntries);

void checkRecords(const std::int32_t* entries, std::size_t records, int entryCount) {
  if (entryCount < 1 || entryCount > kMaxModelEntries)
    throw Error(Field::Entries, std::to_string(entryCount) + " entries per record; 1.." +
                                    std::to_string(kMaxModelEntries) + " are supported");
  const auto width = static_cast<std::size_t>(entryCount);
  for (std::size_t i = 0; i < records * width; ++i) {
    if (entries[i] < 0 || entries[i] > kMaxEntryValue)
      throw Error(Field::Entries, "record " + std::to_string(i / width + 1) + ": " +
                                      std::to_string(entries[i]) + " is out of range 0.." +
                                      std::to_string(kMaxEntryValue));
  }
}

// Formats the records of each pass in turn (recordsPerPass adds up to all of
// them) into `out`; a piece never spans two passes, so a digest behind `out`
// counts each pass's records.
bool formatRecords(engine::RecordOutput& out, const std::int32_t* entries,
                   const std::vector<std::uint64_t>& recordsPerPass, int entryCount, std::string& error) {
  std::string text(kWriteSize + kRecordRoom, '\0');
  char* const start = text.data();
  char* at = start;
  const auto flush = [&](int pass) {
    const std::string_view piece(start, static_cast<std::size_t>(at - start));
    at = start;
    return piece.empty() || out.write(piece, pass, error);
  };
  const auto width = static_cast<std::size_t>(entryCount);
  const std::int32_t* record = entries;
  for (std::size_t pass = 0; pass < recordsPerPass.size(); ++pass) {
    const int passIndex = static_cast<int>(pass);
    for (std::uint64_t r = 0; r < recordsPerPass[pass]; ++r, record += width) {
      for (std::size_t e = 0; e < width; ++e) at = appendEntry(at, static_cast<std::uint32_t>(record[e]));
      *at++ = kRecordEnd;
      if (static_cast<std::size_t>(at - start) >= kWriteSize && !flush(passIndex)) return false;
    }
    if (!flush(passIndex)) return false;
  }
  return out.finish(error);
}

}  // namespace

bool writeRecords(const std::filesystem::path& file, const std::int32_t* entries, std::size_t records,
                  int entryCount, std::string& error, bool sync) {
  checkRecords(entries, records, entryCount);
  engine::OutputFile output;  // abandoned on every early return
  if (!output.open(file, error)) return false;
  engine::StreamOutput out(output.stream());
  return formatRecords(out, entries, {records}, entryCount, error) && output.commit(sync, error);
}

bool writeRecordsWithManifest(const Model& model, const SearchOptions& options, const ShardRange& searched,
                              const std::filesystem::path& file, const std::int32_t* entries,
                              const std::vector<std::uint64_t>& recordsPerPass,
                              const ManifestOptions& manifest, std::chrono::system_clock::time_point started,
                              double seconds, std::string& error, bool sync) {
  detail::engineOptions(options, engine::RecordEncoding::Text);  // threads, shard, SIMD level
  if (recordsPerPass.size() != model.multipliers().size())
    throw Error(Field::Entries, std::to_string(recordsPerPass.size()) + " counts of records for " +
                                    std::to_string(model.multipliers().size()) + " passes");
  const ShardRange shard = shardRange(model, options.shardIndex, options.shardCount);
  // A search covers whole units of work, so its range is the shard's
  // rounded to their edges, and never beyond the whole search.
  if (searched.first > searched.end || searched.end > searchSize(model).total ||
      (options.shardCount == 1 && (searched.first != shard.first || searched.end != shard.end)))
    throw Error(Field::Shard, "compositions [" + std::to_string(searched.first) + ", " +
                                  std::to_string(searched.end) + ") are not a range of this search");
  const std::uint64_t records =
      std::accumulate(recordsPerPass.begin(), recordsPerPass.end(), std::uint64_t{0});
  checkRecords(entries, static_cast<std::size_t>(records), model.entryCount());

  // A compressed file's checksum is that of its bytes as stored.
  engine::ResultDigest stored(1);
  engine::OutputFile output;  // abandoned on every early return
  if (!output.open(file, error, [&stored](std::string_view bytes) { stored.add(bytes, 0); })) return false;
  const bool compressed = output.compressed();  // no longer known once the compression ends
  engine::StreamOutput stream(output.stream());
  engine::ResultDigest digest(recordsPerPass.size());
  engine::DigestingOutput out(stream, digest);
  if (!formatRecords(out, entries, recordsPerPass, model.entryCount(), error) ||
      !output.endCompression(error))
    return false;
  // A device or FIFO written directly has no manifest, as with searchToFile.
  const std::optional<engine::Companion> companion =
      output.direct()
          ? std::nullopt
          : detail::manifestCompanion(model, options, digest, {searched.first, searched.end}, seconds, file,
                                      manifest, started, compressed ? &stored : nullptr);
  return companion ? engine::commitWithCompanion(output, *companion, sync, error)
                   : output.commit(sync, error);
}

}  // namespace kestrav
