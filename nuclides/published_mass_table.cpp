// published_mass_table.cpp - the columns of the published mass table, taken
// from the format its header states, and its rows read by them.
#include "nuclides/published_mass_table.h"

#include <charconv>
#include <cmath>

#include "cli/quoting.h"
#include "cli/text_lines.h"
#include "nuclides/fixed_columns.h"
#include "nuclides/mass_table.h"
#include "nuclides/symbols.h"
#include "nuclides/table_identity.h"

namespace nuclides {

namespace {

struct Field {
  char kind = 'a';  // a, i or f
  std::int32_t first = 0;
  std::int32_t last = 0;
};

// The kinds of the fields of a row, skips left out: carriage control, N-Z,
// N, Z, A, element, origin, mass excess, its uncertainty, binding energy,
// its uncertainty, "B-", beta-decay energy, its uncertainty, atomic mass in
// u, in micro-u, its uncertainty. Every edition since 2003 has them.
constexpr std::string_view expected_kinds = "aiiiiaaffffaffiff";
enum : std::size_t {
  n_minus_z = 1,
  neutrons = 2,
  protons = 3,
  mass_number = 4,
  element_name = 5,
  mass_kev = 7,
  mass_kev_uncertainty = 8,
  atomic_mass_u = 14,
  atomic_mass_micro_u = 15,
  atomic_mass_uncertainty = 16,
};

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\r')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\r')) text.remove_suffix(1);
  return text;
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// The fields of a Fortran format list of a, i, f and x descriptors (each
// with an optional repeat count), placed column after column from 1.
bool fields_of_format(std::string_view format, std::vector<Field>& fields) {
  fields.clear();
  std::int32_t column = 1;
  std::size_t at = 0;
  while (at <= format.size()) {
    std::size_t comma = format.find(',', at);
    if (comma == std::string_view::npos) comma = format.size();
    std::string_view item = trimmed(format.substr(at, comma - at));
    at = comma + 1;
    std::int32_t repeat = 1;
    std::size_t digits = 0;
    while (digits < item.size() && is_digit(item[digits])) ++digits;
    if (digits > 0 && !table_integer(item.substr(0, digits), repeat)) return false;
    item.remove_prefix(digits);
    if (item.empty() || repeat < 1 || repeat > 100) return false;
    const char kind = static_cast<char>(item.front() | 0x20);
    if (kind == 'x' && item.size() == 1) {
      column += repeat;
      continue;
    }
    item.remove_prefix(1);
    if (kind == 'f') item = item.substr(0, item.find('.'));
    std::int32_t width = 0;
    if ((kind != 'a' && kind != 'i' && kind != 'f') || !table_integer(item, width) || width < 1 ||
        width > 100)
      return false;
    for (std::int32_t n = 0; n < repeat; ++n) {
      fields.push_back({kind, column, column + width - 1});
      column += width;
    }
  }
  return true;
}

// The mass excess in micro-u from the atomic mass written as whole u and
// micro-u ("133 906718.475"): worked on the decimal digits, so the result is
// the double nearest to the exact difference, as a table of mass excesses
// in micro-u gives it, and not a rounding of a rounded atomic mass.
bool mass_excess_micro_u(std::int32_t whole_u, std::int32_t A, std::string_view micro_u,
                         double& value) {
  std::int64_t mantissa = 0;
  int decimals = -1;
  int digits = 0;
  for (const char c : micro_u) {
    if (c == '.' || c == '#') {
      if (decimals >= 0) return false;
      decimals = 0;
    } else if (is_digit(c)) {
      if (++digits > 17) return false;
      mantissa = mantissa * 10 + (c - '0');
      if (decimals >= 0) ++decimals;
    } else {
      return false;
    }
  }
  if (digits == 0 || std::abs(whole_u - A) > 1000) return false;
  if (decimals < 0) decimals = 0;
  std::int64_t scale = 1000000;
  for (int n = 0; n < decimals; ++n) scale *= 10;
  const std::int64_t total = mantissa + static_cast<std::int64_t>(whole_u - A) * scale;
  const std::string text = std::to_string(total) + "e-" + std::to_string(decimals);
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size();
}

}  // namespace

