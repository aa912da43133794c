#include "models/codegen.hpp"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <utility>

#include "core/run_constants.hpp"

namespace kestrav {
namespace {

struct Term {
  bool negative;
  std::string body;  // a product of factors
};
using Sum = std::vector<Term>;
using Monomials = std::vector<std::pair<std::uint32_t, std::int64_t>>;  // subset mask, coefficient

std::string join(const Sum& sum) {
  std::string text;
  std::size_t first = 0;
  while (first < sum.size() && sum[first].negative) ++first;
  if (first == sum.size()) {
    text = "0u";
    first = sum.size();
  } else {
    text = sum[first].body;
  }
  for (std::size_t i = 0; i < sum.size(); ++i) {
    if (i == first) continue;
    text += (sum[i].negative ? " - " : " + ") + sum[i].body;
  }
  return text;
}

Term multiply(const std::string& name, const Sum& inner) {
  if (inner.size() == 1) {
    const Term& only = inner.front();
    return {only.negative, only.body == "1u" ? name : name + " * " + only.body};
  }
  return {false, name + " * (" + join(inner) + ")"};
}

Sum nest(const Monomials& terms, const std::vector<std::string>& names, const std::vector<int>& order,
         std::size_t depth) {
  if (terms.empty()) return {};
  if (depth == order.size() || (terms.size() == 1 && terms.front().first == 0)) {
    const std::int64_t c = terms.front().second;  // only the empty subset is left
    return {{c < 0, std::to_string(std::llabs(c)) + "u"}};
  }
  const int entry = order[depth];
  const std::uint32_t bit = 1u << entry;
  Monomials with;
  Monomials without;
  for (const auto& [mask, c] : terms) {
    if (mask & bit) {
      with.emplace_back(mask & ~bit, c);
    } else {
      without.emplace_back(mask, c);
    }
  }
  Sum result;
  const Sum inner = nest(with, names, order, depth + 1);
  if (!inner.empty()) result.push_back(multiply(names[static_cast<std::size_t>(entry)], inner));
  const Sum rest = nest(without, names, order, depth + 1);
  result.insert(result.end(), rest.begin(), rest.end());
  return result;
}

Monomials nonZeroTerms(const BlockPolynomial& polynomial) {
  Monomials terms;
  for (std::uint32_t mask = 0; mask < polynomial.coefficients.size(); ++mask) {
    if (polynomial.coefficients[mask] != 0) terms.emplace_back(mask, polynomial.coefficients[mask]);
  }
  return terms;
}

std::vector<int> naturalOrder(int size) {
  std::vector<int> order(static_cast<std::size_t>(size));
  for (int j = 0; j < size; ++j) order[static_cast<std::size_t>(j)] = j;
  return order;
}

// Breaks a long expression at blanks so that no line exceeds about 100 columns.
std::string wrap(const std::string& expression, const std::string& indent) {
  std::string out;
  std::size_t column = indent.size();
  std::istringstream words(expression);
  for (std::string word; words >> word;) {
    if (column + word.size() + 1 > 100 && column > indent.size()) {
      out += "\n" + indent;
      column = indent.size();
    } else if (!out.empty()) {
      out += ' ';
      ++column;
    }
    out += word;
    column += word.size();
  }
  return out;
}

// Entries of the block that are the pass's multiplier: constants in each pass.
std::uint32_t pinnedEntriesOf(const VariantSpec& row, const ExpandedBlock& block) {
  std::uint32_t mask = 0;
  for (std::size_t j = 0; j < block.positions.size(); ++j) {
    const int position = block.positions[j];
    if (isPinned(row.layout, position, row.entryCount)) {
      mask |= 1u << j;
    }
  }
  return mask;
}

std::string blockExpression(const VariantSpec& row, const ExpandedBlock& block, ModelStyle style) {
  std::vector<std::string> names;
  for (int position : block.positions) {
    std::string name = "u";
    name += std::to_string(position);
    names.push_back(name);
  }
  const std::vector<int> order = style == ModelStyle::Literal
                                     ? naturalOrder(block.polynomial.size)
                                     : loopNestingOrder(block.positions, pinnedEntriesOf(row, block));
  return hornerExpression(block.polynomial, names, order);
}

std::string describePositions(const std::vector<int>& positions) {
  std::string text;
  for (int p : positions) {
    if (!text.empty()) text += ',';
    text += std::to_string(p);
  }
  return text;
}

}  // namespace

std::string hornerExpression(const BlockPolynomial& polynomial, const std::vector<std::string>& names,
                             const std::vector<int>& order) {
  const Sum sum = nest(nonZeroTerms(polynomial), names, order, 0);
  return sum.empty() ? "0u" : join(sum);
}

std::vector<int> loopNestingOrder(const std::vector<int>& positions, std::uint32_t constantEntries) {
  std::vector<int> order;
  for (int j = 0; j < static_cast<int>(positions.size()); ++j) {
    if (!((constantEntries >> j) & 1u)) order.push_back(j);
  }
  std::stable_sort(order.begin(), order.end(), [&positions](int a, int b) {
    return positions[static_cast<std::size_t>(a)] > positions[static_cast<std::size_t>(b)];
  });
  for (int j = 0; j < static_cast<int>(positions.size()); ++j) {
    if ((constantEntries >> j) & 1u) order.push_back(j);
  }
  return order;
}

std::string modelNamespace(int number, ModelStyle style) {
  return std::string(style == ModelStyle::Literal ? "kestrav::literal::row" : "kestrav::row") +
         std::to_string(number);
}

std::string modelHeader(const VariantSpec& row, const std::vector<ExpandedBlock>& blocks, ModelStyle style) {
  const std::string n = std::to_string(row.number);
  const std::string space = modelNamespace(row.number, style);
  const std::string family = row.family == Family::Scaled ? "Scaled" : "Unscaled";
  std::ostringstream out;
  out << "// Model of kestrav" << n << ", generated by kestrav-gen from row " << n
      << " of models/catalogue.txt. Do not edit.\n";
  for (std::size_t b = 0; b < blocks.size(); ++b) {
    out << "// Block " << b + 1 << ": entries " << describePositions(blocks[b].positions) << ", Gram code "
        << row.blocks[b].gramCode << ", " << termCount(blocks[b].polynomial) << " terms.\n";
  }
  out << "#pragma once\n\n#include <cstdint>\n\n";
  if (row.form == ModelForm::TwoBlock) out << "#include \"core/block_values.hpp\"\n";
  out << "#include \"core/layout.hpp\"\n\n";
  if (style == ModelStyle::Literal)
    out << "// Literal form: natural nesting, for comparison in benchmarks.\n";
  out << "namespace " << space << " {\n\n";
  out << "inline constexpr std::int32_t kProgramNumber = " << n << ";\n";
  out << "inline constexpr kestrav::Family kFamily = kestrav::Family::" << family << ";\n";
  out << "inline constexpr kestrav::Layout kLayout = kestrav::Layout::" << layoutName(row.layout) << ";\n";
  out << "inline constexpr std::int32_t kEntryCount = " << row.entryCount << ";\n";
  out << "inline constexpr std::int32_t kRemovedCount = " << kSlotCount - row.entryCount << ";\n\n";
  // Always inlined, so that each pass loop sees its constant pinned entries.
  out << "[[gnu::always_inline]] inline int CalculDet(";
  for (int i = 1; i <= row.entryCount; ++i) out << (i > 1 ? ", " : "") << "std::uint16_t x" << i;
  out << ") {\n";
  for (int i = 1; i <= row.entryCount; ++i) out << "  const std::uint32_t u" << i << " = x" << i << ";\n";
  const std::string indent = "      ";
  if (row.form == ModelForm::SingleBlock) {
    out << "  const std::uint32_t value =\n"
        << indent << wrap(blockExpression(row, blocks[0], style), indent) << ";\n";
    out << "  return static_cast<std::int32_t>(value);\n";
  } else {
    for (std::size_t b = 0; b < blocks.size(); ++b) {
      out << "  const std::uint32_t block" << b + 1 << " =\n"
          << indent << wrap(blockExpression(row, blocks[b], style), indent) << ";\n";
    }
    out << "  return kestrav::combineBlockValues(static_cast<std::int32_t>(block1),\n"
        << "                                     static_cast<std::int32_t>(block2));\n";
  }
  out << "}\n\n}  // namespace " << space << "\n";
  return out.str();
}

std::string programSource(const VariantSpec& row) {
  const std::string n = std::to_string(row.number);
  std::ostringstream out;
  out << "// kestrav" << n << ": the search core built with row " << n
      << " of models/catalogue.txt.\n// Generated by kestrav-gen. Do not edit.\n";
  out << "#include \"kestrav" << n << "_model.hpp\"\n\n";
  out << "using namespace kestrav::row" << n << ";  // NOLINT: the core uses the row's names\n\n";
  out << "#include \"core/" << (row.family == Family::Scaled ? "scaled" : "unscaled") << "_program.hpp\"\n";
  return out.str();
}

std::string modelTableSource(const std::vector<VariantSpec>& rows) {
  std::ostringstream out;
  out << "// Every catalogue model behind one calling convention. Generated by kestrav-gen.\n";
  out << "#include \"models/model_table.hpp\"\n\n";
  for (const VariantSpec& row : rows) out << "#include \"kestrav" << row.number << "_model.hpp\"\n";
  out << "\nnamespace kestrav {\n\nconst std::vector<GeneratedModel>& generatedModels() {\n";
  out << "  static const std::vector<GeneratedModel> models = {\n";
  for (const VariantSpec& row : rows) {
    out << "      {" << row.number << ", " << row.entryCount << ", [](const std::uint16_t* x) {\n";
    out << "         return row" << row.number << "::CalculDet(";
    for (int i = 0; i < row.entryCount; ++i) out << (i > 0 ? ", " : "") << "x[" << i << "]";
    out << ");\n       }},\n";
  }
  out << "  };\n  return models;\n}\n\n}  // namespace kestrav\n";
  return out.str();
}

}  // namespace kestrav
