#include "models/horner_expression.hpp"

#include <cstddef>
#include <cstdint>
#include <utility>

namespace kestrav {
namespace {

// One term of a nested sum: a sign, the entries factored out (outermost
// first), and last either a constant or a parenthesised sum of two or more
// terms.
struct Term {
  bool negative = false;
  std::vector<int> entries;
  std::uint64_t constant = 1;  // the magnitude of the coefficient; 1 when sum is set
  std::vector<Term> sum;
};
using Sum = std::vector<Term>;
using Monomials = std::vector<std::pair<std::uint32_t, std::int64_t>>;  // subset mask, coefficient

// entry * inner: a single term takes the entry in front of its own factors
// (a unit constant then stays unwritten), a longer sum is parenthesised.
Term multiply(int entry, Sum inner) {
  if (inner.size() == 1) {
    Term term = std::move(inner.front());
    term.entries.insert(term.entries.begin(), entry);
    return term;
  }
  Term term;
  term.entries = {entry};
  term.sum = std::move(inner);
  return term;
}

Sum nest(const Monomials& terms, const std::vector<int>& order, std::size_t depth) {
  if (terms.empty()) return {};
  if (depth == order.size() || (terms.size() == 1 && terms.front().first == 0)) {
    const std::int64_t c = terms.front().second;  // only the empty subset is left
    Term term;
    term.negative = c < 0;
    term.constant = c < 0 ? 0 - static_cast<std::uint64_t>(c) : static_cast<std::uint64_t>(c);
    return {term};
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
  Sum inner = nest(with, order, depth + 1);
  if (!inner.empty()) result.push_back(multiply(entry, std::move(inner)));
  Sum rest = nest(without, order, depth + 1);
  for (Term& term : rest) result.push_back(std::move(term));
  return result;
}

Monomials nonZeroTerms(const BlockPolynomial& polynomial) {
  Monomials terms;
  for (std::uint32_t mask = 0; mask < polynomial.coefficients.size(); ++mask) {
    if (polynomial.coefficients[mask] != 0) terms.emplace_back(mask, polynomial.coefficients[mask]);
  }
  return terms;
}

std::string render(const Sum& sum, const std::vector<std::string>& names);

// A term without its sign: its factors joined by " * ", a unit constant
// left out unless it is the whole term.
std::string render(const Term& term, const std::vector<std::string>& names) {
  std::string text;
  for (int entry : term.entries) {
    if (!text.empty()) text += " * ";
    text += names[static_cast<std::size_t>(entry)];
  }
  if (!term.sum.empty()) {
    text += text.empty() ? "(" : " * (";
    text += render(term.sum, names);
    text += ')';
  } else if (term.constant != 1 || term.entries.empty()) {
    if (!text.empty()) text += " * ";
    text += std::to_string(term.constant);
    text += 'u';
  }
  return text;
}

// The terms in order, except that the first positive one leads, so that the
// sum starts without a minus; with none positive (or none at all) it starts
// from 0u.
std::string render(const Sum& sum, const std::vector<std::string>& names) {
  std::size_t first = 0;
  while (first < sum.size() && sum[first].negative) ++first;
  std::string text = first == sum.size() ? "0u" : render(sum[first], names);
  for (std::size_t i = 0; i < sum.size(); ++i) {
    if (i == first) continue;
    text += sum[i].negative ? " - " : " + ";
    text += render(sum[i], names);
  }
  return text;
}

}  // namespace

std::string hornerExpression(const BlockPolynomial& polynomial, const std::vector<std::string>& names,
                             const std::vector<int>& order) {
  return render(nest(nonZeroTerms(polynomial), order, 0), names);
}

}  // namespace kestrav