bool is_published_mass_table(std::string_view bytes) {
  // The format line lies within the header's first 40 lines.
  const std::string_view head = bytes.substr(0, 8192);
  const std::size_t format = head.find("format");
  if (format == std::string_view::npos) return false;
  const std::size_t end = head.find('\n', format);
  const std::string_view line =
      head.substr(format, end == std::string_view::npos ? end : end - format);
  const std::size_t colon = line.find(':');
  return colon != std::string_view::npos && trimmed(line.substr(colon + 1)).substr(0, 5) == "a1,i3";
}

bool read_published_mass_table(std::string_view bytes, const std::string& name,
                               std::vector<PublishedMass>& rows, std::vector<LeftOutRow>& left_out,
                               std::string& edition, std::string& error) {
  const std::string shown = cli::quoted_name(name);
  rows.clear();
  edition.clear();
  std::vector<Field> fields;
  enum class Part {
    before_format,
    before_titles,
    after_titles,
    in_rows
  } part = Part::before_format;
  cli::TextLines lines(bytes);
  std::string_view line;
  while (lines.next(line)) {
    const std::int64_t line_number = lines.number();
    if (part == Part::before_format || part == Part::before_titles) {
      if (edition.empty()) edition = stated_edition(line);
    }
    if (part == Part::before_format) {
      const std::size_t format = line.find("format");
      const std::size_t colon = line.find(':', format);
      if (format == std::string_view::npos || colon == std::string_view::npos) continue;
      if (!fields_of_format(trimmed(line.substr(colon + 1)), fields) ||
          fields.size() != expected_kinds.size()) {
        error = shown + ":" + std::to_string(line_number) +
                ": the row format stated is not the mass table's " +
                "(a1,i3,i5,i5,i5,1x,a3,a4,1x, then f fields of the mass excess, binding energy, " +
                "a2, beta-decay energy, i3 and the atomic mass)";
        return false;
      }
      for (std::size_t n = 0; n < fields.size(); ++n) {
        if (fields[n].kind != expected_kinds[n]) {
          error = shown + ":" + std::to_string(line_number) + ": field " + std::to_string(n + 1) +
                  " of the row format stated is not of the kind the mass table has there";
          return false;
        }
      }
      part = Part::before_titles;
      continue;
    }
    if (part == Part::before_titles) {
      if (trimmed(line).substr(0, 3) == "N-Z") part = Part::after_titles;
      continue;
    }
    if (part == Part::after_titles) {
      part = Part::in_rows;
      if (line.find("(keV)") != std::string_view::npos) continue;
    }
    if (trimmed(line).empty()) continue;
    const auto warn = [&](std::size_t field, std::string why) {
      left_out.push_back({line_number, fields[field].first, std::move(why), std::string(line)});
    };
    const auto text = [&](std::size_t field) {
      return column_field(line, fields[field].first, fields[field].last);
    };
    if (const std::size_t tab = line.find('\t'); tab != std::string_view::npos) {
      left_out.push_back({line_number, static_cast<std::int32_t>(tab) + 1,
                          "a tab in a fixed-column row leaves its columns unknown",
                          std::string(line)});
      continue;
    }
    PublishedMass row;
    row.line = line_number;
    row.column = fields[mass_number].first;
    std::int32_t N = 0;
    std::int32_t N_minus_Z = 0;
    if (!table_integer(text(mass_number), row.A) || row.A < 1) {
      warn(mass_number, "no mass number");
      continue;
    }
    if (!table_integer(text(neutrons), N) || !table_integer(text(protons), row.Z) || N < 0 ||
        row.Z < 0 || N + row.Z != row.A) {
      warn(neutrons, "N and Z do not add up to the mass number " + std::to_string(row.A));
      continue;
    }
    if (!table_integer(text(n_minus_z), N_minus_Z) || N_minus_Z != N - row.Z) {
      warn(n_minus_z, "N-Z is not N minus Z");
      continue;
    }
    row.element = std::string(text(element_name));
    if (!is_element(row.element)) {
      warn(element_name, "'" + cli::excerpt(row.element) + "' is not an element symbol");
      continue;
    }
    if (text(mass_kev) == "*" || text(atomic_mass_micro_u) == "*") {
      warn(text(mass_kev) == "*" ? mass_kev : atomic_mass_micro_u,
           "the mass is marked not calculable");
      continue;
    }
    double kev_sigma = 0.0;
    bool estimated = false;
    bool also_estimated = false;
    if (!table_number(text(mass_kev), row.kev, estimated) ||
        !table_number(text(mass_kev_uncertainty), kev_sigma, also_estimated)) {
      warn(mass_kev, "no mass excess and uncertainty in keV");
      continue;
    }
    std::int32_t whole_u = 0;
    double micro_u = 0.0;
    bool micro_estimated = false;
    if (!table_integer(text(atomic_mass_u), whole_u) ||
        !table_number(text(atomic_mass_micro_u), micro_u, micro_estimated) ||
        !mass_excess_micro_u(whole_u, row.A, text(atomic_mass_micro_u), row.mass_excess)) {
      warn(atomic_mass_u, "no atomic mass in u and micro-u");
      continue;
    }
    bool sigma_estimated = false;
    if (!table_number(text(atomic_mass_uncertainty), row.uncertainty, sigma_estimated) ||
        row.uncertainty < 0.0 || !std::isfinite(row.uncertainty)) {
      warn(atomic_mass_uncertainty, "no uncertainty of the atomic mass in micro-u");
      continue;
    }
    row.estimated = estimated || also_estimated || micro_estimated || sigma_estimated;
    rows.push_back(std::move(row));
  }
  if (part != Part::in_rows) {
    error = part == Part::before_format
                ? shown + " states no row format in its header"
                : shown + " has no column titles (N-Z ...) after its row format";
    return false;
  }
  return true;
}

}  // namespace nuclides

