#include "engine/checkpoint.hpp"

#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>

#include "engine/running_checksum.hpp"

namespace kestrav::engine {
namespace {

constexpr std::string_view kHeading = "kestrav work in progress 1\n";

std::uint64_t checksumOf(std::string_view text) {
  RunningChecksum sum;
  sum.update(text);
  return sum.value();
}

std::string hex(std::uint64_t value) {
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
  return text;
}

// Reads "KEY: VALUE\n" at the front of text.
bool takeLine(std::string_view& text, std::string_view key, std::string_view& value) {
  if (text.substr(0, key.size()) != key || text.substr(key.size(), 2) != ": ") return false;
  const std::size_t end = text.find('\n');
  if (end == std::string_view::npos) return false;
  value = text.substr(key.size() + 2, end - key.size() - 2);
  text.remove_prefix(end + 1);
  return true;
}

bool takeNumber(std::string_view& word, std::uint64_t& number, int base = 10) {
  const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), number, base);
  if (error != std::errc() || end == word.data()) return false;
  word.remove_prefix(static_cast<std::size_t>(end - word.data()));
  return true;
}

bool wholeNumber(std::string_view word, std::uint64_t& number, int base = 10) {
  return takeNumber(word, number, base) && word.empty();
}

}  // namespace

bool encodeCheckpoint(const Checkpoint& checkpoint, std::string& slot) {
  // Appended piece by piece: GCC 12 warns wrongly (-Wrestrict) about "..." + text.
  std::string text(kHeading);
  const auto line = [&text](std::string_view key, const std::string& value) {
    text += key;
    text += ": ";
    text += value;
    text += '\n';
  };
  std::string records;
  for (std::size_t p = 0; p < checkpoint.position.recordsPerPass.size(); ++p) {
    if (p > 0) records += ' ';
    records += std::to_string(checkpoint.position.recordsPerPass[p]);
  }
  line("search", checkpoint.search);
  line("sequence", std::to_string(checkpoint.sequence));
  line("next", std::to_string(checkpoint.position.nextRank));
  line("bytes", std::to_string(checkpoint.position.bytes));
  line("records", records);
  line("checksum", hex(checkpoint.checksum));
  line("slot", hex(checksumOf(text)));
  if (text.size() > kCheckpointSlotSize || checkpoint.search.find('\n') != std::string::npos) return false;
  text.resize(kCheckpointSlotSize, '\0');
  slot = std::move(text);
  return true;
}

bool decodeCheckpoint(std::string_view slot, Checkpoint& checkpoint) {
  slot = slot.substr(0, slot.find('\0'));
  if (slot.substr(0, kHeading.size()) != kHeading) return false;
  std::string_view text = slot.substr(kHeading.size());
  std::string_view search, sequence, next, bytes, records, checksum, own;
  if (!takeLine(text, "search", search) || !takeLine(text, "sequence", sequence) ||
      !takeLine(text, "next", next) || !takeLine(text, "bytes", bytes) ||
      !takeLine(text, "records", records) || !takeLine(text, "checksum", checksum))
    return false;
  const std::string_view covered = slot.substr(0, slot.size() - text.size());
  std::uint64_t ownValue = 0;
  if (!takeLine(text, "slot", own) || !text.empty() || !wholeNumber(own, ownValue, 16) ||
      ownValue != checksumOf(covered))
    return false;
  Checkpoint read;
  read.search = std::string(search);
  if (!wholeNumber(sequence, read.sequence) || !wholeNumber(next, read.position.nextRank) ||
      !wholeNumber(bytes, read.position.bytes) || !wholeNumber(checksum, read.checksum, 16))
    return false;
  // Counts separated by one blank.
  for (bool first = true; first || !records.empty(); first = false) {
    std::uint64_t count = 0;
    if (!first && records.front() != ' ') return false;
    if (!first) records.remove_prefix(1);
    if (!takeNumber(records, count)) return false;
    read.position.recordsPerPass.push_back(count);
  }
  checkpoint = std::move(read);
  return true;
}

CheckpointRead readCheckpoint(int fd, Checkpoint& latest) {
  std::string file(2 * kCheckpointSlotSize, '\0');
  std::size_t size = 0;
  while (size < file.size()) {
    const ssize_t got = ::pread(fd, file.data() + size, file.size() - size, static_cast<off_t>(size));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return CheckpointRead::Damaged;
    if (got == 0) break;
    size += static_cast<std::size_t>(got);
  }
  if (size == 0) return CheckpointRead::Empty;
  errno = 0;
  bool found = false;
  for (std::size_t at = 0; at < file.size(); at += kCheckpointSlotSize) {
    Checkpoint slot;
    if (decodeCheckpoint(std::string_view(file).substr(at, kCheckpointSlotSize), slot) &&
        (!found || slot.sequence > latest.sequence)) {
      latest = std::move(slot);
      found = true;
    }
  }
  return found ? CheckpointRead::Valid : CheckpointRead::Damaged;
}

bool writeCheckpoint(int fd, const Checkpoint& checkpoint) {
  std::string slot;
  if (!encodeCheckpoint(checkpoint, slot)) {
    errno = ENAMETOOLONG;
    return false;
  }
  const auto offset = static_cast<off_t>(checkpoint.sequence % 2 * kCheckpointSlotSize);
  std::size_t done = 0;
  while (done < slot.size()) {
    const ssize_t wrote =
        ::pwrite(fd, slot.data() + done, slot.size() - done, offset + static_cast<off_t>(done));
    if (wrote < 0 && errno == EINTR) continue;
    if (wrote <= 0) return false;
    done += static_cast<std::size_t>(wrote);
  }
  return ::fdatasync(fd) == 0;
}

}  // namespace kestrav::engine
