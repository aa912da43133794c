// The Python module kestrav: the engine's searches with the records as
// NumPy arrays. A model is checked by the command's own argument parsing and
// model building, so a bad argument raises ValueError with the text that
// `kestrav search` prints. Searches run with the GIL released; Ctrl-C stops
// them between units of work and raises KeyboardInterrupt.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "cli/arguments.hpp"
#include "cli/commands.hpp"
#include "cli/custom_model.hpp"
#include "cli/engine_options.hpp"
#include "core/quoted_text.hpp"
#include "engine/catalogue_search.hpp"
#include "engine/output_file.hpp"
#include "engine/search_run.hpp"
#include "engine/work_units.hpp"
#include "engine/worker_threads.hpp"
#include "models/catalogue.hpp"
#include "python/record_rows.hpp"

namespace py = pybind11;

namespace kestrav::python {
namespace {

// How often a search looks for a pending signal (Ctrl-C).
constexpr auto kSignalInterval = std::chrono::milliseconds(50);
// Chunks of iter_search parsed ahead of the consumer.
constexpr std::size_t kChunksAhead = 2;
constexpr std::size_t kDefaultChunkRows = std::size_t{1} << 16;
constexpr std::size_t kMaxChunkRows = std::size_t{1} << 24;

[[noreturn]] void raiseValueError(const std::string& message) { throw py::value_error(message); }

// --- Arguments: Python values become the words of `kestrav search`. ---

// Any integer type (int, numpy.int64) as a Python int, through operator.index.
py::int_ integerOf(py::handle value, const char* name) {
  PyObject* index = PyNumber_Index(value.ptr());
  if (index == nullptr) {
    PyErr_Clear();
    throw py::type_error(std::string(name) + ": expected an int, not " +
                         std::string(py::str(value.get_type().attr("__name__"))));
  }
  return py::reinterpret_steal<py::int_>(index);
}

std::string wordOf(py::handle value, const char* name) {
  if (py::isinstance<py::str>(value)) return value.cast<std::string>();
  return std::string(py::str(integerOf(value, name)));
}

// A str as it is, or the items of a sequence joined by `separator`.
std::string listWord(py::handle value, const char* name, const char* separator) {
  if (py::isinstance<py::str>(value) || !py::isinstance<py::iterable>(value)) return wordOf(value, name);
  std::string word;
  bool first = true;
  for (py::handle item : value) {
    if (!first) word += separator;
    word += wordOf(item, name);
    first = false;
  }
  return word;
}

struct ModelArguments {
  py::object gram;
  py::object blocks;
  py::object layout;
  py::object total;
  py::object multipliers;
};

std::vector<std::string> modelWords(const ModelArguments& a) {
  std::vector<std::string> words;
  if (!a.gram.is_none()) words.insert(words.end(), {"--gram", wordOf(a.gram, "gram")});
  if (!a.blocks.is_none()) {
    // One str of blank-separated blocks, or a sequence of blocks.
    if (py::isinstance<py::str>(a.blocks)) {
      words.insert(words.end(), {"--blocks", a.blocks.cast<std::string>()});
    } else {
      for (py::handle block : a.blocks) words.insert(words.end(), {"--blocks", wordOf(block, "blocks")});
    }
  }
  words.insert(words.end(), {"--layout", wordOf(a.layout, "layout"), "--total", wordOf(a.total, "total"),
                             "--multipliers", listWord(a.multipliers, "multipliers", ",")});
  return words;
}

// A search as the command would run it, or ValueError with its message.
struct PreparedSearch {
  engine::SearchModel model;
  engine::SearchOptions options;
  std::uint64_t compositions = 0;  // of the shard searched
};

engine::SearchSize sizeOf(const engine::SearchModel& model) {
  const std::optional<engine::SearchSize> size = engine::searchSize(model);
  if (!size) raiseValueError("--total: the search has more than 2^64 - 1 compositions");
  return *size;
}

PreparedSearch prepareSearch(const ModelArguments& arguments, py::handle threads, py::handle shard) {
  std::vector<std::string> words = modelWords(arguments);
  if (!threads.is_none()) words.insert(words.end(), {"--threads", wordOf(threads, "threads")});
  if (!shard.is_none()) words.insert(words.end(), {"--shard", listWord(shard, "shard", "/")});
  cli::SearchArguments parsed;
  PreparedSearch search;
  std::string error;
  if (!cli::parseSearchArguments(words, parsed, error) || !cli::buildCustomModel(parsed, search.model, error))
    raiseValueError(error);
  const engine::SearchSize size = sizeOf(search.model);
  search.options = cli::engineOptions(parsed.common);
  const engine::CompositionRange range =
      engine::shardCompositions(size.total, search.options.shardIndex, search.options.shardCount);
  search.compositions = range.end - range.first;
  return search;
}

const std::vector<engine::CatalogueSearch>& catalogueSearches() {
  static const std::vector<engine::CatalogueSearch> searches = [] {
    std::vector<engine::CatalogueSearch> loaded;
    std::string error;
    if (!engine::loadCatalogueSearches(kestrav::kBuiltInCatalogue, loaded, error))
      throw std::runtime_error("catalogue: " + error);
    return loaded;
  }();
  return searches;
}

// --- Results ---

// Rows of `entries` values as a read-only (rows, entries) array that owns them.
py::array_t<std::int32_t> rowsArray(std::vector<std::int32_t>&& values, int entries) {
  auto* owned = new std::vector<std::int32_t>(std::move(values));
  py::capsule owner(owned, [](void* p) { delete static_cast<std::vector<std::int32_t>*>(p); });
  const auto width = static_cast<py::ssize_t>(entries);
  const auto rows = static_cast<py::ssize_t>(owned->size()) / width;
  py::array_t<std::int32_t> array({rows, width}, owned->data(), owner);
  py::detail::array_proxy(array.ptr())->flags &= ~py::detail::npy_api::NPY_ARRAY_WRITEABLE_;
  return array;
}

struct SearchResult {
  py::array_t<std::int32_t> records;
  std::vector<int> multipliers;
  std::vector<std::uint64_t> counts;
  std::uint64_t compositions = 0;
  int entries = 0;

