// kestrav._core: libkestrav's searches with the records as NumPy arrays.
// Arguments become a kestrav::Model and search options through the
// library's own readers, so a bad argument raises ValueError naming the
// keyword. Searches run with the GIL released; Ctrl-C stops them within a
// fraction of a second and raises KeyboardInterrupt.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "kestrav/kestrav.hpp"
#include "python/arguments.hpp"
#include "python/record_arrays.hpp"
#include "python/search_chunks.hpp"

namespace py = pybind11;

namespace kestrav::python {
namespace {

constexpr std::size_t kDefaultChunkRows = std::size_t{1} << 16;
constexpr std::size_t kMaxChunkRows = std::size_t{1} << 24;

// {multiplier: value} in pass order.
py::dict perPass(const Model& model, const std::vector<std::uint64_t>& values) {
  py::dict byMultiplier;
  for (std::size_t p = 0; p < values.size(); ++p) byMultiplier[py::int_(model.multipliers()[p])] = values[p];
  return byMultiplier;
}

// --- Interrupts ---

// Lets Ctrl-C stop a search that runs with the GIL released. The library
// reports progress from the calling thread a few times a second; there the
// GIL is taken back for the moment to look for a pending signal, whose
// handler's exception is kept and the search cancelled.
class SignalWatch {
 public:
  void watch(SearchOptions& options) {
    options.cancel = &cancel_;
    options.progress = [this](std::uint64_t, std::uint64_t) { poll(); };
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
  void poll() {
    if (cancel_.load()) return;
    py::gil_scoped_acquire gil;
    if (PyErr_CheckSignals() != 0) {
      error_ = std::make_unique<py::error_already_set>();
      cancel_ = true;
    }
  }

  std::atomic<bool> cancel_{false};
  std::unique_ptr<py::error_already_set> error_;
};

// What search() and run() hand to the package's SearchResult: the records,
// the records per pass, the compositions searched, the model's keywords and
// the shard (None for the whole search), and the run for a manifest: the
// ranks of the compositions it covered, its start (seconds since the
// epoch), seconds and threads.
py::dict runToResult(const Model& model, SearchOptions options, py::object shard) {
  RecordStore store(model.entryCount());
  SignalWatch signals;
  signals.watch(options);
  SearchSummary summary;
  const auto started = std::chrono::system_clock::now();
  {
    py::gil_scoped_release nogil;
    summary = search(model, options, [&store](const RecordBlock& block) {
      store.append(block.entries, block.records);
      return true;
    });
  }
  signals.raiseIfInterrupted();
  if (summary.status != SearchStatus::Complete) throw std::runtime_error("search failed: " + summary.error);
  py::dict result;
  result["records"] = store.release();
  result["counts"] = py::tuple(py::cast(summary.recordsPerPass));
  result["compositions"] = summary.compositions;
  result["model"] = modelKeywords(model);
  result["shard"] = shard.is_none() ? py::object(py::none())
                                    : py::object(py::make_tuple(options.shardIndex, options.shardCount));
  result["searched"] = py::make_tuple(summary.firstComposition, summary.endComposition);
  result["started"] = std::chrono::duration<double>(started.time_since_epoch()).count();
  result["seconds"] = summary.seconds;
  result["threads"] = threadsFor(options);
  return result;
}

// The records of each pass, counted without keeping any.
py::dict countRecordsOf(const PreparedSearch& prepared) {
  SearchOptions options = prepared.options;
  SignalWatch signals;
  signals.watch(options);
  SearchSummary summary;
  {
    py::gil_scoped_release nogil;
    summary = countRecords(prepared.model, options);
  }
  signals.raiseIfInterrupted();
  if (summary.status != SearchStatus::Complete) throw std::runtime_error("search failed: " + summary.error);
  return perPass(prepared.model, summary.recordsPerPass);
}

// The compositions of each pass that the shard covers: the shard is a slice
// of the ranks of the whole search, whose passes follow one another.
py::dict compositionsOf(const PreparedSearch& prepared) {
  const SearchSize size = searchSize(prepared.model);
  const ShardRange shard =
      shardRange(prepared.model, prepared.options.shardIndex, prepared.options.shardCount);
  std::vector<std::uint64_t> covered;
  std::uint64_t passStart = 0;
  for (const std::uint64_t compositions : size.perPass) {
    const std::uint64_t first = std::max(passStart, shard.first);
    const std::uint64_t end = std::min(passStart + compositions, shard.end);
    covered.push_back(end > first ? end - first : 0);
    passStart += compositions;
  }
  return perPass(prepared.model, covered);
}

// --- The catalogue and exact values ---

py::dict catalogueRowKeywords(const CatalogueRow& row) {
  py::dict item;
  item["number"] = row.number;
  item["family"] = familyName(row.family);
  item["entries"] = row.model.entryCount();
  item["length"] = row.model.compositionLength();
  for (auto [key, value] : modelKeywords(row.model)) item[key] = value;
  return item;
}

py::list catalogueRows() {
  py::list rows;
  for (const CatalogueRow& row : Catalogue::builtIn().rows()) rows.append(catalogueRowKeywords(row));
  return rows;
}

const CatalogueRow& catalogueRow(py::handle number) {
  const py::int_ asked = integerOf(number, "number");
  for (const CatalogueRow& row : Catalogue::builtIn().rows()) {
    if (asked.equal(py::int_(row.number))) return row;
  }
  raiseValueError("number",
                  py::str(py::handle(asked)).cast<std::string>() + " is not a program of the catalogue");
}

// The blocks' values only depend on the blocks, not on layout or total.
Model blocksOnly(py::object gram, py::object blocks) {
  return modelOf({std::move(gram), std::move(blocks), py::str("Bare"), py::int_(1), py::make_tuple(1)});
}

py::object exactInteger(const std::string& decimal) {
  PyObject* value = PyLong_FromString(decimal.c_str(), nullptr, 10);
  if (value == nullptr) throw py::error_already_set();
  return py::reinterpret_steal<py::object>(value);
}

py::tuple determinant(py::object gram, py::object blocks, py::handle entries) {
  const Model model = blocksOnly(std::move(gram), std::move(blocks));
  if (py::isinstance<py::str>(entries) || !py::isinstance<py::iterable>(entries))
    raiseTypeError("entries", "a sequence of ints", entries);
  std::vector<std::int64_t> values;
  for (py::handle entry : entries) {
    int overflow = 0;
    const long long value = PyLong_AsLongLongAndOverflow(integerOf(entry, "entries").ptr(), &overflow);
    if (overflow != 0) raiseValueError("entries", std::string(py::repr(entry)) + " does not fit 64 bits");
    values.push_back(value);
  }
  const std::vector<std::string> decimals = model.blockValues(values);
  py::tuple result(decimals.size());
  for (std::size_t b = 0; b < decimals.size(); ++b) result[b] = exactInteger(decimals[b]);
  return result;
}

// The values at every row of a (tuples, entries) int64 array, as an object
// array (tuples, blocks) of Python ints: exact, whatever their size.
py::array determinantRows(py::object gram, py::object blocks,
                          const py::array_t<std::int64_t, py::array::c_style>& rows) {
  const Model model = blocksOnly(std::move(gram), std::move(blocks));
  if (rows.ndim() != 2) raiseValueError("entries", "expected one tuple per row");
  const auto count = static_cast<std::size_t>(rows.shape(0));
  const auto width = static_cast<std::size_t>(rows.shape(1));
  const auto blockCount = static_cast<py::ssize_t>(model.blocks().size());
  py::array values(py::dtype("O"), {static_cast<py::ssize_t>(count), blockCount});
  // A new object array holds None in every slot; each is replaced.
  auto* slots = static_cast<PyObject**>(values.mutable_data());
  for (std::size_t r = 0; r < count; ++r) {
    const std::vector<std::string> decimals = model.blockValues({rows.data() + r * width, width});
    for (std::size_t b = 0; b < decimals.size(); ++b) {
      PyObject*& slot = slots[r * decimals.size() + b];
      Py_XDECREF(slot);
      slot = exactInteger(decimals[b]).release().ptr();
    }
  }
  return values;
}

// Writes a SearchResult's records as the command's result file and, with
// `manifest`, its manifest for the search given by the model's keywords,
// threads and shard, which covered the compositions `searched` (None: the
// shard's), ran at `started` (seconds since the epoch) for `seconds`, and
// was written by the words of `command`.
void writeRecordFile(const std::filesystem::path& path,
                     const py::array_t<std::int32_t, py::array::c_style>& records,
                     const ModelArguments& search, py::handle threads, py::handle shard,
                     const std::vector<std::uint64_t>& counts, py::handle searched, bool manifest,
                     const std::vector<std::string>& command, double started, double seconds) {
  if (records.ndim() != 2) raiseValueError("records", "expected one record per row");
  const PreparedSearch prepared = prepareSearch(search, threads, shard);
  if (records.shape(1) != prepared.model.entryCount())
    raiseValueError("records", std::to_string(records.shape(1)) + " entries per record; the model has " +
                                   std::to_string(prepared.model.entryCount()));
  std::uint64_t counted = 0;
  for (const std::uint64_t count : counts) counted += count;
  if (counted != static_cast<std::uint64_t>(records.shape(0)))
    raiseValueError("counts", std::to_string(counted) + " records counted, " +
                                  std::to_string(records.shape(0)) + " given");
  const auto startedAt =
      std::chrono::system_clock::time_point(std::chrono::duration_cast<std::chrono::system_clock::duration>(
          std::chrono::duration<double>(started)));
  ShardRange range = shardRange(prepared.model, prepared.options.shardIndex, prepared.options.shardCount);
  if (!searched.is_none())
    std::tie(range.first, range.end) = searched.cast<std::pair<std::uint64_t, std::uint64_t>>();
  const std::int32_t* values = records.data();
  std::string error;
  bool written = false;
  {
    py::gil_scoped_release nogil;
    written = writeRecordsWithManifest(prepared.model, prepared.options, range, path, values, counts,
                                       {manifest, command}, startedAt, seconds, error);
  }
  if (!written) {
    PyErr_SetString(PyExc_OSError, ("cannot write " + shownFileName(path.string()) + ": " + error).c_str());
    throw py::error_already_set();
  }
}

std::size_t chunkRowsOf(py::handle chunkRows) {
  const py::int_ asked = integerOf(chunkRows, "chunk_rows");
  if (asked < py::int_(1) || asked > py::int_(kMaxChunkRows))
    raiseValueError("chunk_rows",
                    std::string(py::repr(asked)) + " is out of range 1.." + std::to_string(kMaxChunkRows));
  return asked.cast<std::size_t>();
}

}  // namespace
}  // namespace kestrav::python

// The compiled part of the package kestrav, whose __init__.py gives each
// function its signature, documentation and result types; the arguments
// arrive here in the order of the package's keywords.
PYBIND11_MODULE(_core, m) {
  using namespace kestrav::python;
  m.doc() = "The compiled part of the package kestrav; use kestrav's functions.";
  // NumPy is loaded with the module rather than at the first array, so that a
  // Ctrl-C during a search cannot land in NumPy's own import and surface as an
  // ImportError instead of KeyboardInterrupt.
  py::module_::import("numpy");
  registerErrorTranslation();
  m.attr("__version__") = kestrav::version();
  m.attr("DEFAULT_CHUNK_ROWS") = kDefaultChunkRows;

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

  m.def("search", [](py::object gram, py::object blocks, py::object layout, py::object total,
                     py::object multipliers, py::object threads, py::object shard) {
    const PreparedSearch prepared = prepareSearch({gram, blocks, layout, total, multipliers}, threads, shard);
    return runToResult(prepared.model, prepared.options, shard);
  });
  m.def("iter_search",
        [](py::object gram, py::object blocks, py::object layout, py::object total, py::object multipliers,
           py::object threads, py::object shard, py::object chunkRows) {
          const std::size_t rows = chunkRowsOf(chunkRows);
          PreparedSearch prepared = prepareSearch({gram, blocks, layout, total, multipliers}, threads, shard);
          return std::make_unique<SearchChunks>(std::move(prepared), rows);
        });
  m.def("count", [](py::object gram, py::object blocks, py::object layout, py::object total,
                    py::object multipliers, py::object shard) {
    return compositionsOf(prepareSearch({gram, blocks, layout, total, multipliers}, py::none(), shard));
  });
  m.def("count_records", [](py::object gram, py::object blocks, py::object layout, py::object total,
                            py::object multipliers, py::object threads, py::object shard) {
    return countRecordsOf(prepareSearch({gram, blocks, layout, total, multipliers}, threads, shard));
  });
  m.def("run", [](py::object number, py::object threads) {
    const kestrav::CatalogueRow& row = catalogueRow(number);
    kestrav::SearchOptions options;
    setThreads(threads, options);
    return runToResult(row.model, options, py::none());
  });
  m.def("catalogue", &catalogueRows);
  m.def("catalogue_row", [](py::object number) { return catalogueRowKeywords(catalogueRow(number)); });
  m.def("determinant", &determinant);
  m.def("determinant_rows", &determinantRows);
  m.attr("MANIFESTS") = kestrav::manifestsAvailable();
  m.def(
      "write_records",
      [](const std::filesystem::path& path, const py::array_t<std::int32_t, py::array::c_style>& records,
         py::object gram, py::object blocks, py::object layout, py::object total, py::object multipliers,
         py::object threads, py::object shard, const std::vector<std::uint64_t>& counts, py::object searched,
         bool manifest, const std::vector<std::string>& command, double started, double seconds) {
        writeRecordFile(path, records, {gram, blocks, layout, total, multipliers}, threads, shard, counts,
                        searched, manifest, command, started, seconds);
      });
}
