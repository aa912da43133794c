#pragma once
// The checkpoint record of a search's work in progress: how far the records
// written so far go (the next unit of work, their length and records per
// pass), the search they belong to, and a checksum of them. The record is
// kept twice in its file, in two fixed slots written in turn, each with a
// checksum of its own: a write torn by a crash spoils one slot and leaves
// the other, so a torn record is never trusted and never the only one.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrav::engine {

// A point between two units of work in the records of a search.
struct WrittenPosition {
  std::uint64_t nextRank = 0;  // the first composition of the next unit (the end, when none is left)
  std::uint64_t bytes = 0;     // of the records before it
  std::vector<std::uint64_t> recordsPerPass;
};

struct Checkpoint {
  std::string search;          // the search's description, one line
  std::uint64_t sequence = 0;  // one more with every checkpoint written
  WrittenPosition position;
  std::uint64_t checksum = 0;  // RunningChecksum of the first position.bytes bytes
};

inline constexpr std::size_t kCheckpointSlotSize = 8192;

// One slot's bytes (kCheckpointSlotSize); false when it does not fit one.
bool encodeCheckpoint(const Checkpoint& checkpoint, std::string& slot);
// The checkpoint of one slot; false for a slot that is torn, altered or empty.
bool decodeCheckpoint(std::string_view slot, Checkpoint& checkpoint);

enum class CheckpointRead { Empty, Valid, Damaged };
// The latest valid checkpoint of a checkpoint file: Empty for a file of no
// bytes, Damaged when no slot is valid (errno set for a failed read).
CheckpointRead readCheckpoint(int fd, Checkpoint& latest);
// Writes the checkpoint into its slot (by sequence) and brings it to disk.
bool writeCheckpoint(int fd, const Checkpoint& checkpoint);

}  // namespace kestrav::engine
