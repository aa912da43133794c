#include "cli/arguments.hpp"

#include <algorithm>
#include <iterator>
#include <limits>
#include <string>
#include <type_traits>

#include "core/quoted_text.hpp"
#include "core/text_fields.hpp"
#include "engine/search_model.hpp"

namespace kestrav::cli {
namespace {

constexpr int kMaxThreads = 256;
constexpr int kMaxShards = 1000000;
constexpr int kMaxProgramNumber = std::numeric_limits<int>::max();

std::string outOfRange(std::string_view text, int lo, int hi) {
  return quoteForMessage(text) + " is out of range " + std::to_string(lo) + ".." + std::to_string(hi);
}

// A whole number in lo..hi; otherwise false with the reason.
bool parseNumber(std::string_view text, int lo, int hi, int& value, std::string& reason) {
  const WholeNumber read = readWholeNumber(text, lo, hi, value);
  if (read == WholeNumber::NotANumber) reason = quoteForMessage(text) + " is not a whole number";
  if (read == WholeNumber::OutOfRange) reason = outOfRange(text, lo, hi);
  return read == WholeNumber::Read;
}

// What the options fill in. Only the command's own part is set.
struct Target {
  CommonOptions& common;
  RunArguments* run = nullptr;
  SearchArguments* search = nullptr;
};

enum Command : unsigned { kRun = 1, kSearch = 2, kBoth = kRun | kSearch };

// Stores an option's value (empty for a flag); on a bad value returns false
// with the reason, which the caller prefixes with the option's name.
using Handler = bool (*)(Target& target, const std::string& value, std::string& reason);

struct Option {
  std::string_view name;
  bool takesValue;
  unsigned commands;
  bool repeatable;
  Handler handle;
};

bool splitBlocks(const std::string& value, std::vector<std::string>& blocks, std::string& reason) {
  // Blocks may come one per --blocks or blank-separated in one argument.
  const std::vector<std::string_view> words = blankSeparatedWords(value);
  if (words.empty()) {
    reason = quoteForMessage(value) + " holds no block";
    return false;
  }
  blocks.insert(blocks.end(), words.begin(), words.end());
  return true;
}

bool parseMultipliers(const std::string& value, std::vector<int>& multipliers, std::string& reason) {
  multipliers.clear();
  for (const std::string_view item : splitAt(value, ',')) {
    int m = 0;
    if (!parseNumber(item, 1, engine::kMaxEntryValue, m, reason)) {
      if (value.find(',') != std::string::npos) reason = quoteForMessage(value) + ": " + reason;
      return false;
    }
    // Each multiplier is one pass: a repeated one would repeat its records.
    if (std::find(multipliers.begin(), multipliers.end(), m) != multipliers.end()) {
      reason = quoteForMessage(value) + ": " + std::to_string(m) + " is given twice";
      return false;
    }
    multipliers.push_back(m);
  }
  return true;
}

bool setSimd(CommonOptions& common, const std::string& value, std::string& reason) {
  engine::SimdLevel level{};
  if (!engine::parseSimdLevel(value.c_str(), level)) {
    reason = quoteForMessage(value) + " is not one of scalar, sse2, avx2, avx512";
    return false;
  }
  if (!engine::simdLevelAvailable(level)) {
    reason = value + " is not available on this processor or in this build";
    return false;
  }
  common.simd = level;
  return true;
}

// The arguments an option's field belongs to.
template <class Args>
Args& argumentsOf(Target& target) {
  if constexpr (std::is_same_v<Args, CommonOptions>) {
    return target.common;
  } else if constexpr (std::is_same_v<Args, RunArguments>) {
    return *target.run;
  } else {
    return *target.search;
  }
}

template <class Member>
struct FieldOf;
template <class Args, class Value>
struct FieldOf<Value Args::*> {
  using Owner = Args;
  using Type = Value;
};

// The handler of an option that only stores its value, or sets its flag.
template <auto Field>
bool store(Target& target, const std::string& value, std::string&) {
  using Of = FieldOf<decltype(Field)>;
  auto& field = argumentsOf<typename Of::Owner>(target).*Field;
  if constexpr (std::is_same_v<typename Of::Type, bool>) {
    field = true;
  } else {
    field = value;
  }
  return true;
}

constexpr Option kOptions[] = {
    {"--threads", true, kBoth, false,
     [](Target& t, const std::string& v, std::string& r) {
       return parseNumber(v, 1, kMaxThreads, t.common.threads, r);
     }},
    {"--shard", true, kBoth, false,
     [](Target& t, const std::string& v, std::string& r) {
       return parseShard(v, t.common.shardIndex, t.common.shardCount, r);
     }},
    {"--simd", true, kBoth, false,
     [](Target& t, const std::string& v, std::string& r) { return setSimd(t.common, v, r); }},
    {"--tail", true, kBoth, false,
     [](Target& t, const std::string& v, std::string& r) {
       return parseNumber(v, 1, engine::kMaxTailLength, t.common.tailLength, r);
     }},
    {"--progress", false, kBoth, false, store<&CommonOptions::progress>},
    {"--sync", false, kBoth, false, store<&CommonOptions::sync>},
    {"--out", true, kRun, false, store<&RunArguments::outDirectory>},
    {"--catalogue", true, kRun, false, store<&RunArguments::catalogueFile>},
    {"--out", true, kSearch, false, store<&SearchArguments::outFile>},
    {"--gram", true, kSearch, false, store<&SearchArguments::gram>},
    {"--blocks", true, kSearch, true,
     [](Target& t, const std::string& v, std::string& r) { return splitBlocks(v, t.search->blocks, r); }},
    {"--layout", true, kSearch, false, store<&SearchArguments::layout>},
    {"--total", true, kSearch, false,
     [](Target& t, const std::string& v, std::string& r) {
       return parseNumber(v, 1, engine::kMaxEntryValue, t.search->total, r);
     }},
    {"--multipliers", true, kSearch, false,
     [](Target& t, const std::string& v, std::string& r) {
       return parseMultipliers(v, t.search->multipliers, r);
     }},
    {"--count", false, kSearch, false, store<&SearchArguments::count>},
};

const Option* findOption(std::string_view word, unsigned command) {
  for (const Option& option : kOptions) {
    if (option.name == word && (option.commands & command) != 0) return &option;
  }
  return nullptr;
}

const char* commandName(unsigned command) { return command == kRun ? "run" : "search"; }

// `run` takes "all" or program numbers besides its options.
bool takeProgram(RunArguments& parsed, const std::string& word, std::string& error) {
  if (word == "all") {
    if (parsed.all) {
      error = "\"all\": given twice";
      return false;
    }
    parsed.all = true;
    return true;
  }
  int number = 0;
  const WholeNumber read = readWholeNumber(word, 1, kMaxProgramNumber, number);
  if (read != WholeNumber::Read) {
    error = read == WholeNumber::NotANumber ? quoteForMessage(word) + ": not a program number or \"all\""
                                            : "program " + outOfRange(word, 1, kMaxProgramNumber);
    return false;
  }
  if (std::find(parsed.programs.begin(), parsed.programs.end(), number) != parsed.programs.end()) {
    error = "program " + std::to_string(number) + ": given twice";
    return false;
  }
  parsed.programs.push_back(number);
  return true;
}

// Hands every option of the command its value; other words go to
// `positional`. Every message starts with the option or word at fault.
bool parseOptions(unsigned command, const std::vector<std::string>& args, Target& target,
                  bool (*positional)(Target&, const std::string&, std::string&), std::string& error) {
  bool seen[std::size(kOptions)] = {};
  for (std::size_t at = 0; at < args.size(); ++at) {
    const std::string& word = args[at];
    const Option* option = findOption(word, command);
    if (option == nullptr) {
      if (word.empty() || word.front() != '-') {
        if (!positional(target, word, error)) return false;
        continue;
      }
      const unsigned other = kBoth & ~command;
      error = findOption(word, other) != nullptr
                  ? std::string(word) + ": an option of kestrav " + commandName(other) + ", not of " +
                        commandName(command)
                  : quoteForMessage(word) + ": unknown option (see kestrav --help)";
      return false;
    }
    const std::string name(option->name);
    bool& given = seen[static_cast<std::size_t>(option - kOptions)];
    if (given && !option->repeatable) {
      error = name + ": given twice";
      return false;
    }
    given = true;
    std::string value;
    if (option->takesValue) {
      // A Gram code may start with '-', so only the command's own option
      // names are not taken as a value.
      if (at + 1 == args.size() || findOption(args[at + 1], command) != nullptr) {
        error = name + ": missing value";
        return false;
      }
      value = args[++at];
      if (value.empty()) {
        error = name + ": the value is empty";
        return false;
      }
    }
    std::string reason;
    if (!option->handle(target, value, reason)) {
      error = name + ": " + reason;
      return false;
    }
  }
  return true;
}

}  // namespace

bool parseShard(std::string_view text, int& index, int& count, std::string& reason) {
  const std::size_t slash = text.find('/');
  if (slash == std::string_view::npos) {
    reason = quoteForMessage(text) + " is not i/N (slice i of N)";
    return false;
  }
  int n = 0;
  int i = 0;
  if (!parseNumber(text.substr(slash + 1), 1, kMaxShards, n, reason) ||
      !parseNumber(text.substr(0, slash), 1, n, i, reason)) {
    reason = quoteForMessage(text) + ": " + reason;
    return false;
  }
  index = i;
  count = n;
  return true;
}

bool parseRunArguments(const std::vector<std::string>& args, RunArguments& parsed, std::string& error) {
  Target target{parsed.common, &parsed, nullptr};
  const auto positional = [](Target& t, const std::string& word, std::string& e) {
    return takeProgram(*t.run, word, e);
  };
  if (!parseOptions(kRun, args, target, positional, error)) return false;
  if (parsed.all == !parsed.programs.empty()) {
    error = parsed.all ? "\"all\" and program numbers: give one or the other"
                       : "no programs: give \"all\" or program numbers";
    return false;
  }
  return true;
}

bool parseSearchArguments(const std::vector<std::string>& args, SearchArguments& parsed, std::string& error) {
  Target target{parsed.common, nullptr, &parsed};
  const auto positional = [](Target&, const std::string& word, std::string& e) {
    e = quoteForMessage(word) + ": unexpected argument (see kestrav --help)";
    return false;
  };
  if (!parseOptions(kSearch, args, target, positional, error)) return false;
  if (parsed.gram.empty() == parsed.blocks.empty()) {
    error = parsed.gram.empty() ? "--gram: give the model's Gram code (or --blocks)"
                                : "--gram and --blocks: give one or the other";
    return false;
  }
  if (parsed.layout.empty()) {
    error = "--layout: missing (BothEnds, HeadOnly, TailOnly or Bare)";
    return false;
  }
  if (parsed.total == 0) {
    error = "--total: missing";
    return false;
  }
  return true;
}

}  // namespace kestrav::cli
