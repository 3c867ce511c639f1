// quoting.cpp - shell quoting of names, with $'...' for the bytes that are
// not printable.
#include "cli/quoting.h"

namespace cli {

namespace {

bool printable(unsigned char c) { return c >= 0x20 && c < 0x7f; }

// One byte inside $'...'.
void append_escaped(std::string& text, unsigned char c) {
  static constexpr char octal[] = "01234567";
  switch (c) {
    case '\a':
      text += "\\a";
      return;
    case '\b':
      text += "\\b";
      return;
    case '\f':
      text += "\\f";
      return;
    case '\n':
      text += "\\n";
      return;
    case '\r':
      text += "\\r";
      return;
    case '\t':
      text += "\\t";
      return;
    case '\v':
      text += "\\v";
      return;
    default:
      text += '\\';
      text += octal[c >> 6];
      text += octal[(c >> 3) & 7];
      text += octal[c & 7];
  }
}

}  // namespace

std::string quoted_name(std::string_view name) {
  bool all_printable = true;
  bool single_quote = false;
  for (const char c : name) {
    if (!printable(static_cast<unsigned char>(c))) all_printable = false;
    if (c == '\'') single_quote = true;
  }
  if (all_printable && !single_quote) return "'" + std::string(name) + "'";
  // Double quotes hold a single quote safely unless a character that
  // double quotes still expand stands in the name too.
  if (all_printable && name.find_first_of("\"$`\\") == std::string_view::npos) {
    return "\"" + std::string(name) + "\"";
  }
  // Runs of printable bytes in single quotes, everything else in $'...',
  // side by side as one shell word: 'a'$'\n''b'.
  std::string text;
  bool in_plain = false;
  bool in_escaped = false;
  for (const char ch : name) {
    const auto c = static_cast<unsigned char>(ch);
    if (printable(c) && c != '\'') {
      if (in_escaped) text += '\'';
      if (!in_plain) text += '\'';
      in_escaped = false;
      in_plain = true;
      text += ch;
      continue;
    }
    if (in_plain) text += '\'';
    in_plain = false;
    if (!in_escaped) text += "$'";
    in_escaped = true;
    if (c == '\'') {
      text += "\\'";
    } else {
      append_escaped(text, c);
    }
  }
  if (in_plain || in_escaped) text += '\'';
  if (text.empty()) text = "''";
  return text;
}

std::string shown_name(std::string_view name) {
  if (name.empty()) return quoted_name(name);
  for (const char c : name) {
    if (!printable(static_cast<unsigned char>(c))) return quoted_name(name);
  }
  return std::string(name);
}

}  // namespace cli
