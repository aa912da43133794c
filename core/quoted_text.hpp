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

// The length of the valid UTF-8 sequence that starts text (1 to 4), or 0
// when it does not start one (a stray continuation byte, an overlong or
// surrogate form, a sequence cut short).
inline std::size_t utf8SequenceLength(std::string_view text) {
  const auto byte = [&text](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xbf;  // the range of the second byte
  if (lead < 0x80) return 1;
  if (lead >= 0xc2 && lead <= 0xdf) {
    length = 2;
  } else if (lead >= 0xe0 && lead <= 0xef) {
    length = 3;
    if (lead == 0xe0) low = 0xa0;
    if (lead == 0xed) high = 0x9f;
  } else if (lead >= 0xf0 && lead <= 0xf4) {
    length = 4;
    if (lead == 0xf0) low = 0x90;
    if (lead == 0xf4) high = 0x8f;
  } else {
    return 0;
  }
  if (text.size() < length || byte(1) < low || byte(1) > high) return 0;
  for (std::size_t i = 2; i < length; ++i) {
    if ((byte(i) & 0xc0) != 0x80) return 0;
  }
  return length;
}

// Appends text with '"', '\\' and control characters escaped. Valid UTF-8
// characters are kept whole; a byte that is not part of one is escaped as
// \xNN, so that the result is always valid UTF-8.
inline void appendEscaped(std::string& out, std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  const auto escapeByte = [&out](unsigned char byte) {
    out += "\\x";
    out += kHex[byte >> 4];
    out += kHex[byte & 0xf];
  };
  for (std::size_t i = 0; i < text.size();) {
    const char c = text[i];
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x80) {
      const std::size_t length = utf8SequenceLength(text.substr(i));
      if (length == 0) {
        escapeByte(byte);
        ++i;
      } else {
        out.append(text.substr(i, length));
        i += length;
      }
      continue;
    }
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
      escapeByte(byte);
    } else {
      out += c;
    }
    ++i;
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
