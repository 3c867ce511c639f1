// csv_rows.cpp - reading the reference tables' CSV.
#include "nuclides/csv_rows.h"

#include <charconv>

#include "cli/bounded_file.h"
#include "cli/quoting.h"

namespace nuclides {

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r'; }

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
  return text;
}

// A field in double quotes may hold commas (a list of reference keys); it
// is given without its quotes.
void split_fields(std::string_view line, std::vector<CsvRows::Field>& fields) {
  fields.clear();
  std::size_t start = 0;
  for (;;) {
    std::size_t at = start;
    while (at < line.size() && is_blank(line[at])) ++at;
    CsvRows::Field field;
    field.column = static_cast<std::int32_t>(start) + 1;
    std::size_t comma = 0;
    if (at < line.size() && line[at] == '"') {
      const std::size_t closing = line.find('"', at + 1);
      field.quoted = true;
      field.text = closing == std::string_view::npos ? line.substr(at + 1)
                                                     : line.substr(at + 1, closing - at - 1);
      comma = closing == std::string_view::npos ? closing : line.find(',', closing);
    } else {
      comma = line.find(',', at);
      field.text = trimmed(line.substr(at, comma == std::string_view::npos ? comma : comma - at));
    }
    const std::size_t end = comma == std::string_view::npos ? line.size() : comma;
    field.written = trimmed(line.substr(at, end - at));
    fields.push_back(field);
    if (comma == std::string_view::npos) return;
    start = comma + 1;
  }
}

template <typename T>
bool whole(std::string_view text, T& value) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return !text.empty() && ec == std::errc() && end == text.data() + text.size();
}

}  // namespace

bool whole_number(std::string_view text, double& value) { return whole(text, value); }
bool whole_number(std::string_view text, int& value) { return whole(text, value); }

bool CsvRows::read(const std::string& path, std::string& error) {
  quoted_ = cli::quoted_name(path);
  std::string reason;
  if (!cli::read_bounded_file(path, size_limit, bytes_, reason)) {
    error = "cannot read " + quoted_ + ": " + reason;
    return false;
  }
  lines_ = cli::TextLines(bytes_);
  return true;
}

bool CsvRows::next() {
  std::string_view line;
  while (lines_.next(line)) {
    if (trimmed(line).empty() || line.front() == '#') continue;
    line_ = line;
    split_fields(line, fields_);
    return true;
  }
  return false;
}

bool CsvRows::open(const std::string& path, const std::vector<std::string_view>& columns,
                   std::string& error) {
  if (!read(path, error)) return false;
  if (!next()) {
    error = quoted_ + ": no header line naming the columns";
    return false;
  }
  for (const std::string_view column : columns) {
    std::size_t position = 0;
    while (position < fields_.size() && fields_[position].text != column) ++position;
    if (position == fields_.size()) {
      error = quoted_ + ": line " + std::to_string(lines_.number()) + " has no column '" +
              std::string(column) + "'";
      return false;
    }
    positions_.push_back(position);
  }
  return true;
}

std::string_view CsvRows::field(std::size_t column) const {
  const std::size_t position = positions_[column];
  return position < fields_.size() ? fields_[position].text : std::string_view();
}

std::int32_t CsvRows::field_column(std::size_t column) const {
  const std::size_t position = positions_[column];
  return position < fields_.size() ? fields_[position].column
                                   : static_cast<std::int32_t>(line_.size()) + 1;
}

bool CsvRows::number(std::size_t column, double& value) const {
  return whole_number(field(column), value);
}
bool CsvRows::number(std::size_t column, int& value) const {
  return whole_number(field(column), value);
}

}  // namespace nuclides
