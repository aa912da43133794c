#include "python/search_chunks.hpp"

#include <pybind11/stl.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <exception>
#include <stdexcept>
#include <utility>

#include "python/record_arrays.hpp"

namespace kestrav::python {
namespace {

constexpr std::size_t kChunksAhead = 2;
// How often a consumer waiting for a chunk looks for a pending signal.
constexpr auto kSignalInterval = std::chrono::milliseconds(50);

}  // namespace

SearchChunks::SearchChunks(PreparedSearch search, std::size_t chunkRows)
    : search_(std::move(search)), chunkRows_(chunkRows) {
  search_.options.cancel = &cancel_;
  thread_ = std::thread([this] { produce(); });
}

py::array_t<std::int32_t> SearchChunks::next() {
  const int width = search_.model.entryCount();
  while (true) {
    Chunk chunk;
    bool finished = false;
    {
      py::gil_scoped_release nogil;
      std::unique_lock<std::mutex> lock(mutex_);
      changed_.wait_for(lock, kSignalInterval, [this] { return !ready_.empty() || finished_; });
      if (!ready_.empty()) {
        chunk = std::move(ready_.front());
        ready_.pop_front();
        changed_.notify_all();
      } else {
        finished = finished_;
      }
    }
    if (chunk.records > 0) return recordsArray(std::move(chunk.values), chunk.records, width);
    if (finished) {
      stopAndJoin();
      if (summary_.status == SearchStatus::Failed)
        throw std::runtime_error("search failed: " + summary_.error);
      throw py::stop_iteration();
    }
    if (PyErr_CheckSignals() != 0) {
      py::error_already_set error;
      stopAndJoin();
      throw error;
    }
  }
}

void SearchChunks::close() {
  cancel_ = true;
  changed_.notify_all();
  py::gil_scoped_release nogil;
  stopAndJoin();
}

py::object SearchChunks::counts() const {
  const std::lock_guard<std::mutex> lock(mutex_);
  if (!finished_ || summary_.status != SearchStatus::Complete) return py::none();
  return py::tuple(py::cast(summary_.recordsPerPass));
}

bool SearchChunks::take(const RecordBlock& block) {
  const auto width = static_cast<std::size_t>(block.entryCount);
  std::size_t done = 0;
  while (done < block.records) {
    if (!filling_.values) filling_.values.reset(new std::int32_t[chunkRows_ * width]);
    const std::size_t rows = std::min(chunkRows_ - filling_.records, block.records - done);
    std::memcpy(filling_.values.get() + filling_.records * width, block.entries + done * width,
                rows * width * sizeof(std::int32_t));
    filling_.records += rows;
    done += rows;
    if (filling_.records == chunkRows_ && !push()) return false;
  }
  return true;
}

// Queues the chunk being filled once there is room; false when stopped.
bool SearchChunks::push() {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return ready_.size() < kChunksAhead || cancel_.load(); });
  if (cancel_.load()) return false;
  ready_.push_back(std::move(filling_));
  filling_ = Chunk{};
  changed_.notify_all();
  return true;
}

void SearchChunks::produce() {
  SearchSummary summary;
  try {
    summary =
        search(search_.model, search_.options, [this](const RecordBlock& block) { return take(block); });
    // The last chunk, filled only in part.
    if (summary.status == SearchStatus::Complete && filling_.records > 0 && !push())
      summary.status = SearchStatus::Cancelled;
  } catch (const std::exception& error) {
    summary.status = SearchStatus::Failed;
    summary.error = error.what();
  } catch (...) {
    summary.status = SearchStatus::Failed;
    summary.error = "unknown error";
  }
  const std::lock_guard<std::mutex> lock(mutex_);
  summary_ = std::move(summary);
  // A search stopped from Python did not fail, whatever it ended with.
  if (cancel_.load()) summary_.status = SearchStatus::Cancelled;
  finished_ = true;
  changed_.notify_all();
}

void SearchChunks::stopAndJoin() {
  // Two Python threads may end the same iteration at once.
  const std::lock_guard<std::mutex> joining(joinMutex_);
  if (!thread_.joinable()) return;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (!finished_) cancel_ = true;
    ready_.clear();
    changed_.notify_all();
  }
  thread_.join();
}

}  // namespace kestrav::python
