#include "engine/search_run.hpp"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <stdexcept>

#include "engine/pass_model.hpp"
#include "engine/prefix_walk.hpp"
#include "engine/work_units.hpp"
#include "engine/worker_threads.hpp"

namespace kestrav::engine {
namespace {

// Records that units waiting for their turn may hold in all, and the step
// in which a unit's records are counted against it: a thread can run ahead
// of the oldest unit by many units when they find few records, and by few
// when they find many.
constexpr std::size_t kRecordBudget = std::size_t{48} << 20;
constexpr std::size_t kSpillStep = std::size_t{256} << 10;
// Room for the step and the record that crosses it, so buffers never grow.
constexpr std::size_t kBufferSize = kSpillStep + 4096;
constexpr int kSlotsPerThread = 32;
constexpr std::chrono::milliseconds kProgressInterval{100};

// The units in flight live in a ring of slots indexed by their sequence
// number. All shared state is guarded by one mutex: a unit takes a few
// milliseconds, so the lock is taken rarely. Writing is done, outside the
// lock, by the thread that finishes the oldest unit (or fills its buffer
// while being the oldest), so that only one thread writes at a time and
// no thread is woken per unit.
template <class Word>
class Scheduler {
 public:
  Scheduler(const SearchModel& model, const SearchOptions& options, RecordOutput& out)
      : options_(options), out_(out), filter_(tailFilterFor(options.simd)) {
    std::vector<PassShape> shapes;
    for (int m : model.multipliers) {
      passes_.push_back(buildPassModel<Word>(model, m, options.tailLength));
      shapes.push_back(shapeOf(passes_.back()));
    }
    const std::optional<SearchSize> size = searchSize(model);
    if (!size) throw std::invalid_argument("the search has more compositions than 64 bits can count");
    const CompositionRange range = shardCompositions(size->total, options.shardIndex, options.shardCount);
    total_ = range.end - range.first;
    std::uint64_t from = range.first;
    writtenPosition_.recordsPerPass.assign(model.multipliers.size(), 0);
    if (options.resumeAt) {
      from = options.resumeAt->nextRank;
      if (from < range.first || from > range.end ||
          options.resumeAt->recordsPerPass.size() != model.multipliers.size())
        throw std::invalid_argument("the point to resume at is not one of this search");
      writtenPosition_ = *options.resumeAt;
    }
    done_ = from - range.first;
    bytes_ = writtenPosition_.bytes;
    recordsPerPass_ = writtenPosition_.recordsPerPass;
    searched_ = {unitStartFrom(shapes, range.first, size->total, options.unitSize),
                 unitStartFrom(shapes, range.end, size->total, options.unitSize)};
    cursor_ = std::make_unique<UnitCursor>(std::move(shapes), from, range.end, options.unitSize);
    const int threads = std::max(1, options.threads);
    slots_.resize(static_cast<std::size_t>(kSlotsPerThread * threads));
  }

  SearchStatus run(SearchSummary& summary, std::string& error) {
    const int threads = std::max(1, options_.threads);
    active_ = threads;
    WorkerThreads workers(
        threads, [this](int) { work(); }, [this] { stop(SearchStatus::Failed, ""); });
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      active_ -= threads - workers.started();
    }
    supervise();
    workers.join();
    summary.recordsPerPass = recordsPerPass_;
    summary.bytes = bytes_;
    summary.searched = searched_;
    if (status_ == SearchStatus::Complete && written_ != taken_)
      throw std::logic_error("units left unwritten");
    std::string finishError;
    if (status_ == SearchStatus::Complete && !out_.finish(finishError))
      stop(SearchStatus::Failed, finishError);
    if (status_ == SearchStatus::Failed) error = !error_.empty() ? error_ : workers.failure();
    if (status_ == SearchStatus::Complete && options_.progress) options_.progress(total_, total_);
    return status_;
  }

 private:
  // A slot's string changes with every record its worker appends: a cache
  // line of its own keeps the workers from slowing each other down.
  struct alignas(64) Slot {
    std::vector<std::string> held;  // full buffers kept for its turn, counted against the budget
    std::string records;            // the buffer being filled
    int pass = 0;
    std::uint64_t end = 0;    // the rank after its last composition
    std::uint64_t found = 0;  // its records, once done
    bool done = false;
  };

  Slot& slot(std::uint64_t sequence) { return slots_[static_cast<std::size_t>(sequence % slots_.size())]; }

  // The first reason to stop wins; every waiting thread is woken to see it.
  void stop(SearchStatus status, const std::string& error) {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (stopped_) return;
    stopped_ = true;
    status_ = status;
    error_ = error;
    changed_.notify_all();
  }

