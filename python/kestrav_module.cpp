// The Python module kestrav: libkestrav's searches with the records as
// NumPy arrays. Keyword arguments become a kestrav::Model and search
// options through the library's own readers, so a bad argument raises
// ValueError naming the keyword. Searches run with the GIL released; Ctrl-C
// stops them within a fraction of a second and raises KeyboardInterrupt.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <pybind11/stl/filesystem.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
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

// --- Results ---

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
    const std::int32_t* values = records.data();
    const auto rows = static_cast<std::size_t>(records.shape(0));
    std::string error;
    bool written = false;
    {
      py::gil_scoped_release nogil;
      written = writeRecords(path, values, rows, entries, error);
    }
    if (!written) {
      PyErr_SetString(PyExc_OSError, ("cannot write " + shownFileName(path.string()) + ": " + error).c_str());
      throw py::error_already_set();
    }
  }
};

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

SearchResult runToResult(const Model& model, SearchOptions options) {
  RecordStore store(model.entryCount());
  SignalWatch signals;
  signals.watch(options);
  SearchSummary summary;
  {
    py::gil_scoped_release nogil;
    summary = search(model, options, [&store](const RecordBlock& block) {
      store.append(block.entries, block.records);
      return true;
    });
  }
  signals.raiseIfInterrupted();
  if (summary.status != SearchStatus::Complete) throw std::runtime_error("search failed: " + summary.error);
  SearchResult result;
  result.entries = model.entryCount();
  result.records = store.release();
  result.multipliers = model.multipliers();
  result.counts = summary.recordsPerPass;
  result.compositions = summary.compositions;
  return result;
}

// --- The catalogue and exact values ---

py::list catalogueRows() {
  py::list list;
  for (const CatalogueRow& row : Catalogue::builtIn().rows()) {
    const Model& model = row.model;
    py::dict item;
    item["number"] = row.number;
    item["family"] = familyName(row.family);
    item["layout"] = layoutName(model.layout());
    item["entries"] = model.entryCount();
    item["length"] = model.compositionLength();
    if (model.fromGramCode()) {
      item["gram"] = model.blocks().front().gramCode;
      item["blocks"] = py::none();
    } else {
      py::list blocks;
      for (const Block& block : model.blocks()) blocks.append(formatBlock(block));
      item["gram"] = py::none();
      item["blocks"] = py::tuple(blocks);
    }
    item["total"] = model.total();
    item["multipliers"] = py::tuple(py::cast(model.multipliers()));
    list.append(item);
  }
  return list;
}

const CatalogueRow& catalogueRow(py::handle number) {
  const std::string word = wordOf(number, "number");
  for (const CatalogueRow& row : Catalogue::builtIn().rows()) {
    if (std::to_string(row.number) == word) return row;
  }
  // Text is quoted, as the library quotes what it is given.
  const std::string shown = py::isinstance<py::str>(number) ? kestrav::quoted(word) : word;
  raiseValueError("number", shown + " is not a program of the catalogue");
}

py::tuple determinant(py::object gram, py::object blocks, py::sequence entries) {
  // The total and layout play no part in the blocks' values.
  const Model model =
      modelOf({std::move(gram), std::move(blocks), py::str("Bare"), py::int_(1), py::int_(1)});
  if (py::isinstance<py::str>(entries)) throw py::type_error("entries=: expected a sequence of ints");
  std::vector<std::int64_t> values;
  for (py::handle entry : entries) {
    int overflow = 0;
    const long long value = PyLong_AsLongLongAndOverflow(integerOf(entry, "entries").ptr(), &overflow);
    if (overflow != 0) raiseValueError("entries", std::string(py::repr(entry)) + " does not fit 64 bits");
    values.push_back(value);
  }
  const std::vector<std::string> decimals = model.blockValues(values);
  py::tuple result(decimals.size());
  for (std::size_t b = 0; b < decimals.size(); ++b) {
    PyObject* value = PyLong_FromString(decimals[b].c_str(), nullptr, 10);
    if (value == nullptr) throw py::error_already_set();
    result[b] = py::reinterpret_steal<py::object>(value);
  }
  return result;
}

constexpr const char* kModelHelp = R"(
The model is one Gram code over entries 1..k (gram="---111/22001/2001/001/21/1")
or blocks "POSITIONS:CODE" that cover 1..k once (blocks="1-4:222/22/2 5-6:2", or
a sequence of such strings); layout is one of BothEnds, HeadOnly, TailOnly,
Bare; every multiplier must divide the total. A bad argument raises
ValueError naming the keyword (e.g. 'total=: "0" is out of range 1..65535').)";

std::string doc(const char* text) { return std::string(text) + kModelHelp; }

}  // namespace
}  // namespace kestrav::python

PYBIND11_MODULE(kestrav, m) {
  using namespace kestrav::python;
  m.doc() =
      "The kestrav search engine: every composition of a total into the parts of an entry tuple, "
      "kept where the model's blocks are zero. Records come back as NumPy int32 arrays, one row "
      "per record, the entries in columns, in the order of the result file.";
  // NumPy is loaded with the module rather than at the first array, so that a
  // Ctrl-C during a search cannot land in NumPy's own import and surface as an
  // ImportError instead of KeyboardInterrupt.
  py::module_::import("numpy");
  registerErrorTranslation();

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
        return runToResult(search.model, search.options);
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
            raiseValueError("chunk_rows", std::string(py::repr(asked)) + " is out of range 1.." +
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
        const kestrav::Model model = modelOf({gram, blocks, layout, total, multipliers});
        const kestrav::SearchSize size = kestrav::searchSize(model);
        py::dict perPass;
        for (std::size_t p = 0; p < size.perPass.size(); ++p)
          perPass[py::int_(model.multipliers()[p])] = size.perPass[p];
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
        const kestrav::CatalogueRow& row = catalogueRow(number);
        kestrav::SearchOptions options;
        setThreads(threads, options);
        return runToResult(row.model, options);
      },
      py::arg("number"), py::arg("threads") = py::none(),
      "Runs catalogue program `number` and returns its SearchResult: written with write(), it is "
      "the program's result file OutputPartN.txt byte for byte.");

  m.def("determinant", &determinant, py::arg("gram") = py::none(), py::arg("blocks") = py::none(),
        py::arg("entries") = py::tuple(),
        doc("The exact value of each block of the model at one entry tuple (entries: k ints, each "
            "within 64 bits), as a tuple of Python ints in the order of the blocks; the tuple is a "
            "record when all are zero.")
            .c_str());
}
