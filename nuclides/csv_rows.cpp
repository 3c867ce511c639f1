// csv_rows.cpp - reading the reference tables' CSV.
#include "nuclides/csv_rows.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>

namespace nuclides {

namespace {

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
    text.remove_suffix(1);
  }
  return text;
}

// A field in double quotes may hold commas (a list of reference keys); it
// is given without its quotes.
void split_fields(std::string_view line, std::vector<std::string_view>& fields) {
  fields.clear();
  for (;;) {
    std::string_view rest = trimmed(line);
    std::size_t comma = 0;
    if (!rest.empty() && rest.front() == '"') {
      const std::size_t closing = rest.find('"', 1);
      fields.push_back(rest.substr(1, closing == std::string_view::npos ? closing : closing - 1));
      comma = closing == std::string_view::npos ? closing : rest.find(',', closing);
    } else {
      comma = rest.find(',');
      fields.push_back(trimmed(rest.substr(0, comma)));
    }
    if (comma == std::string_view::npos) return;
    line = rest.substr(comma + 1);
  }
}

template <typename T>
bool whole_number(std::string_view text, T& value) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return !text.empty() && ec == std::errc() && end == text.data() + text.size();
}

}  // namespace

bool CsvRows::next_line(std::string_view& line) {
  while (at_ < bytes_.size()) {
    std::size_t end = bytes_.find('\n', at_);
    if (end == std::string::npos) end = bytes_.size();
    line = std::string_view(bytes_).substr(at_, end - at_);
    at_ = end + 1;
    ++line_number_;
    if (!trimmed(line).empty() && line.front() != '#') return true;
  }
  return false;
}

bool CsvRows::open(const std::string& path, const std::vector<std::string_view>& columns,
                   std::string& error) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    error = "cannot read '" + path + "': " + std::strerror(errno);
    return false;
  }
  char buffer[65536];
  std::size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes_.append(buffer, got);
  const bool failed = std::ferror(file) != 0;
  const int read_errno = errno;
  std::fclose(file);
  if (failed) {
    error = "cannot read '" + path + "': " + std::strerror(read_errno);
    return false;
  }
  std::string_view header;
  if (!next_line(header)) {
    error = path + ": no header line naming the columns";
    return false;
  }
  std::vector<std::string_view> names;
  split_fields(header, names);
  for (const std::string_view column : columns) {
    std::size_t position = 0;
    while (position < names.size() && names[position] != column) ++position;
    if (position == names.size()) {
      error =
          path + ":" + std::to_string(line_number_) + ": no column '" + std::string(column) + "'";
      return false;
    }
    positions_.push_back(position);
  }
  return true;
}

bool CsvRows::next() {
  std::string_view line;
  if (!next_line(line)) return false;
  split_fields(line, fields_);
  return true;
}

std::string_view CsvRows::field(std::size_t column) const {
  const std::size_t position = positions_[column];
  return position < fields_.size() ? fields_[position] : std::string_view();
}

bool CsvRows::number(std::size_t column, double& value) const {
  return whole_number(field(column), value);
}
bool CsvRows::number(std::size_t column, int& value) const {
  return whole_number(field(column), value);
}

}  // namespace nuclides
