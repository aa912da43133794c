#pragma once
// The catalogue: one row per program kestravN (programName in names.hpp), each a model searched with
// total 50 and multipliers 1, 2, 5 (scaled family) or once (unscaled). The
// catalogue is built into the library; another can be read from its text.

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "kestrav/export.hpp"
#include "kestrav/layout.hpp"
#include "kestrav/model.hpp"
#include "kestrav/names.hpp"
#include "kestrav/search.hpp"

namespace kestrav {

struct CatalogueRow {
  int number = 0;
  Family family = Family::Scaled;
  Model model;  // blocks, layout, total and multipliers of its search
};

namespace detail {
struct CatalogueData;
struct Access;
}  // namespace detail

class KESTRAV_API Catalogue {
 public:
  // The catalogue of the 72 programs, built in.
  static const Catalogue& builtIn();
  // Rows as catalogue.txt writes them; throws Error(Field::Catalogue) naming
  // the line and the reason, also for a text without rows.
  static Catalogue fromText(std::string_view text);
  // The same from a regular file.
  static Catalogue fromFile(const std::filesystem::path& file);

  const std::vector<CatalogueRow>& rows() const;
  // The row of that program, or null.
  const CatalogueRow* find(int number) const;

  const detail::CatalogueData& data() const { return *data_; }

 private:
  friend struct detail::Access;
  explicit Catalogue(std::shared_ptr<const detail::CatalogueData> data) : data_(std::move(data)) {}
  std::shared_ptr<const detail::CatalogueData> data_;
};

// One search of runCatalogue, finished or not.
struct CatalogueRunResult {
  int number = 0;
  std::filesystem::path file;
  bool started = false;
  SearchSummary summary;  // status Complete: the file is written
};

struct CatalogueRunHooks {
  // The file a program's search writes.
  std::function<std::filesystem::path(int number)> fileFor;
  // Called from the calling thread for every search, in the order given.
  std::function<void(const CatalogueRunResult&)> finished;
  // Progress of a search, when they run one after another.
  std::function<void(int number, std::uint64_t done, std::uint64_t total)> progress;
  bool sync = false;  // fsync each file and its directory when complete
  ManifestOptions manifest;
};

// Runs the programs' searches, each into its own file written as
// searchToFile writes it. With several searches and threads, whole searches
// run side by side, the largest first. A failed search stops the run: no
// further one starts and no file is left empty or partial. Returns Complete
// when every file was written, otherwise the first failure's status.
// Throws Error(Field::Program) for a number not in the catalogue.
KESTRAV_API SearchStatus runCatalogue(const Catalogue& catalogue, const std::vector<int>& numbers,
                                      const SearchOptions& options, const CatalogueRunHooks& hooks);

}  // namespace kestrav
