// diagnostics.cpp - printing findings with their line and caret.
#include "cli/diagnostics.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "recordio/messages.h"
#include "recordio/platform.h"

namespace cli {

namespace {

constexpr std::string_view severity_words[] = {"error", "warning", "note"};

bool shows_as_itself(unsigned char c) { return c >= 0x20 && c < 0x7f; }

void put(std::string_view text) { std::fwrite(text.data(), 1, text.size(), stderr); }

}  // namespace

std::string printable(std::string_view line, std::int32_t& caret_at) {
  static constexpr char hex[] = "0123456789ABCDEF";
  std::string shown;
  std::int32_t moved = caret_at;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const auto c = static_cast<unsigned char>(line[i]);
    if (static_cast<std::int64_t>(i) + 1 == caret_at)
      moved = static_cast<std::int32_t>(shown.size()) + 1;
    if (shows_as_itself(c)) {
      shown += static_cast<char>(c);
    } else if (c == '\t') {
      shown += ' ';  // a tab the converter kept (tab width 0) takes one column
    } else {
      shown += '<';
      shown += hex[c >> 4];
      shown += hex[c & 15];
      shown += '>';
    }
  }
  // A column past the end (an end of line) stays past the end.
  if (caret_at > static_cast<std::int64_t>(line.size())) {
    moved = static_cast<std::int32_t>(shown.size()) +
            (caret_at - static_cast<std::int32_t>(line.size()));
  }
  caret_at = moved;
  return shown;
}

std::string line_window(std::string_view line, std::int32_t& caret_at) {
  static constexpr std::string_view cut = "...";
  if (line.size() <= shown_line_width) return printable(line, caret_at);
  // The caret's byte, or the line's end when the column lies past it.
  const std::size_t at =
      caret_at > 0 ? std::min(static_cast<std::size_t>(caret_at - 1), line.size()) : 0;
  std::size_t from = at > shown_line_width / 2 ? at - shown_line_width / 2 : 0;
  if (from + shown_line_width > line.size()) from = line.size() - shown_line_width;
  const std::size_t to = from + shown_line_width;
  std::int32_t caret = caret_at > 0 ? caret_at - static_cast<std::int32_t>(from) : 0;
  std::string shown = from > 0 ? std::string(cut) : std::string();
  shown += printable(line.substr(from, to - from), caret);
  if (caret > 0 && from > 0) caret += static_cast<std::int32_t>(cut.size());
  if (to < line.size()) shown += cut;
  caret_at = caret;
  return shown;
}

std::string condition_text(std::int32_t code) {
  if (recordio::is_layer_condition(code)) {
    const std::string_view text = recordio::layer_message(code);
    if (!text.empty()) return std::string(text);
  }
  // The layer numbers system errors its own way; the message gives the
  // system's reason as GNU tools print it.
  namespace error = recordio::platform::error;
  struct SystemError {
    std::int32_t code;
    int errno_value;
  };
  static constexpr SystemError system_errors[] = {
      {error::file_not_found, ENOENT}, {error::path_not_found, ENOTDIR},
      {error::access_denied, EACCES},  {error::sharing_violation, EBUSY},
      {error::file_exists, EEXIST},    {error::disk_full, ENOSPC},
      {error::invalid_name, EINVAL},   {error::name_too_long, ENAMETOOLONG}};
  int errno_value = (code & error::errno_flag) != 0 ? code & ~error::errno_flag : 0;
  for (const SystemError& known : system_errors) {
    if (known.code == code) errno_value = known.errno_value;
  }
  if (errno_value == 0) return "error " + std::to_string(code);
  return std::strerror(errno_value);
}

std::string excerpt(std::string_view value) {
  constexpr std::size_t longest = 40;
  if (value.size() <= longest) return std::string(value);
  return std::string(value.substr(0, longest)) + "...";
}

std::string quoted_byte(char c) {
  const auto u = static_cast<unsigned char>(c);
  if (shows_as_itself(u)) return std::string("'") + c + "'";
  char text[16];
  std::snprintf(text, sizeof text, "byte 0x%02X", u);
  return text;
}

std::string terminal_text(std::string_view text, bool keep_line_ends) {
  std::string shown;
  shown.reserve(text.size());
  for (const char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if ((u >= 0x20 && u != 0x7f) || (keep_line_ends && c == '\n')) {
      shown += c;
      continue;
    }
    static constexpr char hex[] = "0123456789ABCDEF";
    shown += '<';
    shown += hex[u >> 4];
    shown += hex[u & 15];
    shown += '>';
  }
  return shown;
}

std::string count_of(long n, std::string_view what) {
  std::string text = std::to_string(n) + " " + std::string(what);
  if (n != 1) text += 's';
  return text;
}

void Diagnostics::report(Severity severity, std::string_view file, std::int64_t line,
                         std::int32_t column, std::string_view message, std::string_view source) {
  if (severity == Severity::error && errors_++ == 0) {
    first_error_ = {std::string(file), line, column, std::string(message)};
  }
  if (severity == Severity::warning) ++warnings_;
  std::string head(file);
  head += ':' + std::to_string(line);
  if (column > 0) head += ':' + std::to_string(column);
  head += ": ";
  head += severity_words[static_cast<int>(severity)];
  head += ": ";
  head += terminal_text(message);
  head += '\n';
  if (!source.empty() || column > 1) {
    std::int32_t caret = column;
    head += line_window(source, caret);
    head += '\n';
    if (caret > 0) {
      head.append(static_cast<std::size_t>(caret - 1), ' ');
      head += "^\n";
    }
  }
  if (captured_ != nullptr) {
    *captured_ += head;
    return;
  }
  // One write per finding: standard error is unbuffered, and a finding
  // must not be split by another program's output.
  put(head);
}

}  // namespace cli
