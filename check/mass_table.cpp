// mass_table.cpp - reading the CSV of mass excesses.
#include "check/mass_table.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

namespace check {

namespace {

std::vector<std::string_view> split(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t at = 0;
  for (;;) {
    const std::size_t comma = line.find(',', at);
    fields.push_back(line.substr(at, comma == std::string_view::npos ? std::string_view::npos : comma - at));
    if (comma == std::string_view::npos) return fields;
    at = comma + 1;
  }
}

template <typename T>
bool number(std::string_view text, T& value) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\r')) text.remove_suffix(1);
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() && !text.empty();
}

bool read_whole_file(const std::string& path, std::string& bytes, std::string& error) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) {
    error = "cannot read '" + path + "': " + std::strerror(errno);
    return false;
  }
  char buffer[65536];
  std::size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.append(buffer, got);
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) error = "cannot read '" + path + "'";
  return !failed;
}

}  // namespace

bool MassTable::load(const std::string& path, std::string& error) {
  std::string bytes;
  if (!read_whole_file(path, bytes, error)) return false;
  bool header_seen = false;
  double largest_for_kev = 0.0;
  long line_number = 0;
  std::size_t at = 0;
  while (at < bytes.size()) {
    std::size_t end = bytes.find('\n', at);
    if (end == std::string::npos) end = bytes.size();
    const std::string_view line(bytes.data() + at, end - at);
    at = end + 1;
    ++line_number;
    if (line.empty() || line.front() == '#' || line == "\r") continue;
    if (!header_seen) {
      header_seen = true;
      continue;
    }
    const auto fields = split(line);
    TableMass mass;
    std::int32_t A = 0;
    if (fields.size() < 5 || !number(fields[1], A) || !number(fields[3], mass.mass_excess) ||
        !number(fields[4], mass.uncertainty)) {
      error = path + ":" + std::to_string(line_number) +
              ": not a row of Z, A, symbol, mass excess and uncertainty in micro-u";
      return false;
    }
    mass.estimated = fields.size() > 7 && fields[7].substr(0, 3) == "yes";
    double kev = 0.0;
    if (fields.size() > 5 && number(fields[5], kev) && std::isfinite(kev / mass.mass_excess) &&
        std::fabs(mass.mass_excess) > largest_for_kev) {
      largest_for_kev = std::fabs(mass.mass_excess);
      kev_per_micro_u_ = kev / mass.mass_excess;
    }
    masses_[{A, std::string(fields[2])}] = mass;
  }
  if (masses_.empty()) {
    error = path + ": no mass excesses in it";
    return false;
  }
  return true;
}

std::optional<TableMass> MassTable::find(std::int32_t A, const std::string& element) const {
  const auto found = masses_.find({A, element});
  if (found == masses_.end()) return std::nullopt;
  return found->second;
}

}  // namespace check