  bool cancelRequested() const { return options_.cancelled && options_.cancelled(); }

  bool write(const std::string& records, int pass) {
    if (records.empty()) return true;
    std::string error;
    if (!out_.write(records, pass, error)) {
      // A consumer that stops without an error cancels the search.
      stop(error.empty() ? SearchStatus::Cancelled : SearchStatus::Failed, error);
      return false;
    }
    bytes_ += records.size();
    return true;
  }

  // Tells the output that a unit is written whole. Called by the writing
  // thread only, like write.
  bool unitWritten(int pass, std::uint64_t end, std::uint64_t found) {
    writtenPosition_.nextRank = end;
    writtenPosition_.bytes = bytes_;
    writtenPosition_.recordsPerPass[static_cast<std::size_t>(pass)] += found;
    std::string error;
    if (out_.unitWritten(writtenPosition_, error)) return true;
    stop(SearchStatus::Failed, error);
    return false;
  }

  // Takes the next unit when the window has room. Called with the lock held.
  bool take(std::unique_lock<std::mutex>& lock, WorkUnit& unit, std::uint64_t& sequence) {
    changed_.wait(lock, [this] { return stopped_ || taken_ - written_ < slots_.size(); });
    if (!stopped_ && cancelRequested()) {
      stopped_ = true;
      status_ = SearchStatus::Cancelled;
      changed_.notify_all();
    }
    if (stopped_ || !cursor_->next(unit)) return false;
    sequence = taken_++;
    slot(sequence).done = false;
    slot(sequence).pass = unit.pass;
    slot(sequence).end = unit.first + unit.compositions;
    slot(sequence).records.clear();
    slot(sequence).records.reserve(kBufferSize);
    return true;
  }

  // Writes the oldest units while they are done. Called with the lock held
  // by the thread that finished the oldest unit.
  void writeDone(std::unique_lock<std::mutex>& lock, std::vector<std::string>& scratch) {
    while (!stopped_ && written_ < taken_ && slot(written_).done) {
      Slot& oldest = slot(written_);
      buffered_ -= sizeOf(oldest.held);
      // The buffers trade places with the writer's, so none is allocated.
      scratch.swap(oldest.held);
      scratch.emplace_back();
      scratch.back().swap(oldest.records);
      const int pass = oldest.pass;
      const std::uint64_t end = oldest.end;
      const std::uint64_t found = oldest.found;
      lock.unlock();
      bool ok = true;
      for (const std::string& records : scratch) ok = ok && write(records, pass);
      if (ok) ok = unitWritten(pass, end, found);
      oldest.records.swap(scratch.back());
      oldest.records.clear();
      scratch.clear();
      lock.lock();
      if (!ok) return;
      ++written_;
    }
    changed_.notify_all();
  }

  static std::size_t sizeOf(const std::vector<std::string>& buffers) {
    std::size_t bytes = 0;
    for (const std::string& records : buffers) bytes += records.size();
    return bytes;
  }

  // Called by a unit's walker at every kSpillStep of records. The oldest
  // unit writes them through; a later one keeps them while the budget
  // allows, and otherwise waits for its turn. Once stopped, records are
  // dropped. Returns the size at which to be called again.
  std::size_t spill(std::uint64_t sequence, std::string& records) {
    std::unique_lock<std::mutex> lock(mutex_);
    Slot& own = slot(sequence);
    while (!stopped_ && written_ != sequence) {
      if (buffered_ + records.size() <= kRecordBudget) {
        buffered_ += records.size();
        own.held.push_back(std::move(records));
        records = std::string();
        records.reserve(kBufferSize);
        return kSpillStep;
      }
      changed_.wait(lock);
    }
    // Its turn came (or the search stopped): what it held goes first, and
    // is free for the units waiting on the budget.
    std::vector<std::string> first;
    first.swap(own.held);
    buffered_ -= sizeOf(first);
    if (!first.empty()) changed_.notify_all();
    if (!stopped_) {
      const int pass = own.pass;
      lock.unlock();
      bool ok = true;
      for (const std::string& kept : first) ok = ok && write(kept, pass);
      if (ok) write(records, pass);
    }
    records.clear();
    return kSpillStep;
  }

  // The calling thread reports progress and passes a cancel request on
  // until every worker has left.
  void supervise() {
    std::unique_lock<std::mutex> lock(mutex_);
    while (active_ > 0) {
      supervisor_.wait_for(lock, kProgressInterval);
      if (active_ == 0) break;
      if (!stopped_ && cancelRequested()) {
        lock.unlock();
        stop(SearchStatus::Cancelled, "");
        lock.lock();
      }
      if (options_.progress && !stopped_) {
        const std::uint64_t done = std::min(done_, total_);
        lock.unlock();
        options_.progress(done, total_);
        lock.lock();
      }
    }
  }

