#pragma once
// How an entry tuple is formed from a composition c1..cn in the pass with
// multiplier m, and the two families of catalogue programs. One name table
// per enum: every front end reads and writes these names through it.
//
//   BothEnds: (m, m*c1 .. m*cn, m)   HeadOnly: (m, m*c1 .. m*cn)
//   TailOnly: (m*c1 .. m*cn, m)      Bare:     (c1 .. cn)

#include <cstddef>
#include <string>
#include <string_view>

namespace kestrav {

enum class Layout { BothEnds, HeadOnly, TailOnly, Bare };
enum class Family { Scaled, Unscaled };

template <class Enum>
struct EnumName {
  Enum value;
  std::string_view name;
};

inline constexpr EnumName<Layout> kLayoutNames[] = {{Layout::BothEnds, "BothEnds"},
                                                    {Layout::HeadOnly, "HeadOnly"},
                                                    {Layout::TailOnly, "TailOnly"},
                                                    {Layout::Bare, "Bare"}};
inline constexpr EnumName<Family> kFamilyNames[] = {{Family::Scaled, "scaled"},
                                                    {Family::Unscaled, "unscaled"}};

template <class Enum, std::size_t N>
constexpr const char* nameIn(const EnumName<Enum> (&table)[N], Enum value) {
  for (const auto& entry : table) {
    if (entry.value == value) return entry.name.data();
  }
  return "?";
}

template <class Enum, std::size_t N>
constexpr bool parseIn(const EnumName<Enum> (&table)[N], std::string_view word, Enum& value) {
  for (const auto& entry : table) {
    if (entry.name == word) {
      value = entry.value;
      return true;
    }
  }
  return false;
}

// "A, B, C or D": the names of a table, for "is not one of" messages.
template <class Enum, std::size_t N>
std::string namesIn(const EnumName<Enum> (&table)[N], std::string_view lastSeparator = " or ") {
  std::string text;
  for (std::size_t i = 0; i < N; ++i) {
    if (i > 0) text += i + 1 == N ? lastSeparator : std::string_view(", ");
    text += table[i].name;
  }
  return text;
}

constexpr const char* layoutName(Layout layout) { return nameIn(kLayoutNames, layout); }
constexpr bool parseLayout(std::string_view word, Layout& layout) {
  return parseIn(kLayoutNames, word, layout);
}
constexpr const char* familyName(Family family) { return nameIn(kFamilyNames, family); }
constexpr bool parseFamily(std::string_view word, Family& family) {
  return parseIn(kFamilyNames, word, family);
}

// Entries of a tuple pinned to the multiplier: 2, 1 or 0.
constexpr int pinnedCount(Layout layout) {
  return layout == Layout::BothEnds ? 2 : layout == Layout::Bare ? 0 : 1;
}
constexpr bool pinsHead(Layout layout) { return layout == Layout::BothEnds || layout == Layout::HeadOnly; }
constexpr bool pinsTail(Layout layout) { return layout == Layout::BothEnds || layout == Layout::TailOnly; }

}  // namespace kestrav
