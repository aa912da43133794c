#include "cli/help_text.hpp"

#include <algorithm>
#include <vector>

#include "cli/build_commit.hpp"
#include "cli/options.hpp"
#include "kestrav/layout.hpp"
#include "kestrav/version.hpp"

namespace kestrav::cli {
namespace {

constexpr std::size_t kWidth = 80;
constexpr std::size_t kIndent = 10;        // of a subcommand's text, after its name
constexpr std::size_t kOptionColumn = 32;  // where an option's description starts

// Appends `first` and then the items, separated by blanks and wrapped at
// kWidth with continuation lines indented by `indent`; an item is never cut.
void appendWrapped(std::string& out, std::string first, const std::vector<std::string>& items,
                   std::size_t indent, std::size_t width = kWidth) {
  std::string line = std::move(first);
  bool lineHasItems = false;
  for (const std::string& item : items) {
    if (lineHasItems && line.size() + 1 + item.size() > width) {
      out += line + '\n';
      line.assign(indent, ' ');
      lineHasItems = false;
    }
    if (lineHasItems) line += ' ';
    line += item;
    lineHasItems = true;
  }
  out += line + '\n';
}

// The same for the words of a text.
void appendWrapped(std::string& out, std::string first, std::string_view text, std::size_t indent) {
  std::vector<std::string> words;
  std::size_t start = 0;
  while ((start = text.find_first_not_of(' ', start)) != std::string_view::npos) {
    const std::size_t end = std::min(text.find(' ', start), text.size());
    words.emplace_back(text.substr(start, end - start));
    start = end;
  }
  appendWrapped(out, std::move(first), words, indent);
}

std::string padded(std::string text, std::size_t width) {
  text.resize(std::max(width, text.size() + 1), ' ');
  return text;
}

// "(m,m*c..,m)": the tuple a layout forms from a composition c in the pass
// of multiplier m.
std::string tupleForm(Layout layout) {
  return std::string("(") + (pinsHead(layout) ? "m," : "") + "m*c.." + (pinsTail(layout) ? ",m" : "") + ")";
}

// The words a value may be, as the help lists them.
std::string valueText(ValueKind kind) {
  if (kind != ValueKind::LayoutName) return joined(valueWords(kind));
  std::vector<std::string> forms;
  for (const auto& entry : kLayoutNames)
    forms.push_back(std::string(entry.name) + " " + tupleForm(entry.value));
  return joined(std::vector<std::string_view>(forms.begin(), forms.end()));
}

}  // namespace

// Appended piece by piece here and below: GCC 12 warns wrongly,
// -Wrestrict, about "x" + ...
std::string optionLabel(const Option& option) {
  std::string label(option.name);
  if (option.placeholder.empty()) return label;
  label += ' ';
  label += option.placeholder;
  return label;
}

std::string optionDescription(const Option& option) {
  std::string description(option.description);
  const std::string words = valueText(option.value);
  if (!words.empty()) {
    description += ' ';
    description += words;
  }
  return description;
}

namespace {

// An option's line: `first`, its label and, from `column` on, its description.
void appendOption(std::string& out, const std::string& first, const Option& option,
                  std::size_t column = kOptionColumn) {
  appendWrapped(out, padded(first + optionLabel(option), column), optionDescription(option), column);
}

}  // namespace

bool isSetting(const Option& option) { return option.commands == kSearchSettings; }

namespace {

// "--blocks POS:CODE...": an option as the usage writes it.
std::string usageWord(const Option& option) {
  std::string word = optionLabel(option);
  if (option.repeatable) word += "...";
  return word;
}

// The usage of a subcommand after its name: its operands, its options
// (required ones bare, a group of which one is required in parentheses,
// optional ones in brackets) and "[options]" for the search settings.
std::vector<std::string> usageOf(const Subcommand& subcommand) {
  std::vector<std::string> items;
  if (subcommand.operandsFirst && !subcommand.operands.empty()) items.emplace_back(subcommand.operands);
  bool settings = false;
  std::string group;  // the OneOf options so far: "--gram CODE | --blocks POS:CODE..."
  const auto closeGroup = [&items, &group] {
    if (group.empty()) return;
    items.push_back(group.insert(0, 1, '(') + ')');
    group.clear();
  };
  for (const Option& option : options()) {
    if ((option.commands & subcommand.command) == 0) continue;
    if (isSetting(option)) {
      settings = true;
      continue;
    }
    if (option.presence == Presence::OneOf) {
      if (!group.empty()) group += " | ";
      group += usageWord(option);
      continue;
    }
    closeGroup();
    std::string item = usageWord(option);
    if (option.presence == Presence::Optional) item.insert(0, 1, '[').push_back(']');
    items.push_back(std::move(item));
  }
  closeGroup();
  if (settings) items.emplace_back("[options]");
  if (!subcommand.operandsFirst && !subcommand.operands.empty()) items.emplace_back(subcommand.operands);
  return items;
}

void appendUsage(std::string& out, std::string_view lead, std::string_view program,
                 const Subcommand& subcommand, std::size_t width = kWidth) {
  std::string first = std::string(lead) + std::string(program) + " ";
  const std::size_t indent = first.size();
  appendWrapped(out, first, usageOf(subcommand), indent, width);
}

}  // namespace

std::string usageText(std::string_view program, const Subcommand& subcommand, std::size_t width) {
  std::string out;
  appendUsage(out, "", program, subcommand, width);
  return out;
}

std::string helpText() {
  std::string out;
  bool firstUsage = true;
  for (const Subcommand& subcommand : subcommands()) {
    appendUsage(out, firstUsage ? "usage: " : "       ", "kestrav " + std::string(subcommand.name),
                subcommand);
    firstUsage = false;
  }
  out += "       kestrav ";
  out += kHelpWords[0];
  out += " | ";
  out += kVersionWord;
  out += "\n\n";
  for (const Subcommand& subcommand : subcommands()) {
    appendWrapped(out, padded(std::string(subcommand.name), kIndent), subcommand.description, kIndent);
    for (const Option& option : options()) {
      if ((option.commands & subcommand.command) != 0 && !isSetting(option))
        appendOption(out, std::string(kIndent, ' '), option);
    }
  }
  std::string lead = padded("options", kIndent);
  for (const Option& option : options()) {
    if (!isSetting(option)) continue;
    appendOption(out, lead, option);
    lead.assign(kIndent, ' ');
  }
  out += "Values are exact: zero is exactly zero. Bad arguments or manifest: status 2.\n";
  out += "Status 1: a file not written, missing or wrong; a part refused. Signal N: 128+N\n";
  return out;
}

std::string versionText(std::string_view program) {
  std::string text(program);
  text += ' ';
  text += version();
  text += " (git ";
  text += buildCommit();
  text += ")\n";
  return text;
}

std::string verifyToolHelpText(std::string_view program) {
  const Subcommand& verify = subcommandOf(kVerify);
  std::string out;
  appendUsage(out, "usage: ", program, verify);
  out += "       ";
  out += program;
  out += ' ';
  out += kHelpWords[0];
  out += " | ";
  out += kVersionWord;
  out += "\n\n";
  appendWrapped(out, "", verify.description, 0);
  for (const Option& option : options()) {
    if ((option.commands & kVerify) != 0) appendOption(out, "  ", option, kOptionColumn - kIndent + 2);
  }
  return out;
}

}  // namespace kestrav::cli
