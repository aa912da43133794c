#include "cli/arguments.hpp"

#include <charconv>

namespace kestrav::cli {
namespace {

bool parseInt(std::string_view text, int& value) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return !text.empty() && ec == std::errc() && end == text.data() + text.size();
}

// Walks the arguments, handing each option its value.
class ArgumentCursor {
 public:
  explicit ArgumentCursor(const std::vector<std::string>& args) : args_(args) {}
  bool done() const { return at_ >= args_.size(); }
  const std::string& take() { return args_[at_++]; }
  bool value(const std::string& option, std::string& value, std::string& error) {
    // A Gram code may start with '-', so any next word is taken as the value.
    if (done()) {
      error = option + ": missing value";
      return false;
    }
    value = take();
    return true;
  }

 private:
  const std::vector<std::string>& args_;
  std::size_t at_ = 0;
};

// Options both commands take. Returns 1 when handled, 0 when not one of
// them, -1 on an error.
int parseCommon(const std::string& option, ArgumentCursor& cursor, CommonOptions& common,
                std::string& error) {
  std::string value;
  if (option == "--progress") {
    common.progress = true;
    return 1;
  }
  if (option == "--threads") {
    if (!cursor.value(option, value, error)) return -1;
    if (!parseInt(value, common.threads) || common.threads < 1 || common.threads > 256) {
      error = "--threads: \"" + value + "\" is not a thread count 1..256";
      return -1;
    }
    return 1;
  }
  if (option == "--shard") {
    if (!cursor.value(option, value, error)) return -1;
    if (!parseShard(value, common.shardIndex, common.shardCount)) {
      error = "--shard: \"" + value + "\" is not i/N with 1 <= i <= N";
      return -1;
    }
    return 1;
  }
  if (option == "--simd") {
    if (!cursor.value(option, value, error)) return -1;
    engine::SimdLevel level{};
    if (!engine::parseSimdLevel(value.c_str(), level)) {
      error = "--simd: \"" + value + "\" is not one of scalar, sse2, avx2, avx512";
      return -1;
    }
    if (!engine::simdLevelAvailable(level)) {
      error = "--simd: " + value + " is not available on this processor or in this build";
      return -1;
    }
    common.simd = level;
    return 1;
  }
  if (option == "--tail") {
    if (!cursor.value(option, value, error)) return -1;
    if (!parseInt(value, common.tailLength) || common.tailLength < 1 ||
        common.tailLength > engine::kMaxTailLength) {
      error = "--tail: \"" + value + "\" is not 1.." + std::to_string(engine::kMaxTailLength);
      return -1;
    }
    return 1;
  }
  return 0;
}

}  // namespace

bool parseShard(const std::string& text, int& index, int& count) {
  const std::size_t slash = text.find('/');
  if (slash == std::string::npos) return false;
  const std::string_view view(text);
  return parseInt(view.substr(0, slash), index) && parseInt(view.substr(slash + 1), count) && count >= 1 &&
         index >= 1 && index <= count;
}

bool parseRunArguments(const std::vector<std::string>& args, RunArguments& parsed, std::string& error) {
  ArgumentCursor cursor(args);
  while (!cursor.done()) {
    const std::string& word = cursor.take();
    const int common = parseCommon(word, cursor, parsed.common, error);
    if (common < 0) return false;
    if (common > 0) continue;
    if (word == "--out") {
      if (!cursor.value(word, parsed.outDirectory, error)) return false;
    } else if (word == "--catalogue") {
      if (!cursor.value(word, parsed.catalogueFile, error)) return false;
    } else if (word == "all") {
      parsed.all = true;
    } else if (word.rfind('-', 0) == 0) {
      error = word + ": unknown option (see kestrav --help)";
      return false;
    } else {
      int number = 0;
      if (!parseInt(word, number) || number < 1) {
        error = "\"" + word + "\": not a program number or \"all\"";
        return false;
      }
      parsed.programs.push_back(number);
    }
  }
  if (parsed.all == !parsed.programs.empty()) {
    error = parsed.all ? "\"all\" and program numbers: give one or the other"
                       : "no programs: give \"all\" or program numbers";
    return false;
  }
  return true;
}

bool parseSearchArguments(const std::vector<std::string>& args, SearchArguments& parsed, std::string& error) {
  ArgumentCursor cursor(args);
  bool totalGiven = false;
  std::string value;
  while (!cursor.done()) {
    const std::string& word = cursor.take();
    const int common = parseCommon(word, cursor, parsed.common, error);
    if (common < 0) return false;
    if (common > 0) continue;
    if (word == "--gram") {
      if (!cursor.value(word, parsed.gram, error)) return false;
    } else if (word == "--blocks") {
      if (!cursor.value(word, value, error)) return false;
      // Blocks may come one per --blocks or blank-separated in one argument.
      std::size_t start = 0;
      while ((start = value.find_first_not_of(' ', start)) != std::string::npos) {
        const std::size_t end = value.find(' ', start);
        parsed.blocks.push_back(value.substr(start, end - start));
        start = end;
      }
    } else if (word == "--layout") {
      if (!cursor.value(word, parsed.layout, error)) return false;
    } else if (word == "--total") {
      if (!cursor.value(word, value, error)) return false;
      if (!parseInt(value, parsed.total)) {
        error = "--total: \"" + value + "\" is not a whole number";
        return false;
      }
      totalGiven = true;
    } else if (word == "--multipliers") {
      if (!cursor.value(word, value, error)) return false;
      parsed.multipliers.clear();
      std::size_t start = 0;
      while (true) {
        const std::size_t comma = value.find(',', start);
        int m = 0;
        if (!parseInt(std::string_view(value).substr(start, comma - start), m) || m < 1) {
          error = "--multipliers: \"" + value + "\" is not a comma list of positive numbers";
          return false;
        }
        parsed.multipliers.push_back(m);
        if (comma == std::string::npos) break;
        start = comma + 1;
      }
    } else if (word == "--out") {
      if (!cursor.value(word, parsed.outFile, error)) return false;
    } else {
      error = word + ": unknown argument (see kestrav --help)";
      return false;
    }
  }
  if (parsed.gram.empty() == parsed.blocks.empty()) {
    error = parsed.gram.empty() ? "--gram: give the model's Gram code (or --blocks)"
                                : "--gram and --blocks: give one or the other";
    return false;
  }
  if (parsed.layout.empty()) {
    error = "--layout: missing (BothEnds, HeadOnly, TailOnly or Bare)";
    return false;
  }
  if (!totalGiven) {
    error = "--total: missing";
    return false;
  }
  return true;
}

}  // namespace kestrav::cli
