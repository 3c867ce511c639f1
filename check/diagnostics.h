// diagnostics.h - findings in the form compilers print and editors follow.
//
//   FILE:LINE:COLUMN: error|warning|note: message
//   the line as the converter sees it
//                ^
//
// Columns count as the converter counts them: bytes of the record, tabs
// already expanded to the next tab stop. Findings go to standard error;
// the counts make the closing summary and the exit status.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace check {

enum class Severity { error, warning, note };

class Diagnostics {
 public:
  // `source` is the line to show under the message (nothing when empty);
  // `column` 1 is its first byte, 0 leaves the caret out.
  void report(Severity severity, std::string_view file, std::int64_t line, std::int32_t column,
              std::string_view message, std::string_view source);

  int errors() const { return errors_; }
  int warnings() const { return warnings_; }

 private:
  int errors_ = 0;
  int warnings_ = 0;
};

// The line as it can be shown on a terminal: bytes outside printable ASCII
// become <XX>. `caret_at` (a column, 1 for the first byte) is moved to where
// that column's byte appears in the shown text.
std::string printable(std::string_view line, std::int32_t& caret_at);

// A byte for a message: 'x' when printable, else "byte 0xEF".
std::string quoted_byte(char c);

// "1 warning", "2 warnings".
std::string count_of(long n, std::string_view what);

}  // namespace check
