// Records in hand written as a result file, in the record format of every
// result file (core/record_format.hpp) and through the same atomic output
// file as searchToFile.
#include <string>

#include "core/record_format.hpp"
#include "engine/output_file.hpp"
#include "engine/search_run.hpp"
#include "kestrav/error.hpp"
#include "kestrav/search.hpp"

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

}  // namespace

bool writeRecords(const std::filesystem::path& file, const std::int32_t* entries, std::size_t records,
                  int entryCount, std::string& error, bool sync) {
  checkRecords(entries, records, entryCount);
  engine::OutputFile output;  // abandoned on every early return
  if (!output.open(file, error)) return false;
  engine::StreamOutput out(output.stream());
  std::string text(kWriteSize + kRecordRoom, '\0');
  char* const start = text.data();
  char* at = start;
  const auto flush = [&] {
    const std::string_view piece(start, static_cast<std::size_t>(at - start));
    at = start;
    return out.write(piece, 0, error);
  };
  const auto width = static_cast<std::size_t>(entryCount);
  for (std::size_t r = 0; r < records; ++r) {
    const std::int32_t* record = entries + r * width;
    for (std::size_t e = 0; e < width; ++e) at = appendEntry(at, static_cast<std::uint32_t>(record[e]));
    *at++ = kRecordEnd;
    if (static_cast<std::size_t>(at - start) >= kWriteSize && !flush()) return false;
  }
  return flush() && out.finish(error) && output.commit(sync, error);
}

}  // namespace kestrav