  py::tuple passes() const {
    py::tuple passes(multipliers.size());
    std::uint64_t start = 0;
    for (std::size_t p = 0; p < multipliers.size(); ++p) {
      passes[p] = py::make_tuple(multipliers[p], start, start + counts[p]);
      start += counts[p];
    }
    return passes;
  }

  void write(const std::filesystem::path& path) const {
    const std::string name = shownName(path.string());
    std::string error;
    bool written = false;
    {
      py::gil_scoped_release nogil;
      engine::OutputFile file;
      written = file.open(path, error) &&
                writeRecords(file.stream(), records.data(), static_cast<std::size_t>(records.shape(0)),
                             entries, error) &&
                file.commit(false, error);
    }
    if (!written) {
      PyErr_SetString(PyExc_OSError, ("cannot write " + name + ": " + error).c_str());
      throw py::error_already_set();
    }
  }
};

// --- Interrupts ---

// Lets Ctrl-C stop a search that runs with the GIL released. The engine asks
// `stop` from every thread; the thread that started the search looks for a
// pending signal, at most every kSignalInterval, under the GIL taken back
// for the moment, and keeps the exception the signal's handler raised.
class SignalWatch {
 public:
  bool stop() {
    if (stopped_.load()) return true;
    if (std::this_thread::get_id() != owner_) return false;
    const auto now = std::chrono::steady_clock::now();
    if (now - checked_ < kSignalInterval) return false;
    checked_ = now;
    py::gil_scoped_acquire gil;
    if (PyErr_CheckSignals() != 0) {
      error_ = std::make_unique<py::error_already_set>();
      stopped_ = true;
    }
    return stopped_.load();
  }

  // With the GIL held: raises what the signal's handler raised, if it did.
  void raiseIfInterrupted() {
    if (error_) {
      py::error_already_set error = std::move(*error_);
      error_.reset();
      throw error;
    }
  }

 private:
  std::thread::id owner_ = std::this_thread::get_id();
  std::chrono::steady_clock::time_point checked_ = std::chrono::steady_clock::now();
  std::atomic<bool> stopped_{false};
  std::unique_ptr<py::error_already_set> error_;
};

class RowsOutput : public engine::RecordOutput {
 public:
  explicit RowsOutput(int entries) : entries_(entries) {}
  bool write(std::string_view records, std::string& error) override {
    try {
      return appendRecords(records, entries_, rows, error);
    } catch (const std::bad_alloc&) {
      error = "out of memory";
      return false;
    }
  }
  bool finish(std::string&) override { return true; }

  std::vector<std::int32_t> rows;

