#pragma once
// iter_search: a search in a thread of its own, its records handed to
// Python in chunks of a fixed number of rows. At most kChunksAhead chunks
// wait for the consumer; a full queue holds the search back, so memory
// stays bounded whatever the size of the output.

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "kestrav/search.hpp"
#include "python/arguments.hpp"

namespace kestrav::python {

class SearchChunks {
 public:
  SearchChunks(PreparedSearch search, std::size_t chunkRows);
  SearchChunks(const SearchChunks&) = delete;
  SearchChunks& operator=(const SearchChunks&) = delete;
  // Called with the GIL held; the search's thread never takes it.
  ~SearchChunks() { stopAndJoin(); }

  // The next chunk; StopIteration at the end, KeyboardInterrupt on Ctrl-C.
  py::array_t<std::int32_t> next();
  // Stops the search and waits for its thread; the iteration then ends.
  void close();

  // The records of each pass once the search is complete, else None.
  py::object counts() const;
  const std::vector<int>& multipliers() const { return search_.model.multipliers(); }
  std::uint64_t compositions() const { return search_.compositions; }

 private:
  struct Chunk {
    std::unique_ptr<std::int32_t[]> values;
    std::size_t records = 0;
  };

  // The search's consumer: fills chunks and queues them.
  bool take(const RecordBlock& block);
  bool push();
  void produce();
  void stopAndJoin();

  PreparedSearch search_;
  std::size_t chunkRows_;
  Chunk filling_;
  std::thread thread_;
  std::mutex joinMutex_;

  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<Chunk> ready_;
  std::atomic<bool> cancel_{false};
  bool finished_ = false;
  SearchSummary summary_;  // once finished_
};

}  // namespace kestrav::python
