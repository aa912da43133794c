#include "cli/arguments.hpp"

#include <algorithm>
#include <limits>
#include <string_view>

#include "kestrav/values.hpp"

namespace kestrav::cli {
namespace {

// A program number of run or verify ("all" too for run).
bool takeProgram(Command command, const std::string& word, Arguments& parsed, std::string& error) {
  if (command == kRun && word == "all") {
    if (parsed.all) {
      error = "\"all\": given twice";
      return false;
    }
    parsed.all = true;
    return true;
  }
  if (word.empty() || word.find_first_not_of("0123456789") != std::string::npos) {
    error = kestrav::quoted(word) +
            (command == kRun ? ": not a program number or \"all\"" : ": not a program number");
    return false;
  }
  int number = 0;
  try {
    // 0 is a number like 76: the catalogue says that it has no such program.
    number = parseWholeNumber(Field::Program, word, 0, std::numeric_limits<int>::max());
  } catch (const Error& bad) {
    error = "program " + bad.reason();
    return false;
  }
  if (std::find(parsed.programs.begin(), parsed.programs.end(), number) != parsed.programs.end()) {
    error = "program " + std::to_string(number) + ": given twice";
    return false;
  }
  parsed.programs.push_back(number);
  return true;
}

// The words that are not options: run's programs, verify's directory and
// programs; search takes none.
bool takeOperand(Command command, const std::string& word, Arguments& parsed, std::string& error) {
  if (command == kJoin) {
    if (word.empty()) {
      error = "\"\": not a file name";
      return false;
    }
    parsed.parts.push_back(word);
    return true;
  }
  if (command == kSearch) {
    error = kestrav::quoted(word) + ": unexpected argument (see --help)";
    return false;
  }
  if (command == kVerify && parsed.directory.empty()) {
    if (word.empty()) {
      error = "\"\": not a directory name";
      return false;
    }
    parsed.directory = word;
    return true;
  }
  return takeProgram(command, word, parsed, error);
}

// Where "--total=50" has its '=' (GNU's form of "--total 50"), or npos.
// The name ends at the first '=': a value may hold more (in a Gram code,
// '=' is -2).
std::size_t valueAt(const std::string& word) {
  return word.rfind("--", 0) == 0 ? word.find('=') : std::string::npos;
}

// "--threads: an option of kestrav run and search, not of verify", or unknown.
std::string notAnOption(const std::string& word, Command command) {
  unsigned others = 0;
  for (const Option& option : options()) {
    if (option.name == word) others |= option.commands;
  }
  if (others == 0) return kestrav::quoted(word) + ": unknown option (see --help)";
  return word + ": an option of kestrav " + joined(commandNames(others), " and ") + ", not of " +
         std::string(subcommandOf(command).name);
}

// Every Required option given, and one of each group of OneOf options.
bool checkPresence(Command command, const std::vector<bool>& seen, const Arguments& parsed,
                   std::string& error) {
  const std::span<const Option> table = options();
  for (std::size_t i = 0; i < table.size(); ++i) {
    const Option& option = table[i];
    if ((option.commands & command) == 0) continue;
    if (option.presence == Presence::OneOf && (i == 0 || table[i - 1].presence != Presence::OneOf)) {
      std::vector<std::string_view> given;
      std::size_t end = i;
      for (; end < table.size() && table[end].presence == Presence::OneOf; ++end) {
        if (seen[end]) given.push_back(table[end].name);
      }
      if (given.size() > 1) {
        error = joined(given, " and ") + ": give one or the other";
        return false;
      }
      if (given.empty()) {
        error = std::string(option.name) + ": " + std::string(option.whenMissing);
        return false;
      }
    }
    if (option.presence == Presence::Required && !seen[i] && !(option.rowGives && parsed.row)) {
      error = std::string(option.name) + ": missing";
      const std::vector<std::string_view> words = valueWords(option.value);
      if (!words.empty()) error += " (" + joined(words) + ")";
      return false;
    }
  }
  return true;
}

}  // namespace

bool parseArguments(Command command, const std::vector<std::string>& words, Arguments& parsed,
                    std::string& error) {
  const std::span<const Option> table = options();
  std::vector<bool> seen(table.size(), false);
  for (std::size_t at = 0; at < words.size(); ++at) {
    const std::size_t equals = valueAt(words[at]);
    const std::string word = words[at].substr(0, equals);
    const Option* option = findOption(word, command);
    if (option == nullptr) {
      if (!word.empty() && word.front() == '-') {
        error = notAnOption(word, command);
        return false;
      }
      if (!takeOperand(command, word, parsed, error)) return false;
      continue;
    }
    const std::string name(option->name);
    const auto row = static_cast<std::size_t>(option - table.data());
    if (seen[row] && !option->repeatable) {
      error = name + ": given twice";
      return false;
    }
    seen[row] = true;
    std::string_view value;
    if (equals != std::string::npos) {
      if (option->placeholder.empty()) {
        error = name + ": takes no value";
        return false;
      }
      value = std::string_view(words[at]).substr(equals + 1);
      if (value.empty()) {
        error = name + ": the value is empty";
        return false;
      }
    } else if (!option->placeholder.empty()) {
      // A Gram code may start with '-', so only the command's own option
      // names are not taken as a value.
      if (at + 1 == words.size() ||
          findOption(words[at + 1].substr(0, valueAt(words[at + 1])), command) != nullptr) {
        error = name + ": missing value";
        return false;
      }
      value = words[++at];
      if (value.empty()) {
        error = name + ": the value is empty";
        return false;
      }
    }
    try {
      option->store(parsed, value);
    } catch (const Error& bad) {
      error = name + ": " + bad.reason();
      return false;
    }
  }
  if (command == kRun && parsed.all == !parsed.programs.empty()) {
    error = parsed.all ? "\"all\" and program numbers: give one or the other"
                       : "no programs: give \"all\" or program numbers";
    return false;
  }
  if (command == kVerify && parsed.directory.empty()) {
    error = "no directory of result files given";
    return false;
  }
  if (command == kJoin && parsed.parts.empty()) {
    error = "no parts to join";
    return false;
  }
  return checkPresence(command, seen, parsed, error);
}

}  // namespace kestrav::cli
