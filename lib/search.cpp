#include "kestrav/search.hpp"

#include <sched.h>
#include <sys/stat.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <exception>
#include <thread>

#include "engine/compressed_stream.hpp"
#include "engine/output_file.hpp"
#include "engine/result_digest.hpp"
#include "engine/search_rate.hpp"
#include "engine/work_in_progress.hpp"
#include "engine/work_units.hpp"
#include "engine/worker_threads.hpp"
#include "kestrav/error.hpp"
#include "lib/manifest_run.hpp"
#include "lib/model_data.hpp"
#include "lib/search_options.hpp"

namespace kestrav {

static_assert(kMaxTailLength == engine::kMaxTailLength);

namespace detail {

engine::SimdLevel engineSimd(Simd simd) {
  switch (simd) {
    case Simd::Scalar:
      return engine::SimdLevel::Scalar;
    case Simd::Sse2:
      return engine::SimdLevel::Sse2;
    case Simd::Avx2:
      return engine::SimdLevel::Avx2;
    case Simd::Avx512:
      return engine::SimdLevel::Avx512;
    case Simd::Auto:
      break;
  }
  return engine::bestSimdLevel();
}

SearchStatus publicStatus(engine::SearchStatus status) {
  switch (status) {
    case engine::SearchStatus::Complete:
      return SearchStatus::Complete;
    case engine::SearchStatus::Cancelled:
      return SearchStatus::Cancelled;
    case engine::SearchStatus::Failed:
      break;
  }
  return SearchStatus::Failed;
}

engine::SearchOptions engineOptions(const SearchOptions& options, engine::RecordEncoding encoding) {
  if (options.threads < 0 || options.threads > kMaxThreads)
    throw Error(Field::Threads,
                std::to_string(options.threads) + " is out of range 1.." + std::to_string(kMaxThreads));
  if (options.shardCount < 1 || options.shardCount > kMaxShards || options.shardIndex < 1 ||
      options.shardIndex > options.shardCount)
    throw Error(Field::Shard, std::to_string(options.shardIndex) + "/" + std::to_string(options.shardCount) +
                                  " is not a shard i/N with 1 <= i <= N <= " + std::to_string(kMaxShards));
  if (!simdAvailable(options.simd))
    throw Error(Field::Simd,
                std::string(simdName(options.simd)) + " is not available on this processor or in this build");
  if (options.tailLength < 0 || options.tailLength > engine::kMaxTailLength)
    throw Error(Field::Simd, "tail length " + std::to_string(options.tailLength) + " is out of range 1.." +
                                 std::to_string(engine::kMaxTailLength));
  engine::SearchOptions converted;
  converted.threads = threadsFor(options);
  converted.shardIndex = options.shardIndex;
  converted.shardCount = options.shardCount;
  converted.simd = engineSimd(options.simd);
  if (options.tailLength > 0) converted.tailLength = options.tailLength;
  converted.encoding = encoding;
  converted.progress = options.progress;
  if (const std::atomic<bool>* cancel = options.cancel) {
    converted.cancelled = [cancel] { return cancel->load(std::memory_order_relaxed); };
  }
  return converted;
}

}  // namespace detail

namespace {

const engine::SearchModel& engineModel(const Model& model) { return model.data().search; }

// Runs the engine into `out`, timing it and filling the summary; a failure
// of the engine itself (out of memory, a worker that could not start) is a
// Failed search with its reason. Errors of the input are thrown before.
SearchSummary runInto(const Model& model, const SearchOptions& options, engine::RecordEncoding encoding,
                      engine::RecordOutput& out,
                      const std::optional<engine::WrittenPosition>& resumeAt = std::nullopt) {
  engine::SearchOptions converted = detail::engineOptions(options, encoding);
  converted.resumeAt = resumeAt;
  const ShardRange range = shardRange(model, options.shardIndex, options.shardCount);
  SearchSummary summary;
  summary.compositions = range.end - range.first;
  const auto start = std::chrono::steady_clock::now();
  engine::SearchSummary engineSummary;
  try {
    summary.status = detail::publicStatus(
        engine::runSearch(engineModel(model), converted, out, engineSummary, summary.error));
  } catch (...) {
    summary.status = SearchStatus::Failed;
    summary.error = engine::describeException(std::current_exception());
  }
  summary.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  summary.recordsPerPass = engineSummary.recordsPerPass;
  summary.recordsPerPass.resize(model.multipliers().size(), 0);
  for (std::uint64_t r : summary.recordsPerPass) summary.records += r;
  if (encoding == engine::RecordEncoding::Text) summary.bytes = engineSummary.bytes;
  summary.firstComposition = engineSummary.searched.first;
  summary.endComposition = engineSummary.searched.end;
  return summary;
}

class DiscardOutput : public engine::RecordOutput {
 public:
  bool write(std::string_view, int, std::string&) override { return true; }
  bool finish(std::string&) override { return true; }
};

// Hands the int32 records to the consumer, keeping an exception it throws
// to rethrow once the search has stopped.
class ConsumerOutput : public engine::RecordOutput {
 public:
  ConsumerOutput(const Model& model, const RecordConsumer& consumer) : model_(model), consumer_(consumer) {}

