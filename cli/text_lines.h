// text_lines.h - the lines of a file read whole, one at a time.
//
// The small files the programs read whole (CSV tables, the published
// tables, a data covariance file) end a line at LF and drop a CR before it,
// so that a file saved with CR LF reads as the same lines; a last line
// without its LF is still a line. One walk, so that a line number in a
// message means the same line in every reader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace cli {

class TextLines {
 public:
  TextLines() = default;
  // `bytes` must outlive the walk.
  explicit TextLines(std::string_view bytes) : bytes_(bytes) {}

  // The next line, without its LF and a CR before it; false after the last.
  bool next(std::string_view& line) {
    if (at_ >= bytes_.size()) return false;
    std::size_t end = bytes_.find('\n', at_);
    if (end == std::string_view::npos) end = bytes_.size();
    line = bytes_.substr(at_, end - at_);
    at_ = end + 1;
    ++number_;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return true;
  }

  // The 1-based number of the line `next` gave last (0 before the first).
  std::int64_t number() const { return number_; }

 private:
  std::string_view bytes_;
  std::size_t at_ = 0;
  std::int64_t number_ = 0;
};

}  // namespace cli
