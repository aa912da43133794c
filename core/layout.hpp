#pragma once
// How a program forms its entry tuple from a composition, and which entries
// are pinned to the pass's multiplier.

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kestrav {

enum class Family { Scaled, Unscaled };

// BothEnds: (m, m*c1 .. m*cn, m)   HeadOnly: (m, m*c1 .. m*cn)
// TailOnly: (m*c1 .. m*cn, m)      Bare:     (c1 .. cn), unscaled only
enum class Layout { BothEnds, HeadOnly, TailOnly, Bare };

constexpr std::int32_t pinnedCount(Layout layout) {
  switch (layout) {
    case Layout::BothEnds:
      return 2;
    case Layout::HeadOnly:
    case Layout::TailOnly:
      return 1;
    case Layout::Bare:
      return 0;
  }
  return 0;
}

constexpr bool pinsHead(Layout layout) { return layout == Layout::BothEnds || layout == Layout::HeadOnly; }

constexpr bool pinsTail(Layout layout) { return layout == Layout::BothEnds || layout == Layout::TailOnly; }

// Whether entry `position` (1-based) of a k-entry tuple is pinned.
constexpr bool isPinned(Layout layout, int position, int entryCount) {
  return (pinsHead(layout) && position == 1) || (pinsTail(layout) && position == entryCount);
}

// The names the catalogue and the command use, one table per enum.
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

constexpr const char* layoutName(Layout layout) { return nameIn(kLayoutNames, layout); }
constexpr bool parseLayout(std::string_view word, Layout& layout) {
  return parseIn(kLayoutNames, word, layout);
}
constexpr const char* familyName(Family family) { return nameIn(kFamilyNames, family); }
constexpr bool parseFamily(std::string_view word, Family& family) {
  return parseIn(kFamilyNames, word, family);
}

}  // namespace kestrav
