#include "models/codegen.hpp"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <set>
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

// A lone numeral such as "2u"; entry names start with a letter.
bool isConstant(const Sum& sum) {
  return sum.size() == 1 && std::isdigit(static_cast<unsigned char>(sum.front().body.front())) != 0;
}

Term multiply(const std::string& name, const Sum& inner) {
  if (inner.size() == 1) {
    const Term& only = inner.front();
    return {only.negative, only.body == "1u" ? name : name + " * " + only.body};
  }
  return {false, name + " * (" + join(inner) + ")"};
}

Monomials nonZeroTerms(const BlockPolynomial& polynomial);

// Multiplications by an entry in a nested form. Every product counts in
// `tree`; `shared` holds each distinct product once, as the compiler
// evaluates a subexpression that occurs more than once only once. Products by
// an entry in `constantEntries` are multiplications by a constant and do not
// count.
struct Tally {
  std::uint32_t constantEntries = 0;
  int tree = 0;
  std::set<std::string> shared;
};

Sum nest(const Monomials& terms, const std::vector<std::string>& names, const std::vector<int>& order,
         std::size_t depth, Tally& tally) {
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
  const Sum inner = nest(with, names, order, depth + 1, tally);
  if (!inner.empty()) {
    const Term product = multiply(names[static_cast<std::size_t>(entry)], inner);
    // A constant factor is a coefficient, not a product of entries.
    if (!isConstant(inner) && !(tally.constantEntries & bit)) {
      ++tally.tree;
      tally.shared.insert(product.body);
    }
    result.push_back(product);
  }
  const Sum rest = nest(without, names, order, depth + 1, tally);
  result.insert(result.end(), rest.begin(), rest.end());
  return result;
}

Tally tallyOf(const BlockPolynomial& polynomial, const std::vector<int>& order,
              std::uint32_t constantEntries) {
  Tally tally;
  tally.constantEntries = constantEntries;
  std::vector<std::string> names;
  for (int j = 0; j < polynomial.size; ++j) {
    std::string name = "x";
    name += std::to_string(j);
    names.push_back(name);
  }
  nest(nonZeroTerms(polynomial), names, order, 0, tally);
  return tally;
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
  Tally tally;
  const Sum sum = nest(nonZeroTerms(polynomial), names, order, 0, tally);
  return sum.empty() ? "0u" : join(sum);
}

int entryMultiplications(const BlockPolynomial& polynomial, const std::vector<int>& order) {
  return tallyOf(polynomial, order, 0).tree;
}

int sharedEntryMultiplications(const BlockPolynomial& polynomial, const std::vector<int>& order,
                               std::uint32_t constantEntries) {
  return static_cast<int>(tallyOf(polynomial, order, constantEntries).shared.size());
}

namespace {

// The polynomial with the constant entries set to 1: what a pass sees once
// the compiler has folded its pinned entries (pass 1, the largest).
BlockPolynomial withConstantsSetToOne(const BlockPolynomial& polynomial, std::uint32_t constantEntries) {
  BlockPolynomial reduced{polynomial.size, std::vector<std::int64_t>(polynomial.coefficients.size(), 0)};
  for (std::uint32_t mask = 0; mask < polynomial.coefficients.size(); ++mask) {
    reduced.coefficients[mask & ~constantEntries] += polynomial.coefficients[mask];
  }
  return reduced;
}

}  // namespace

namespace {
constexpr std::size_t kExhaustiveBelowFirst = 6;
}  // namespace

std::vector<int> chooseNestingOrder(const BlockPolynomial& polynomial, std::uint32_t constantEntries) {
  // The first entry stays outermost; the other constant entries go innermost,
  // where their products fold into the coefficients; the rest are ordered to
  // need few multiplications once the constants are folded. A constant first
  // entry leaves x1 * A + B, and A and B are evaluated apart.
  std::vector<BlockPolynomial> parts;
  if (constantEntries & 1u) {
    BlockPolynomial a{polynomial.size, std::vector<std::int64_t>(polynomial.coefficients.size(), 0)};
    BlockPolynomial b = a;
    for (std::uint32_t mask = 0; mask < polynomial.coefficients.size(); ++mask) {
      (mask & 1u ? a : b).coefficients[mask & ~1u] = polynomial.coefficients[mask];
    }
    parts = {withConstantsSetToOne(a, constantEntries), withConstantsSetToOne(b, constantEntries)};
  } else {
    parts = {withConstantsSetToOne(polynomial, constantEntries)};
  }
  std::vector<int> free = {0};
  std::vector<int> constants;
  for (int j = 1; j < polynomial.size; ++j) ((constantEntries >> j) & 1u ? constants : free).push_back(j);
  const auto cost = [&parts, &constants](const std::vector<int>& head) {
    std::vector<int> order = head;
    order.insert(order.end(), constants.begin(), constants.end());
    std::set<std::string> products;
    for (const BlockPolynomial& part : parts) {
      const Tally tally = tallyOf(part, order, 0);
      products.insert(tally.shared.begin(), tally.shared.end());
    }
    return static_cast<int>(products.size());
  };
  int bestCost = cost(free);
  // Few entries below the first: try every order (at most 720), keeping the
  // first cheapest in lexicographic order.
  if (free.size() <= kExhaustiveBelowFirst + 1) {
    std::vector<int> candidate = free;
    while (std::next_permutation(candidate.begin() + 1, candidate.end())) {
      const int candidateCost = cost(candidate);
      if (candidateCost < bestCost) {
        free = candidate;
        bestCost = candidateCost;
      }
    }
    free.insert(free.end(), constants.begin(), constants.end());
    return free;
  }
  // Otherwise exchange two entries below the first while that saves a
  // multiplication; deterministic, so a row always yields the same code.
  for (bool improved = true; improved;) {
    improved = false;
    for (std::size_t i = 1; i < free.size(); ++i) {
      for (std::size_t j = i + 1; j < free.size(); ++j) {
        std::vector<int> candidate = free;
        std::swap(candidate[i], candidate[j]);
        const int candidateCost = cost(candidate);
        if (candidateCost < bestCost) {
          free = candidate;
          bestCost = candidateCost;
          improved = true;
        }
      }
    }
  }
  free.insert(free.end(), constants.begin(), constants.end());
  return free;
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