 private:
  int entries_;
};

SearchResult runToResult(const engine::SearchModel& model, engine::SearchOptions options,
                         std::uint64_t compositions) {
  RowsOutput out(model.entryCount);
  SignalWatch watch;
  options.cancelled = [&watch] { return watch.stop(); };
  engine::SearchSummary summary;
  engine::SearchStatus status = engine::SearchStatus::Failed;
  std::string error;
  {
    py::gil_scoped_release nogil;
    try {
      status = engine::runSearch(model, options, out, summary, error);
    } catch (...) {
      error = engine::describeException(std::current_exception());
    }
  }
  watch.raiseIfInterrupted();
  if (status != engine::SearchStatus::Complete) throw std::runtime_error("search failed: " + error);
  SearchResult result;
  result.entries = model.entryCount;
  result.records = rowsArray(std::move(out.rows), model.entryCount);
  result.multipliers = model.multipliers;
  result.counts = summary.recordsPerPass;
  result.compositions = compositions;
  return result;
}

// --- iter_search: a search in a thread of its own, its records in chunks ---

class SearchChunks {
 public:
  SearchChunks(PreparedSearch search, std::size_t chunkRows)
      : search_(std::move(search)),
        chunkValues_(chunkRows * static_cast<std::size_t>(search_.model.entryCount)),
        output_(*this) {
    search_.options.cancelled = [this] { return cancel_.load(); };
    thread_ = std::thread([this] { produce(); });
  }
  SearchChunks(const SearchChunks&) = delete;
  SearchChunks& operator=(const SearchChunks&) = delete;
  // Called with the GIL held; the search's thread never takes it.
  ~SearchChunks() { stopAndJoin(); }

  py::array_t<std::int32_t> next() {
    while (true) {
      std::vector<std::int32_t> chunk;
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
      if (!chunk.empty()) return rowsArray(std::move(chunk), search_.model.entryCount);
      if (finished) {
        stopAndJoin();
        if (status_ == engine::SearchStatus::Failed) throw std::runtime_error("search failed: " + error_);
        throw py::stop_iteration();
      }
      if (PyErr_CheckSignals() != 0) {
        py::error_already_set error;
        stopAndJoin();
        throw error;
      }
    }
  }

  // Stops the search and waits for its thread; the iteration then ends.
  void close() {
    cancel_ = true;
    changed_.notify_all();
    py::gil_scoped_release nogil;
    stopAndJoin();
  }

  py::object counts() const {
    if (!complete_) return py::none();
    return py::tuple(py::cast(summary_.recordsPerPass));
  }
  const std::vector<int>& multipliers() const { return search_.model.multipliers; }
  std::uint64_t compositions() const { return search_.compositions; }

 private:
  // The engine's records, cut into chunks of chunkValues_ and queued; a
  // full queue holds the search back.
  class ChunkOutput : public engine::RecordOutput {
   public:
    explicit ChunkOutput(SearchChunks& owner) : owner_(owner) {}
    bool write(std::string_view records, std::string& error) override {
      parsed_.clear();
      if (!appendRecords(records, owner_.search_.model.entryCount, parsed_, error)) return false;
      std::size_t at = 0;
      while (at < parsed_.size()) {
        const std::size_t take = std::min(owner_.chunkValues_ - filling_.size(), parsed_.size() - at);
        filling_.insert(filling_.end(), parsed_.begin() + static_cast<std::ptrdiff_t>(at),
                        parsed_.begin() + static_cast<std::ptrdiff_t>(at + take));
        at += take;
        if (filling_.size() == owner_.chunkValues_ && !push(error)) return false;
      }
      return true;
    }
    bool finish(std::string& error) override { return filling_.empty() || push(error); }

   private:
    bool push(std::string& error) {
      std::unique_lock<std::mutex> lock(owner_.mutex_);
      owner_.changed_.wait(lock,
                           [this] { return owner_.ready_.size() < kChunksAhead || owner_.cancel_.load(); });
      if (owner_.cancel_.load()) {
        error = "stopped";
        return false;
      }
      owner_.ready_.push_back(std::move(filling_));
      filling_ = std::vector<std::int32_t>();
      filling_.reserve(owner_.chunkValues_);
      owner_.changed_.notify_all();
      return true;
    }

    SearchChunks& owner_;
    std::vector<std::int32_t> parsed_;
    std::vector<std::int32_t> filling_;
  };

