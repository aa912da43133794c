#include "cli/options.hpp"

#include <algorithm>
#include <iterator>
#include <limits>
#include <type_traits>

#include "cli/arguments.hpp"
#include "kestrav/values.hpp"

namespace kestrav::cli {
namespace {

// An option that only stores its value, or sets its flag.
template <auto Member>
void store(Arguments& arguments, std::string_view value) {
  auto& field = arguments.*Member;
  if constexpr (std::is_same_v<std::remove_reference_t<decltype(field)>, bool>) {
    field = true;
  } else {
    field = std::string(value);
  }
}

constexpr Option kOptions[] = {
    // search: the model
    {.name = "--gram",
     .placeholder = "CODE",
     .commands = kSearch,
     .value = ValueKind::Text,
     .presence = Presence::OneOf,
     .description = "one block over entries 1..k (k = code size)",
     .whenMissing = "give the model's Gram code (or --blocks)",
     .field = Field::Gram,
     .store = store<&Arguments::gram>},
    {.name = "--blocks",
     .placeholder = "POS:CODE",
     .commands = kSearch,
     .value = ValueKind::Text,
     .presence = Presence::OneOf,
     .repeatable = true,
     .description = "a block on the listed entries (1-4:222/22/2); the blocks cover 1..k once",
     .field = Field::Blocks,
     .store =
         [](Arguments& a, std::string_view v) {
           for (Block& block : parseBlocks(v)) a.blocks.push_back(std::move(block));
         }},
    {.name = "--row",
     .placeholder = "N",
     .commands = kSearch,
     .value = ValueKind::Program,
     .presence = Presence::OneOf,
     .description = "row N's model, layout, total and multipliers",
     .store =
         [](Arguments& a, std::string_view v) {
           a.row = parseWholeNumber(Field::Program, v, 0, std::numeric_limits<int>::max());
         }},
    {.name = "--layout",
     .placeholder = "LAYOUT",
     .commands = kSearch,
     .value = ValueKind::LayoutName,
     .presence = Presence::Required,
     .rowGives = true,
     .description = "the tuple of composition c in the pass of m:",
     .field = Field::Layout,
     .store = [](Arguments& a, std::string_view v) { a.layout = parseLayoutName(v); }},
    {.name = "--total",
     .placeholder = "T",
     .commands = kSearch,
     .value = ValueKind::Text,
     .presence = Presence::Required,
     .rowGives = true,
     .description = "entries sum to T",
     .field = Field::Total,
     .store = [](Arguments& a, std::string_view v) { a.total = parseTotal(v); }},
    {.name = "--multipliers",
     .placeholder = "M,M,...",
     .commands = kSearch,
     .value = ValueKind::Text,
     .description = "one pass per M; each divides T (default 1)",
     .field = Field::Multipliers,
     .store = [](Arguments& a, std::string_view v) { a.multipliers = parseMultipliers(v); }},
    // search: what it does
    {.name = "--out",
     .placeholder = "FILE",
     .commands = kSearch,
     .value = ValueKind::File,
     .description = "the result file, .gz/.zst compressed (default: stdout)",
     .store = store<&Arguments::out>},
    {.name = "--count",
     .commands = kSearch,
     .description = "print compositions, expected output and time",
     .store = store<&Arguments::count>},
    {.name = "--count-records",
     .commands = kSearch,
     .description = "print the records per pass only; write none",
     .store = store<&Arguments::countRecords>},
    {.name = "--resume",
     .commands = kSearch,
     .description = "continue FILE.partial, a stopped search's work",
     .store = store<&Arguments::resume>},
    {.name = "--restart",
     .commands = kSearch,
     .description = "discard FILE.partial and start again",
     .store = store<&Arguments::restart>},
    {.name = "--checkpoint",
     .placeholder = "SECONDS",
     .commands = kSearch,
     .value = ValueKind::Text,
     .description = "checkpoint every SECONDS (default 5; 0: none)",
     .field = Field::Checkpoint,
     .store = [](Arguments& a, std::string_view v) { a.checkpointSeconds = parseCheckpointSeconds(v); }},
    // join
    {.name = "--out",
     .placeholder = "FILE",
     .commands = kJoin,
     .value = ValueKind::File,
     .presence = Presence::Required,
     .description = "the whole result file (and FILE.json)",
     .store = store<&Arguments::out>},
    // run and verify
    {.name = "--out",
     .placeholder = "DIR",
     .commands = kRun,
     .value = ValueKind::Directory,
     .description = "the directory of the result files (default: .)",
     .store = store<&Arguments::out>},
    {.name = "--quiet",
     .commands = kVerify,
     .description = "report mismatches only",
     .store = store<&Arguments::quiet>},
    {.name = "--sample",
     .placeholder = "N",
     .commands = kVerify,
     .value = ValueKind::Text,
     .description = "other compositions FILE's check evaluates (4000)",
     .store =
         [](Arguments& a, std::string_view v) {
           a.sample = static_cast<std::uint64_t>(parseWholeNumber(Field::Entries, v, 0, 1000000000));
         }},
    {.name = "--catalogue",
     .placeholder = "FILE",
     .commands = kRun | kVerify | kCatalogue,
     .value = ValueKind::File,
     .description = "the catalogue in FILE, not the built-in one",
     .field = Field::Catalogue,
     .store = store<&Arguments::catalogueFile>},
    {.name = "--checks",
     .placeholder = "DIR",
     .commands = kVerify,
     .value = ValueKind::Directory,
     .description = "the check tables in DIR, not the built-in ones",
     .field = Field::Checks,
     .store = store<&Arguments::checksDirectory>},
    // the search settings of run and search
    {.name = "--shard",
     .placeholder = "i/N",
     .commands = kSearchSettings,
     .value = ValueKind::Text,
     .description = "slice i of N; all N in order are the whole",
     .field = Field::Shard,
     .store = [](Arguments& a,
                 std::string_view v) { parseShard(v, a.search.shardIndex, a.search.shardCount); }},
    {.name = "--threads",
     .placeholder = "N",
     .commands = kSearchSettings,
     .value = ValueKind::Text,
     .description = "worker threads (default: usable processors)",
     .field = Field::Threads,
     .store = [](Arguments& a, std::string_view v) { a.search.threads = parseThreads(v); }},
    {.name = "--progress",
     .commands = kSearchSettings,
     .description = "progress on stderr (default: on a terminal)",
     .store = store<&Arguments::progress>},
    {.name = "--simd",
     .placeholder = "LEVEL",
     .commands = kSearchSettings,
     .value = ValueKind::SimdName,
     .description = "the kernel (default auto, the widest here):",
     .field = Field::Simd,
     .store = [](Arguments& a, std::string_view v) { a.search.simd = parseSimd(v); }},
    {.name = "--tail",
     .placeholder = "L",
     .commands = kSearchSettings,
     .value = ValueKind::Text,
     .description = "entries evaluated in bulk, 1..4 (default 4)",
     // The library counts the tail among the kernel's settings.
     .store =
         [](Arguments& a, std::string_view v) {
           a.search.tailLength = parseWholeNumber(Field::Simd, v, 1, kMaxTailLength);
         }},
    {.name = "--sync",
     .commands = kSearchSettings,
     .description = "fsync complete result files and their directory",
     .store = store<&Arguments::sync>},
    {.name = "--no-manifest",
     .commands = kSearchSettings,
     .description = "no manifest FILE.json beside a result file FILE",
     .store = store<&Arguments::noManifest>},
};

constexpr Subcommand kSubcommands[] = {
    {kRun, "run", "(all | N...)", true, "writes OutputPartN.txt as kestravN does; one summary line each."},
    {kSearch, "search", "", true, "the same search for a model given here; records to FILE or stdout."},
    {kVerify, "verify", "(DIR [N...] | FILE)", false,
     "checks OutputPartN.txt in DIR, other files by their manifest, or FILE."},
    {kCatalogue, "catalogue", "[N...]", false,
     "lists the rows (number, family, layout, entries, model, records per pass), or "
     "shows rows N... with the search that reproduces each."},
    {kJoin, "join", "PART...", true,
     "joins the shards of a search (any order); refuses a wrong set or part."},
};

}  // namespace

std::span<const Option> options() { return kOptions; }

std::span<const Subcommand> subcommands() { return kSubcommands; }

const Subcommand& subcommandOf(Command command) {
  for (const Subcommand& subcommand : kSubcommands) {
    if (subcommand.command == command) return subcommand;
  }
  return kSubcommands[0];
}

const Option* findOption(std::string_view name, Command command) {
  for (const Option& option : kOptions) {
    if (option.name == name && (option.commands & command) != 0) return &option;
  }
  return nullptr;
}

bool asksForHelp(std::string_view word) {
  return std::find(std::begin(kHelpWords), std::end(kHelpWords), word) != std::end(kHelpWords);
}

std::vector<std::string_view> valueWords(ValueKind kind) {
  std::vector<std::string_view> words;
  if (kind == ValueKind::LayoutName) {
    for (const auto& entry : kLayoutNames) words.push_back(entry.name);
  } else if (kind == ValueKind::SimdName) {
    for (const auto& entry : kSimdNames) words.push_back(entry.name);
  }
  return words;
}

std::string joined(const std::vector<std::string_view>& words, std::string_view last) {
  std::string text;
  for (std::size_t i = 0; i < words.size(); ++i) {
    if (i > 0) text += i + 1 == words.size() ? last : std::string_view(", ");
    text += words[i];
  }
  return text;
}

std::vector<std::string_view> commandNames(unsigned commands) {
  std::vector<std::string_view> names;
  for (const Subcommand& subcommand : kSubcommands) {
    if ((subcommand.command & commands) != 0) names.push_back(subcommand.name);
  }
  return names;
}

std::string messageOf(const Error& error, Command command) {
  for (const Option& option : kOptions) {
    if (option.field == error.field() && (option.commands & command) != 0)
      return std::string(option.name) + ": " + error.reason();
  }
  // Program numbers are words of their own, and the reason starts with the number.
  if (error.field() == Field::Program) return error.reason();
  return error.what();
}

}  // namespace kestrav::cli
