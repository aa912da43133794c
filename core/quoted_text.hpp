#pragma once
// User input as error messages show it: in double quotes, on one line
// (control characters escaped as \n, \t, \r, \xNN), and a long text cut to
// its start and end with its length, so that a message stays one short line
// whatever was typed.

#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

namespace kestrav {

// Appends text with '"', '\\' and control characters escaped.
inline void appendEscaped(std::string& out, std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20 || byte == 0x7f) {
      out += "\\x";
      out += kHex[byte >> 4];
      out += kHex[byte & 0xf];
    } else {
      out += c;
    }
  }
}

// A file name as a message shows it: whole, unquoted, on one line.
inline std::string shownName(std::string_view name) {
  std::string out;
  appendEscaped(out, name);
  return out;
}

// "text", or "start...end" (N characters) for a text longer than 40.
inline std::string quoteForMessage(std::string_view text) {
  constexpr std::size_t kWhole = 40, kHead = 24, kTail = 12;
  std::string out = "\"";
  if (text.size() <= kWhole) {
    appendEscaped(out, text);
    out += '"';
    return out;
  }
  // Cut between characters, not inside a UTF-8 sequence.
  const auto continuation = [](char c) { return (static_cast<unsigned char>(c) & 0xc0) == 0x80; };
  std::size_t head = kHead;
  while (head > 0 && continuation(text[head])) --head;
  std::size_t tail = text.size() - kTail;
  while (tail < text.size() && continuation(text[tail])) ++tail;
  appendEscaped(out, text.substr(0, head));
  out += "...";
  appendEscaped(out, text.substr(tail));
  const auto characters =
      text.size() - static_cast<std::size_t>(std::count_if(text.begin(), text.end(), continuation));
  out += "\" (" + std::to_string(characters) + " characters)";
  return out;
}

}  // namespace kestrav