  void produce() {
    engine::SearchSummary summary;
    std::string error;
    engine::SearchStatus status = engine::SearchStatus::Failed;
    try {
      status = engine::runSearch(search_.model, search_.options, output_, summary, error);
    } catch (...) {
      error = engine::describeException(std::current_exception());
    }
    const std::lock_guard<std::mutex> lock(mutex_);
    status_ = cancel_.load() ? engine::SearchStatus::Cancelled : status;
    error_ = error;
    summary_ = summary;
    complete_ = status_ == engine::SearchStatus::Complete;
    finished_ = true;
    changed_.notify_all();
  }

  void stopAndJoin() {
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

  PreparedSearch search_;
  std::size_t chunkValues_;
  ChunkOutput output_;
  std::thread thread_;
  std::mutex joinMutex_;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::vector<std::int32_t>> ready_;
  std::atomic<bool> cancel_{false};
  bool finished_ = false;
  bool complete_ = false;
  engine::SearchStatus status_ = engine::SearchStatus::Cancelled;
  std::string error_;
  engine::SearchSummary summary_;
};

// --- The catalogue and exact values ---

py::list catalogueRows() {
  std::istringstream text(kestrav::kBuiltInCatalogue);
  std::vector<VariantSpec> rows;
  std::string error;
  if (!readCatalogue(text, rows, error)) throw std::runtime_error("catalogue: " + error);
  py::list list;
  for (const VariantSpec& row : rows) {
    const engine::CatalogueSearch* search = findByNumber(catalogueSearches(), row.number);
    if (search == nullptr)
      throw std::runtime_error("catalogue: no search for row " + std::to_string(row.number));
    py::dict item;
    item["number"] = row.number;
    item["family"] = familyName(row.family);
    item["layout"] = layoutName(row.layout);
    item["entries"] = row.entryCount;
    item["length"] = row.compositionLength;
    if (row.form == ModelForm::SingleBlock) {
      item["gram"] = row.blocks.front().gramCode;
      item["blocks"] = py::none();
    } else {
      py::list blocks;
      for (const BlockCode& block : row.blocks)
        blocks.append(formatEntryPositions(block.positions) + ":" + block.gramCode);
      item["gram"] = py::none();
      item["blocks"] = py::tuple(blocks);
    }
    item["total"] = search->model.total;
    item["multipliers"] = py::tuple(py::cast(search->model.multipliers));
    list.append(item);
  }
  return list;
}

// The exact value of a block's multilinear polynomial at the entries, in
// Python integers: the coefficients are folded one entry at a time.
py::int_ blockValue(const engine::ModelBlock& block, const std::vector<py::int_>& entries) {
  std::vector<py::object> terms;
  terms.reserve(block.coefficients.size());
  for (std::int64_t c : block.coefficients) terms.emplace_back(py::int_(c));
  std::size_t width = terms.size();
  for (std::size_t j = block.positions.size(); j-- > 0;) {
    // Bit j is the highest of the masks left: fold it into the lower half.
    const py::object& y = entries[static_cast<std::size_t>(block.positions[j] - 1)];
    width /= 2;
    for (std::size_t mask = 0; mask < width; ++mask) terms[mask] = terms[mask] + terms[mask + width] * y;
  }
  return py::int_(terms.front());
}

py::tuple determinant(py::object gram, py::object blocks, py::sequence entries) {
  // The model is checked as `kestrav search` checks it; the total plays no part.
  ModelArguments arguments{std::move(gram), std::move(blocks), py::str("Bare"), py::int_(1), py::int_(1)};
  cli::SearchArguments parsed;
  engine::SearchModel model;
  std::string error;
  if (!cli::parseSearchArguments(modelWords(arguments), parsed, error) ||
      !cli::buildCustomModel(parsed, model, error))
    raiseValueError(error);
  if (py::isinstance<py::str>(entries)) throw py::type_error("entries: expected a sequence of ints");
  std::vector<py::int_> values;
  for (py::handle entry : entries) values.push_back(integerOf(entry, "entries"));
  if (values.size() != static_cast<std::size_t>(model.entryCount))
    raiseValueError("entries: " + std::to_string(values.size()) + " values given; the model has " +
                    std::to_string(model.entryCount) + " entries");
  py::tuple result(model.blocks.size());
  for (std::size_t b = 0; b < model.blocks.size(); ++b) result[b] = blockValue(model.blocks[b], values);
  return result;
}

const engine::CatalogueSearch& catalogueSearch(py::handle number) {
  const std::string word = wordOf(number, "number");
  for (const auto& search : catalogueSearches()) {
    if (std::to_string(search.number) == word) return search;
  }
  raiseValueError(word + ": no such program in the catalogue");
}

constexpr const char* kModelHelp = R"(
The model is one Gram code over entries 1..k (gram="---111/22001/2001/001/21/1")
or blocks "POSITIONS:CODE" that cover 1..k once (blocks="1-4:222/22/2 5-6:2", or
a sequence of such strings); layout is one of BothEnds, HeadOnly, TailOnly,
Bare; every multiplier must divide the total. A bad argument raises
ValueError with the message of `kestrav search` (e.g. "--total: ...").)";

std::string doc(const char* text) { return std::string(text) + kModelHelp; }

}  // namespace
}  // namespace kestrav::python

