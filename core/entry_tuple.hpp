#pragma once
// Forms the entry tuple of one composition in a program's layout and hands
// it to the program's model as k unsigned 16-bit arguments.

#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>

#include "core/layout.hpp"

namespace kestrav {

template <Layout L, std::int32_t N>
using EntryTuple = std::array<std::int32_t, static_cast<std::size_t>(N + pinnedCount(L))>;

// The entries as a result record prints them: the multiplier in the pinned
// places, and each product m * c[i] formed in 32 bits.
// The helpers below are always inlined: the pass's constant multiplier must
// reach the model's code for the pinned entries to fold.
template <Layout L, std::int32_t N>
[[gnu::always_inline]] inline EntryTuple<L, N> scaledEntryTuple(const std::uint16_t* composition,
                                                                std::uint16_t multiplier) {
  static_assert(L != Layout::Bare);
  EntryTuple<L, N> entries{};
  std::size_t at = 0;
  if constexpr (pinsHead(L)) entries[at++] = multiplier;
  for (std::int32_t i = 0; i < N; ++i) {
    entries[at++] = static_cast<std::int32_t>(multiplier) * static_cast<std::int32_t>(composition[i]);
  }
  if constexpr (pinsTail(L)) entries[at++] = multiplier;
  return entries;
}

template <std::int32_t N>
[[gnu::always_inline]] inline EntryTuple<Layout::Bare, N> bareEntryTuple(const std::uint16_t* composition) {
  EntryTuple<Layout::Bare, N> entries{};
  for (std::int32_t i = 0; i < N; ++i) entries[static_cast<std::size_t>(i)] = composition[i];
  return entries;
}

namespace detail {
template <class Model, std::size_t K, std::size_t... I>
[[gnu::always_inline]] inline int applyModel(Model& model, const std::array<std::int32_t, K>& entries,
                                             std::index_sequence<I...>) {
  // The model sees each entry reduced to 16 bits, as its arguments are.
  return model(static_cast<std::uint16_t>(entries[I])...);
}
}  // namespace detail

template <class Model, std::size_t K>
[[gnu::always_inline]] inline int applyModel(Model& model, const std::array<std::int32_t, K>& entries) {
  return detail::applyModel(model, entries, std::make_index_sequence<K>{});
}

}  // namespace kestrav