  // Workers allocate everything they write in their own threads, so that
  // nothing they change often shares a cache line with another's data.
  void work() {
    std::vector<std::unique_ptr<PrefixWalker<Word>>> walkers(passes_.size());
    std::vector<std::string> scratch;
    WorkUnit unit;
    std::uint64_t sequence = 0;
    std::unique_lock<std::mutex> lock(mutex_);
    // However the worker leaves, the calling thread learns of it.
    struct Leave {
      Scheduler& scheduler;
      std::unique_lock<std::mutex>& lock;
      ~Leave() {
        if (!lock.owns_lock()) lock.lock();
        --scheduler.active_;
        scheduler.supervisor_.notify_one();
      }
    } leave{*this, lock};
    while (take(lock, unit, sequence)) {
      lock.unlock();
      const auto p = static_cast<std::size_t>(unit.pass);
      std::uint64_t records = 0;
      if (!passes_[p].empty) {
        auto& walker = walkers[p];
        if (!walker) {
          walker = std::make_unique<PrefixWalker<Word>>(passes_[p], filter_, options_.encoding);
          walker->setSpill(kSpillStep, [this, &sequence](std::string& out) { return spill(sequence, out); });
        }
        records = walker->run(unit.prefix, unit.prefixLength, slot(sequence).records);
      }
      lock.lock();
      recordsPerPass_[p] += records;
      done_ += unit.compositions;
      slot(sequence).found = records;
      slot(sequence).done = true;
      if (sequence == written_) writeDone(lock, scratch);
    }
  }

  const SearchOptions& options_;
  RecordOutput& out_;
  TailFilter filter_;
  std::vector<PassModel<Word>> passes_;
  std::unique_ptr<UnitCursor> cursor_;
  std::uint64_t total_ = 0;

  std::mutex mutex_;
  std::condition_variable changed_;     // workers wait on it for room or their turn
  std::condition_variable supervisor_;  // a worker left
  std::vector<Slot> slots_;
  std::uint64_t taken_ = 0;    // units taken, by sequence number
  std::uint64_t written_ = 0;  // the oldest unit not yet written
  std::uint64_t done_ = 0;     // compositions of the units finished
  std::size_t buffered_ = 0;   // records held by units waiting for their turn
  std::vector<std::uint64_t> recordsPerPass_;
  CompositionRange searched_;
  std::uint64_t bytes_ = 0;          // only the writing thread adds to it
  WrittenPosition writtenPosition_;  // after the last unit written; the writing thread's
  bool stopped_ = false;
  SearchStatus status_ = SearchStatus::Complete;
  std::string error_;
  int active_ = 0;  // workers still running
};

template <class Word>
SearchStatus runWith(const SearchModel& model, const SearchOptions& options, RecordOutput& out,
                     SearchSummary& summary, std::string& error) {
  Scheduler<Word> scheduler(model, options, out);
  return scheduler.run(summary, error);
}

}  // namespace

bool StreamOutput::write(std::string_view records, int, std::string& error) {
  errno = 0;
  if (std::fwrite(records.data(), 1, records.size(), file_) == records.size()) return true;
  error = errno != 0 ? std::strerror(errno) : "input/output error";
  return false;
}

bool StreamOutput::finish(std::string& error) {
  errno = 0;
  if (std::fflush(file_) == 0) return true;
  error = errno != 0 ? std::strerror(errno) : "input/output error";
  return false;
}

SearchStatus runSearch(const SearchModel& model, const SearchOptions& options, std::FILE* out,
                       SearchSummary& summary, std::string& error) {
  StreamOutput stream(out);
  return runSearch(model, options, stream, summary, error);
}

SearchStatus runSearch(const SearchModel& model, const SearchOptions& options, RecordOutput& out,
                       SearchSummary& summary, std::string& error) {
  if (options.tailLength < 1 || options.tailLength > kMaxTailLength) {
    throw std::invalid_argument("tail length must be 1.." + std::to_string(kMaxTailLength));
  }
  if (options.shardCount < 1 || options.shardIndex < 1 || options.shardIndex > options.shardCount) {
    throw std::invalid_argument("shard index outside 1..count");
  }
  switch (evaluationWidth(model)) {
    case 32:
      return runWith<std::uint32_t>(model, options, out, summary, error);
    case 64:
      return runWith<std::uint64_t>(model, options, out, summary, error);
    default:
      throw std::invalid_argument("the model's values could exceed 64 bits");
  }
}

}  // namespace kestrav::engine
