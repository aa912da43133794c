#include "cli/completion.hpp"

#include <vector>

#include "cli/options.hpp"
#include "kestrav/catalogue.hpp"

namespace kestrav::cli {
namespace {

std::string wordList(const std::vector<std::string>& words) {
  std::string text;
  for (const std::string& word : words) text += (text.empty() ? "" : " ") + word;
  return text;
}

std::string completeFrom(const std::string& words) {
  return "mapfile -t COMPREPLY < <(compgen -W \"" + words + "\" -- \"$current\")";
}

// Files or directories, shown and quoted as bash shows file names.
std::string completeNames(const char* kind) {
  return "compopt -o filenames 2> /dev/null || true; mapfile -t COMPREPLY < <(compgen " + std::string(kind) +
         " -- \"$current\")";
}

// The numbers of the catalogue's rows.
std::vector<std::string> programNumbers() {
  std::vector<std::string> numbers;
  for (const CatalogueRow& row : Catalogue::builtIn().rows()) numbers.push_back(std::to_string(row.number));
  return numbers;
}

// What follows one of the command's options that takes a value.
std::string valueCase(const Option& option) {
  const std::string pattern = "        " + std::string(option.name) + ") ";
  switch (option.value) {
    case ValueKind::File:
      return pattern + completeNames("-f") + "; return ;;\n";
    case ValueKind::Directory:
      return pattern + completeNames("-d") + "; return ;;\n";
    case ValueKind::LayoutName:
    case ValueKind::SimdName: {
      std::vector<std::string> words;
      for (std::string_view word : valueWords(option.value)) words.emplace_back(word);
      return pattern + completeFrom(wordList(words)) + "; return ;;\n";
    }
    case ValueKind::Program:
      return pattern + completeFrom(wordList(programNumbers())) + "; return ;;\n";
    case ValueKind::Text:
    case ValueKind::None:
      break;
  }
  return pattern + "return ;;\n";  // a value to type: nothing to offer
}

// The words besides the options: run's programs, verify's directory or
// file, join's parts.
std::string operandCompletion(Command command) {
  if (command == kRun) {
    std::vector<std::string> programs = programNumbers();
    programs.insert(programs.begin(), "all");
    return completeFrom(wordList(programs));
  }
  if (command == kCatalogue) return completeFrom(wordList(programNumbers()));
  if (command == kVerify || command == kJoin) return completeNames("-f");
  return {};
}

std::string subcommandCase(const Subcommand& subcommand) {
  std::vector<std::string> names;
  std::string values;
  for (const Option& option : options()) {
    if ((option.commands & subcommand.command) == 0) continue;
    names.emplace_back(option.name);
    if (!option.placeholder.empty()) values += valueCase(option);
  }
  names.emplace_back(kHelpWords[0]);
  std::string text = "    " + std::string(subcommand.name) + ")\n";
  if (!values.empty()) text += "      case $previous in\n" + values + "      esac\n";
  const std::string operands = operandCompletion(subcommand.command);
  if (operands.empty()) {
    text += "      " + completeFrom(wordList(names)) + "\n";
  } else {
    text += "      if [[ $current == -* ]]; then\n        " + completeFrom(wordList(names)) +
            "\n      else\n        " + operands + "\n      fi\n";
  }
  return text + "      ;;\n";
}

}  // namespace

std::string bashCompletion() {
  std::vector<std::string> first;
  for (const Subcommand& subcommand : subcommands()) first.emplace_back(subcommand.name);
  first.emplace_back(kHelpWords[0]);
  first.emplace_back(kVersionWord);
  std::string cases;
  for (const Subcommand& subcommand : subcommands()) cases += subcommandCase(subcommand);
  return "# Bash completion for kestrav: subcommands, their options, and the values\n"
         "# of the options that take one of a few words, a file or a directory.\n"
         "# Written by kestrav-cli-gen from the command's table of options; installed\n"
         "# into share/bash-completion/completions/kestrav.\n"
         "\n"
         "_kestrav() {\n"
         "  local current=${COMP_WORDS[COMP_CWORD]} previous=${COMP_WORDS[COMP_CWORD - 1]}\n"
         "  if [ \"$COMP_CWORD\" -eq 1 ]; then\n"
         "    " +
         completeFrom(wordList(first)) +
         "\n"
         "    return\n"
         "  fi\n"
         "  case ${COMP_WORDS[1]} in\n" +
         cases +
         "  esac\n"
         "}\n"
         "complete -F _kestrav kestrav\n";
}

}  // namespace kestrav::cli
