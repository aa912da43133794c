#pragma once
// The command line of kestrav as one table: its subcommands and every option
// of each. The parsing, the help text (and so the manual page) and the bash
// completion all come from it, so that they cannot say different things.

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "kestrav/error.hpp"

namespace kestrav::cli {

enum Command : unsigned { kRun = 1, kSearch = 2, kVerify = 4, kCatalogue = 8, kJoin = 16 };
inline constexpr unsigned kAllCommands = kRun | kSearch | kVerify | kCatalogue | kJoin;

// Options that run and search both take (the search settings): the usage
// shows them as "[options]" and the help lists them apart.
inline constexpr unsigned kSearchSettings = kRun | kSearch;

// What a value is, for the help (the words it may be) and the completion.
enum class ValueKind { None, Text, File, Directory, LayoutName, SimdName, Program };

enum class Presence {
  Optional,
  Required,
  OneOf,  // exactly one of the adjacent OneOf rows is required
};

struct Arguments;

struct Option {
  std::string_view name;
  std::string_view placeholder = {};  // empty: a flag, which takes no value
  unsigned commands = 0;              // the Command bits it belongs to
  ValueKind value = ValueKind::None;
  Presence presence = Presence::Optional;
  bool repeatable = false;
  bool rowGives = false;              // a Required option that search --row may leave out
  std::string_view description;       // one line; the help appends the words of a value kind
  std::string_view whenMissing = {};  // what a missing OneOf group gets said ("missing": Required)
  std::optional<Field> field = {};    // the library's field that the option gives
  // Stores the value (empty for a flag); throws kestrav::Error for a bad
  // one, whose reason the parser prefixes with the option's name.
  void (*store)(Arguments& arguments, std::string_view value) = nullptr;
};

struct Subcommand {
  Command command;
  std::string_view name;
  std::string_view operands;  // the words besides the options, as the usage writes them
  bool operandsFirst;         // written before the options in the usage (or after)
  std::string_view description;
};

std::span<const Option> options();
std::span<const Subcommand> subcommands();
const Subcommand& subcommandOf(Command command);
// The option of that name that the command takes, or null.
const Option* findOption(std::string_view name, Command command);

// The words that ask for the help instead of a subcommand's work.
inline constexpr std::string_view kHelpWords[] = {"--help", "-h"};
bool asksForHelp(std::string_view word);
// The word that asks for the version.
inline constexpr std::string_view kVersionWord = "--version";

// The words a value may be (layout and SIMD names, from the library's
// tables); empty when any text will do.
std::vector<std::string_view> valueWords(ValueKind kind);

// "A, B or C", "A and B": words joined for a message or the help.
std::string joined(const std::vector<std::string_view>& words, std::string_view last = " or ");
// The names of the subcommands with those Command bits, in table order.
std::vector<std::string_view> commandNames(unsigned commands);

// A library error as the command says it: "--total: REASON", named by the
// option of the command that gives its field.
std::string messageOf(const Error& error, Command command);

}  // namespace kestrav::cli
