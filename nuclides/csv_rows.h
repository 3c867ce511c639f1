// csv_rows.h - the rows of a small CSV file of reference data, fields found
// by the names its header gives them.
//
// Lines starting with "#" are comments; the first other line names the
// columns; fields are separated by commas, and one in double quotes may
// hold commas (no quote inside it is escaped). A file is read
// whole: the reference tables are a few hundred kilobytes.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace nuclides {

class CsvRows {
 public:
  // Reads `path`. False, with a one-line reason in `error`, when the file
  // cannot be read or lacks one of `columns` in its header; the fields of
  // each row are then asked for by their index in `columns`.
  bool open(const std::string& path, const std::vector<std::string_view>& columns,
            std::string& error);

  // Moves to the next row; false after the last.
  bool next();

  // Field `column` (an index into the names given to open) of the current
  // row, blanks and a CR around it removed; empty when the row is short.
  std::string_view field(std::size_t column) const;
  // True when the whole field reads as a number, which goes to `value`.
  bool number(std::size_t column, double& value) const;
  bool number(std::size_t column, int& value) const;

  // Line number of the current row, for messages.
  long line_number() const { return line_number_; }

 private:
  std::string bytes_;
  std::size_t at_ = 0;
  long line_number_ = 0;
  std::vector<std::size_t> positions_;    // the file's column of each name asked for
  std::vector<std::string_view> fields_;  // of the current row
  bool next_line(std::string_view& line);
};

}  // namespace nuclides
