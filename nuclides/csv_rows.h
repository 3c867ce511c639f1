// csv_rows.h - the one reader of the programs' CSV files of reference data
// (the mass table, the shipped binding energies).
//
// Lines starting with "#" and blank lines are skipped; fields are separated
// by commas, blanks, tabs and a CR around them are dropped, and one in
// double quotes may hold commas (no quote inside it is escaped). A file is
// read whole, through cli/bounded_file.h: it must be a regular file within
// `size_limit`, so a FIFO or /dev/zero named as a table is refused at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cli/text_lines.h"

namespace nuclides {

class CsvRows {
 public:
  // The reference tables are a few hundred kilobytes; a file a hundred
  // times larger is not one, and reading it would only fill memory.
  static constexpr std::size_t size_limit = std::size_t{16} << 20;

  struct Field {
    std::string_view text;     // without blanks around it and without its quotes
    std::string_view written;  // without blanks around it, quotes kept
    std::int32_t column = 1;   // of its first byte in the line, from 1
    bool quoted = false;
  };

  // Reads `path` whole. False with "cannot read 'PATH': REASON" in `error`.
  bool read(const std::string& path, std::string& error);
  // Reads `path` and takes its first line (not a comment) as the header that
  // names the columns, finding each of `columns` in it; the fields of each
  // row are then asked for by their index in `columns`. False with a
  // one-line reason in `error` when the file cannot be read or lacks one of
  // them.
  bool open(const std::string& path, const std::vector<std::string_view>& columns,
            std::string& error);

  // Moves to the next line that is neither blank nor a comment; false after
  // the last.
  bool next();

  // The whole file as read, for a caller that tells its format or names it
  // by its checksum.
  std::string_view bytes() const { return bytes_; }

  // The current line (without its CR), its number, and its fields.
  std::string_view line() const { return line_; }
  std::int64_t line_number() const { return lines_.number(); }
  const std::vector<Field>& fields() const { return fields_; }

  // Field `column` (an index into the names given to open) of the current
  // row; empty when the row is short.
  std::string_view field(std::size_t column) const;
  // The line's column (1 for its first byte) where that field starts; one
  // past the line's end when the row is short.
  std::int32_t field_column(std::size_t column) const;
  // True when the whole field reads as a number, which goes to `value`.
  bool number(std::size_t column, double& value) const;
  bool number(std::size_t column, int& value) const;

 private:
  std::string quoted_;  // the file's name, for messages
  std::string bytes_;
  cli::TextLines lines_;  // over bytes_
  std::string_view line_;
  std::vector<std::size_t> positions_;  // the file's column of each name asked for
  std::vector<Field> fields_;           // of the current line
};

// True when the whole of `text` reads as a number, which goes to `value`.
bool whole_number(std::string_view text, double& value);
bool whole_number(std::string_view text, int& value);

}  // namespace nuclides