PYBIND11_MODULE(kestrav, m) {
  using namespace kestrav::python;
  namespace engine = kestrav::engine;
  m.doc() =
      "The kestrav search engine: every composition of a total into the parts of an entry tuple, "
      "kept where the model's blocks are zero. Records come back as NumPy int32 arrays, one row "
      "per record, the entries in columns, in the order of the result file.";
  // NumPy is loaded with the module rather than at the first array, so that a
  // Ctrl-C during a search cannot land in NumPy's own import and surface as an
  // ImportError instead of KeyboardInterrupt.
  py::module_::import("numpy");

  py::class_<SearchResult>(m, "SearchResult",
                           "The records of a search, with its passes. records is a read-only int32 "
                           "array of shape (records, entries), in the order of the result file.")
      .def_readonly("records", &SearchResult::records, "The records, one row each (int32, read-only).")
      .def_property_readonly(
          "multipliers", [](const SearchResult& r) { return py::tuple(py::cast(r.multipliers)); },
          "The multiplier of each pass, in order.")
      .def_property_readonly(
          "counts", [](const SearchResult& r) { return py::tuple(py::cast(r.counts)); },
          "The records of each pass.")
      .def_property_readonly("passes", &SearchResult::passes,
                             "One (multiplier, start, stop) per pass: records[start:stop] are its rows.")
      .def_readonly("compositions", &SearchResult::compositions,
                    "The compositions searched (of the shard, for a shard).")
      .def("__len__", [](const SearchResult& r) { return r.records.shape(0); })
      .def("__repr__",
           [](const SearchResult& r) {
             std::string text = "<kestrav.SearchResult " + std::to_string(r.records.shape(0)) +
                                " records of " + std::to_string(r.entries) + " entries, passes";
             for (std::size_t p = 0; p < r.multipliers.size(); ++p)
               text += " m=" + std::to_string(r.multipliers[p]) + ":" + std::to_string(r.counts[p]);
             return text + ">";
           })
      .def("write", &SearchResult::write, py::arg("path"),
           "Writes the records as the command writes its result file: each value followed by one "
           "blank, a newline per record. The file appears only complete; a failure raises OSError.");

  py::class_<SearchChunks>(m, "SearchChunks",
                           "The records of a running search in chunks (iter_search). Ending the "
                           "iteration early (close(), leaving a with block, or dropping the object) "
                           "stops the search and waits for its thread.")
      .def("__iter__", [](SearchChunks& s) -> SearchChunks& { return s; })
      .def("__next__", &SearchChunks::next, "The next chunk: an int32 array of at most chunk_rows rows.")
      .def("close", &SearchChunks::close, "Stops the search; the iteration ends.")
      .def("__enter__", [](SearchChunks& s) -> SearchChunks& { return s; })
      .def("__exit__", [](SearchChunks& s, py::args) { s.close(); })
      .def_property_readonly("counts", &SearchChunks::counts,
                             "The records of each pass once the search is complete, else None.")
      .def_property_readonly(
          "multipliers", [](const SearchChunks& s) { return py::tuple(py::cast(s.multipliers())); },
          "The multiplier of each pass, in order.")
      .def_property_readonly("compositions", &SearchChunks::compositions,
                             "The compositions searched (of the shard, for a shard).");

  m.def(
      "search",
      [](py::object gram, py::object blocks, py::object layout, py::object total, py::object multipliers,
         py::object threads, py::object shard) {
        const PreparedSearch search =
            prepareSearch({gram, blocks, layout, total, multipliers}, threads, shard);
        return runToResult(search.model, search.options, search.compositions);
      },
      py::arg("gram") = py::none(), py::arg("blocks") = py::none(), py::arg("layout") = "Bare",
      py::arg("total") = 50, py::arg("multipliers") = py::make_tuple(1), py::arg("threads") = py::none(),
      py::arg("shard") = py::none(),
      doc("Searches a model and returns a SearchResult with every record in memory, as "
          "`kestrav search` would write them. threads: worker threads (default: the processors this "
          "process may use); shard: (i, N) or \"i/N\", the i-th of N contiguous slices of the work. "
          "Ctrl-C stops the search and raises KeyboardInterrupt.")
          .c_str());

  m.def(
      "iter_search",
      [](py::object gram, py::object blocks, py::object layout, py::object total, py::object multipliers,
         py::object threads, py::object shard, py::object chunkRows) {
        std::size_t rows = kDefaultChunkRows;
        if (!chunkRows.is_none()) {
          const py::int_ asked = integerOf(chunkRows, "chunk_rows");
          if (asked < py::int_(1) || asked > py::int_(kMaxChunkRows))
            raiseValueError("chunk_rows: " + std::string(py::repr(asked)) + " is out of range 1.." +
                            std::to_string(kMaxChunkRows));
          rows = asked.cast<std::size_t>();
        }
        PreparedSearch search = prepareSearch({gram, blocks, layout, total, multipliers}, threads, shard);
        return std::make_unique<SearchChunks>(std::move(search), rows);
      },
      py::arg("gram") = py::none(), py::arg("blocks") = py::none(), py::arg("layout") = "Bare",
      py::arg("total") = 50, py::arg("multipliers") = py::make_tuple(1), py::arg("threads") = py::none(),
      py::arg("shard") = py::none(), py::arg("chunk_rows") = py::none(),
      doc("Like search, but yields the records as int32 arrays of at most chunk_rows rows "
          "(default 65536), in order, while the search runs in a thread of its own; memory stays "
          "bounded whatever the size of the output. The chunks, concatenated, are search()'s "
          "records. After the last chunk, counts holds the records of each pass.")
          .c_str());

  m.def(
      "count",
      [](py::object gram, py::object blocks, py::object layout, py::object total, py::object multipliers) {
        const PreparedSearch search =
            prepareSearch({gram, blocks, layout, total, multipliers}, py::none(), py::none());
        const engine::SearchSize size = sizeOf(search.model);
        py::dict perPass;
        for (std::size_t p = 0; p < size.perPass.size(); ++p)
          perPass[py::int_(search.model.multipliers[p])] = size.perPass[p];
        return perPass;
      },
      py::arg("gram") = py::none(), py::arg("blocks") = py::none(), py::arg("layout") = "Bare",
      py::arg("total") = 50, py::arg("multipliers") = py::make_tuple(1),
      doc("The compositions each pass searches, as `kestrav search --count` prints them: a dict "
          "{multiplier: compositions} in pass order. Searches nothing.")
          .c_str());

  m.def("catalogue", &catalogueRows,
        "The catalogue's rows, one dict each: number, family, layout, entries (k), length (n), "
        "gram (one block over 1..k) or blocks (\"POSITIONS:CODE\" strings), total and multipliers. "
        "The keys gram, blocks, layout, total and multipliers are search()'s arguments.");

  m.def(
      "run",
      [](py::object number, py::object threads) {
        const engine::CatalogueSearch& row = catalogueSearch(number);
        kestrav::cli::CommonOptions common;
        if (!threads.is_none()) {
          std::string error;
          kestrav::cli::RunArguments parsed;
          if (!kestrav::cli::parseRunArguments({"all", "--threads", wordOf(threads, "threads")}, parsed,
                                               error))
            raiseValueError(error);
          common = parsed.common;
        }
        return runToResult(row.model, kestrav::cli::engineOptions(common), sizeOf(row.model).total);
      },
      py::arg("number"), py::arg("threads") = py::none(),
      "Runs catalogue program `number` and returns its SearchResult: written with write(), it is "
      "the program's result file OutputPartN.txt byte for byte.");

  m.def("determinant", &determinant, py::arg("gram") = py::none(), py::arg("blocks") = py::none(),
        py::arg("entries") = py::tuple(),
        doc("The exact value of each block of the model at one entry tuple (entries: k ints), "
            "as a tuple of Python ints in the order of the blocks; the tuple is a record when all "
            "are zero.")
            .c_str());
}