  bool write(std::string_view records, int pass, std::string&) override {
    RecordBlock block;
    block.entries = reinterpret_cast<const std::int32_t*>(records.data());
    block.entryCount = model_.entryCount();
    block.records = records.size() / (sizeof(std::int32_t) * static_cast<std::size_t>(block.entryCount));
    block.pass = pass;
    block.multiplier = model_.multipliers()[static_cast<std::size_t>(pass)];
    block.firstRecord = handed_;
    handed_ += block.records;
    try {
      return consumer_(block);
    } catch (...) {
      caught_ = std::current_exception();
      return false;
    }
  }
  bool finish(std::string&) override { return true; }
  void rethrow() const {
    if (caught_) std::rethrow_exception(caught_);
  }

 private:
  const Model& model_;
  const RecordConsumer& consumer_;
  std::uint64_t handed_ = 0;
  std::exception_ptr caught_;
};

}  // namespace

bool simdAvailable(Simd simd) {
  return simd == Simd::Auto || engine::simdLevelAvailable(detail::engineSimd(simd));
}

Simd bestSimd() {
  switch (engine::bestSimdLevel()) {
    case engine::SimdLevel::Sse2:
      return Simd::Sse2;
    case engine::SimdLevel::Avx2:
      return Simd::Avx2;
    case engine::SimdLevel::Avx512:
      return Simd::Avx512;
    case engine::SimdLevel::Scalar:
      break;
  }
  return Simd::Scalar;
}

SearchSize searchSize(const Model& model) {
  const std::optional<engine::SearchSize> size = engine::searchSize(engineModel(model));
  if (!size) throw Error(Field::Total, "the search has more than 2^64 - 1 compositions");
  return SearchSize{size->perPass, size->total};
}

ShardRange shardRange(const Model& model, int index, int count) {
  if (count < 1 || count > kMaxShards || index < 1 || index > count)
    throw Error(Field::Shard, std::to_string(index) + "/" + std::to_string(count) +
                                  " is not a shard i/N with 1 <= i <= N <= " + std::to_string(kMaxShards));
  const engine::CompositionRange range = engine::shardCompositions(searchSize(model).total, index, count);
  return ShardRange{range.first, range.end};
}

int threadsFor(const SearchOptions& options) {
  if (options.threads > 0) return options.threads;
  // A scheduler's CPU set (a Slurm job, taskset) rather than every
  // processor of the machine.
  cpu_set_t set;
  if (sched_getaffinity(0, sizeof set, &set) == 0) return std::max(1, CPU_COUNT(&set));
  return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

SearchSummary countRecords(const Model& model, const SearchOptions& options) {
  DiscardOutput out;
  return runInto(model, options, engine::RecordEncoding::Count, out);
}

SearchSummary search(const Model& model, const SearchOptions& options, const RecordConsumer& consumer) {
  ConsumerOutput out(model, consumer);
  SearchSummary summary = runInto(model, options, engine::RecordEncoding::Entries, out);
  out.rethrow();
  return summary;
}

SearchSummary searchToStream(const Model& model, std::FILE* stream, const SearchOptions& options) {
  engine::StreamOutput out(stream);
  return runInto(model, options, engine::RecordEncoding::Text, out);
}

namespace {

// The search a work in progress belongs to, as its checkpoint names it:
// everything that decides its bytes and where its units of work are cut.
std::string searchDescription(const Model& model, const SearchOptions& options) {
  // Appended piece by piece: GCC 12 warns wrongly (-Wrestrict) about "..." + text.
  std::string text = "blocks";
  for (const Block& block : model.blocks()) {
    text += ' ';
    text += formatBlock(block);
  }
  text += " layout ";
  text += layoutName(model.layout());
  text += " total ";
  text += std::to_string(model.total());
  text += " multipliers ";
  for (std::size_t p = 0; p < model.multipliers().size(); ++p) {
    if (p > 0) text += ',';
    text += std::to_string(model.multipliers()[p]);
  }
  text += " shard ";
  text += std::to_string(options.shardIndex);
  text += '/';
  text += std::to_string(options.shardCount);
  text += " units ";
  text += std::to_string(engine::SearchOptions{}.unitSize);
  return text;
}

engine::EarlierWork engineEarlierWork(EarlierWork earlier) {
  switch (earlier) {
    case EarlierWork::Resume:
      return engine::EarlierWork::Resume;
    case EarlierWork::Restart:
      return engine::EarlierWork::Restart;
    case EarlierWork::Refuse:
      break;
  }
  return engine::EarlierWork::Refuse;
}

WorkInProgress publicWorkFault(engine::WorkFault fault) {
  switch (fault) {
    case engine::WorkFault::Found:
      return WorkInProgress::Found;
    case engine::WorkFault::Busy:
      return WorkInProgress::Busy;
    case engine::WorkFault::OtherSearch:
      return WorkInProgress::OtherSearch;
    case engine::WorkFault::Damaged:
      return WorkInProgress::Damaged;
    case engine::WorkFault::None:
    case engine::WorkFault::System:
      break;
  }
  return WorkInProgress::None;
}

// Any interval above 0 takes checkpoints, however short.
std::chrono::milliseconds intervalOf(double seconds) {
  if (seconds <= 0) return std::chrono::milliseconds(0);
  return std::chrono::milliseconds(std::max<std::int64_t>(1, std::llround(seconds * 1000)));
}

// A target that is not a regular file (a device, a FIFO) is written
// directly, through a temporary file of a random name for nothing else. A
// compressed file gets a manifest: the counts of its text, the SHA-256 of
// its bytes.
SearchSummary searchToTemporaryFile(const Model& model, const std::filesystem::path& file,
                                    const SearchOptions& options, const FileOptions& fileOptions) {
  SearchSummary summary;
  engine::OutputFile output;
  engine::ResultDigest stored(1);
  if (!output.open(file, summary.error, [&stored](std::string_view bytes) { stored.add(bytes, 0); })) {
    summary.status = SearchStatus::Failed;
    return summary;
  }
  const bool compressed = output.compressed();
  engine::StreamOutput stream(output.stream());
  engine::ResultDigest digest(model.multipliers().size());
  engine::DigestingOutput out(stream, digest);
  const auto started = std::chrono::system_clock::now();
  summary = runInto(model, options, engine::RecordEncoding::Text, out);
  if (summary.status == SearchStatus::Complete && !output.endCompression(summary.error))
    summary.status = SearchStatus::Failed;
  if (summary.status == SearchStatus::Complete) {
    summary.sha256 = (compressed ? stored : digest).sha256();
    const std::optional<engine::Companion> companion =
        output.direct()
            ? std::nullopt
            : detail::manifestCompanion(model, options, digest,
                                        {summary.firstComposition, summary.endComposition}, summary.seconds,
                                        file, fileOptions.manifest, started, compressed ? &stored : nullptr);
    if (!(companion ? engine::commitWithCompanion(output, *companion, fileOptions.sync, summary.error)
                    : output.commit(fileOptions.sync, summary.error)))
      summary.status = SearchStatus::Failed;
  }
  if (summary.status != SearchStatus::Complete) output.abandon();
  return summary;
}

}  // namespace

std::string resultFileNameProblem(const std::filesystem::path& file) {
  engine::Compression compression = engine::Compression::None;
  std::string problem;
  engine::compressionFor(file, compression, problem);
  return problem;
}

std::filesystem::path workInProgressPath(const std::filesystem::path& file) {
  return engine::partialPath(file);
}

std::filesystem::path checkpointPath(const std::filesystem::path& file) {
  return engine::checkpointPath(file);
}

SearchSummary searchToFile(const Model& model, const std::filesystem::path& file,
                           const SearchOptions& options, bool sync) {
  FileOptions fileOptions;
  fileOptions.sync = sync;
  return searchToFile(model, file, options, fileOptions);
}

SearchSummary searchToFile(const Model& model, const std::filesystem::path& file,
                           const SearchOptions& options, const FileOptions& fileOptions) {
  // Bad options are refused before any file is touched.
  detail::engineOptions(options, engine::RecordEncoding::Text);
  const double interval = fileOptions.checkpointSeconds;
  if (!(interval >= 0 && interval <= kMaxCheckpointSeconds))
    throw Error(Field::Checkpoint, std::to_string(interval) + " seconds is out of range 0.." +
                                       std::to_string(static_cast<int>(kMaxCheckpointSeconds)));
  const ShardRange range = shardRange(model, options.shardIndex, options.shardCount);
  struct stat status {};
  const bool exists = ::stat(file.c_str(), &status) == 0;
  // A compressed file is written whole through a temporary file: its
  // compressor's state cannot be kept as work in progress.
  engine::Compression compression = engine::Compression::None;
  std::string unwritable;
  if ((exists && !S_ISREG(status.st_mode)) || !engine::compressionFor(file, compression, unwritable) ||
      compression != engine::Compression::None)
    return searchToTemporaryFile(model, file, options, fileOptions);

  SearchSummary summary;
  summary.compositions = range.end - range.first;
  engine::WrittenPosition start;
  start.nextRank = range.first;
  start.recordsPerPass.assign(model.multipliers().size(), 0);
  engine::ResultDigest digest(model.multipliers().size());
  engine::WorkInProgress work;
  work.everyPiece = [&digest](std::string_view records, int pass) { digest.add(records, pass); };
  const engine::WorkFault fault =
      work.open(file, searchDescription(model, options), engineEarlierWork(fileOptions.earlier), start,
                intervalOf(interval), summary.error);
  const auto coveredBy = [&range](const engine::WrittenPosition& at) {
    return at.nextRank >= range.first && at.nextRank <= range.end ? at.nextRank - range.first : 0;
  };
  if (fault != engine::WorkFault::None) {
    summary.status = SearchStatus::Failed;
    summary.workInProgress = publicWorkFault(fault);
    if (work.found() && work.found()->search == searchDescription(model, options))
      summary.compositionsInProgress = coveredBy(work.found()->position);
    return summary;
  }
  const std::uint64_t resumedAt = coveredBy(work.startsAt());
  const std::optional<engine::WrittenPosition> resumeAt =
      work.resumed() ? std::optional(work.startsAt()) : std::nullopt;
  const auto started = std::chrono::system_clock::now();
  summary = runInto(model, options, engine::RecordEncoding::Text, work, resumeAt);
  summary.resumed = work.resumed();
  if (summary.status == SearchStatus::Complete) {
    summary.sha256 = digest.sha256();
    const auto commitResult = [&](std::string& error) { return work.commit(fileOptions.sync, error); };
    const std::optional<engine::Companion> companion =
        detail::manifestCompanion(model, options, digest, {summary.firstComposition, summary.endComposition},
                                  summary.seconds, file, fileOptions.manifest, started);
    if (!(companion ? engine::commitWithCompanion(commitResult, *companion, fileOptions.sync, summary.error)
                    : commitResult(summary.error)))
      summary.status = SearchStatus::Failed;
  }
  if (summary.status != SearchStatus::Complete && work.keep()) {
    summary.workInProgress = WorkInProgress::Kept;
    summary.compositionsInProgress = coveredBy(work.keptAt());
  } else if (summary.resumed) {
    summary.compositionsInProgress = resumedAt;
  }
  return summary;
}

SearchSample sampleSearch(const Model& model, const SearchOptions& options, double seconds) {
  const engine::SearchSample measured = engine::sampleSearch(
      engineModel(model), detail::engineOptions(options, engine::RecordEncoding::Text), seconds);
  return {measured.compositionsPerSecond, measured.bytesPerComposition, measured.recordsPerComposition};
}

double measureSearchRate(const Model& model, const SearchOptions& options, double seconds) {
  return sampleSearch(model, options, seconds).compositionsPerSecond;
}

}  // namespace kestrav
