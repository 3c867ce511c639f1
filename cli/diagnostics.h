// diagnostics.h - findings in the form compilers print and editors follow.
//
//   FILE:LINE:COLUMN: error|warning|note: message
//   the line as the converter sees it
//                ^
//
// Columns count as the converter counts them: bytes of the record, tabs
// already expanded to the next tab stop. Findings go to standard error;
// the counts make the closing summary and the exit status. A finding is
// always its three lines, however long the line or odd its bytes: a long
// line is shown as a window around the column, as compilers show it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace cli {

enum class Severity { error, warning, note };

// Where a finding is and what it says, for a caller that raises it its own way.
struct FindingPlace {
  std::string file;
  std::int64_t line = 0;
  std::int32_t column = 0;  // 0: the whole line
  std::string message;
};

class Diagnostics {
 public:
  // `source` is the line to show under the message (nothing when empty);
  // `column` 1 is its first byte, 0 leaves the caret out. `file` is
  // printed as it is: give it through cli::shown_name. Bytes of the
  // message that would break its line are shown as <XX>.
  void report(Severity severity, std::string_view file, std::int64_t line, std::int32_t column,
              std::string_view message, std::string_view source);

  int errors() const { return errors_; }
  int warnings() const { return warnings_; }

  // Findings are appended to `text` instead of going to standard error,
  // for a caller that looks at them itself (nullptr: standard error again).
  void capture_into(std::string* text) { captured_ = text; }

  // The first error reported, when there was one: a library caller turns it
  // into its own error with its place.
  const FindingPlace* first_error() const { return errors_ > 0 ? &first_error_ : nullptr; }

 private:
  FindingPlace first_error_;
  int errors_ = 0;
  int warnings_ = 0;
  std::string* captured_ = nullptr;
};

// The line as it can be shown on a terminal: bytes outside printable ASCII
// become <XX>. `caret_at` (a column, 1 for the first byte) is moved to where
// that column's byte appears in the shown text.
std::string printable(std::string_view line, std::int32_t& caret_at);

// At most this many bytes of a line are shown under a finding: the part
// around the column, with "..." where the line goes on.
inline constexpr std::size_t shown_line_width = 120;

// The part of `line` shown under a finding at `caret_at`, as printable()
// shows it, with "..." at a cut end; `caret_at` is moved with it.
std::string line_window(std::string_view line, std::int32_t& caret_at);

// The record layer's own text for a condition code ("Buffer allocation
// failed"), or the system's for a system error code, without a final
// period: for "cannot read FILE: ..." messages.
std::string condition_text(std::int32_t code);

// A value quoted in a message, cut to its first 40 bytes with "..." after
// it when longer: a token of a long line must not make the message long.
std::string excerpt(std::string_view value);

// A byte for a message: 'x' when printable, else "byte 0xEF".
std::string quoted_byte(char c);

// `text` safe for a terminal: control bytes (an escape sequence from a
// symbol would act on the terminal) shown as <XX>, as in a finding; line
// ends kept when asked, for a whole report.
std::string terminal_text(std::string_view text, bool keep_line_ends = false);

// "1 warning", "2 warnings".
std::string count_of(long n, std::string_view what);

}  // namespace cli