// ---------------------------------------------------------------------------
// The mass table filled from the published file.

namespace nuclides {

bool MassTable::load_published(std::string_view bytes, const std::string& path,
                               std::string& error) {
  std::vector<PublishedMass> rows;
  std::string edition;
  if (!read_published_mass_table(bytes, path, rows, left_out_, edition, error)) return false;
  // The factor as the CSV's reading gives it: the 2020 constant when the
  // measured row of largest mass excess (the most digits) agrees with it.
  double largest_for_kev = 0.0;
  for (const PublishedMass& row : rows) {
    Entry entry;
    entry.mass = {row.mass_excess, row.uncertainty, row.estimated};
    entry.line = row.line;
    const auto [place, added] = masses_.try_emplace({row.A, row.element}, entry);
    if (!added) {
      left_out_.push_back({row.line,
                           row.column,
                           std::to_string(row.A) + row.element +
                               " is in the table already, on line " +
                               std::to_string(place->second.line),
                           {}});
      continue;
    }
    if (!row.estimated && std::fabs(row.mass_excess) > largest_for_kev &&
        std::isfinite(row.kev / row.mass_excess)) {
      largest_for_kev = std::fabs(row.mass_excess);
      kev_per_micro_u_ = row.kev / row.mass_excess;
    }
  }
  if (kev_per_micro_u_ && std::fabs(*kev_per_micro_u_ / kev_per_micro_u_2020 - 1.0) < 1.0e-8) {
    kev_per_micro_u_ = kev_per_micro_u_2020;
  }
  if (masses_.empty()) {
    error = cli::quoted_name(path) + ": no usable mass excesses in it";
    return false;
  }
  identity_ = identify_table(path, bytes, edition);
  return true;
}

}  // namespace nuclides
