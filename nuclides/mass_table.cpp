// mass_table.cpp - reading the CSV of mass excesses, row by row, with a
// finding for every row that is left out.
#include "nuclides/mass_table.h"

#include <cmath>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/quoting.h"
#include "nuclides/csv_rows.h"
#include "nuclides/published_mass_table.h"
#include "nuclides/symbols.h"

namespace nuclides {

namespace {

// The columns the table must start with, as its header names them.
constexpr std::string_view expected_header = "Z,A,symbol,mass_excess_micro_u,uncertainty_micro_u";
constexpr std::size_t estimated_column = 7;

// The CSV states what it is in its first comment line ("# Atomic mass
// excesses from the 2020 atomic mass table: ..."), up to a colon.
std::string csv_edition(std::string_view bytes) {
  if (bytes.substr(0, 1) != "#") return {};
  std::string_view line = bytes.substr(1, bytes.find('\n') - 1);
  line = line.substr(0, line.find(':'));
  while (!line.empty() && (line.front() == ' ')) line.remove_prefix(1);
  while (!line.empty() && (line.back() == ' ' || line.back() == '\r')) line.remove_suffix(1);
  return std::string(line.substr(0, 80));
}

std::string_view trimmed(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  return text;
}

// Half a unit of the last decimal `text` prints; false when it is not a
// plain decimal number.
bool half_unit(std::string_view text, double& half) {
  text = trimmed(text);
  if (text.find_first_of("eE") != std::string_view::npos) return false;
  const std::size_t point = text.find('.');
  const std::size_t decimals = point == std::string_view::npos ? 0 : text.size() - point - 1;
  half = 0.5 * std::pow(10.0, -static_cast<double>(decimals));
  return true;
}

// The keV per micro-u that a row's micro-u and keV columns allow, each
// rounded to its last printed digit.
bool factor_range(std::string_view micro_u, std::string_view kev, double& low, double& high) {
  double m = 0.0, k = 0.0, m_half = 0.0, k_half = 0.0;
  if (!whole_number(micro_u, m) || !whole_number(kev, k) || !half_unit(micro_u, m_half) ||
      !half_unit(kev, k_half)) {
    return false;
  }
  // A value within its rounding of 0 allows every factor.
  if (!(std::fabs(m) > 2.0 * m_half) || !(std::fabs(k) > 2.0 * k_half)) return false;
  const double sign = m > 0.0 ? 1.0 : -1.0;
  const double lowest_m = std::fabs(m) - m_half, highest_m = std::fabs(m) + m_half;
  const double lowest_k = sign * k - k_half, highest_k = sign * k + k_half;
  low = lowest_k / highest_m;
  high = highest_k / lowest_m;
  return std::isfinite(low) && std::isfinite(high) && low > 0.0 && low <= high;
}

}  // namespace

void report_left_out(const std::vector<LeftOutRow>& rows, const std::string& shown,
                     cli::Diagnostics& findings) {
  for (const LeftOutRow& row : rows) {
    findings.report(cli::Severity::warning, shown, row.line, row.column,
                    row.reason + ": the row is left out", row.text);
  }
}

bool MassTable::load(const std::string& path, const std::string& shown, cli::Diagnostics& findings,
                     std::string& error) {
  const bool loaded = load(path, error);
  report_left_out(left_out_, shown, findings);
  return loaded;
}

bool MassTable::load(const std::string& path, std::string& error) {
  masses_.clear();
  left_out_.clear();
  kev_per_micro_u_.reset();
  // The narrowest range of factors a row's two rounded columns allow.
  double narrowest_low = 0.0, narrowest_high = 0.0;
  bool any_range = false;
  CsvRows rows;
  if (!rows.read(path, error)) return false;
  if (is_published_mass_table(rows.bytes())) return load_published(rows.bytes(), path, error);
  identity_ = identify_table(path, rows.bytes(), csv_edition(rows.bytes()));
  bool header_seen = false;
  while (rows.next()) {
    const std::string_view line = rows.line();
    const std::int64_t line_number = rows.line_number();
    const auto warn = [&](std::int32_t column, std::string why) {
      left_out_.push_back({line_number, column, std::move(why), std::string(line)});
    };
    if (!header_seen) {
      if (line.substr(0, expected_header.size()) != expected_header ||
          (line.size() > expected_header.size() && line[expected_header.size()] != ',')) {
        error = cli::quoted_name(path) + " is not a mass table: its line " +
                std::to_string(line_number) + " does not start with the header " +
                std::string(expected_header);
        return false;
      }
      header_seen = true;
      continue;
    }
    const std::vector<CsvRows::Field>& fields = rows.fields();
    Entry entry;
    entry.line = line_number;
    std::int32_t A = 0;
    if (fields.size() < 5 || !whole_number(fields[1].text, A) ||
        !whole_number(fields[3].text, entry.mass.mass_excess) ||
        !whole_number(fields[4].text, entry.mass.uncertainty)) {
      warn(1, "not a row of Z, A, symbol, mass excess and uncertainty in micro-u");
      continue;
    }
    const std::string_view symbol = fields[2].text;
    if (fields[2].quoted || !is_element(symbol)) {
      const std::string_view written = fields[2].written;
      const bool quoted = !written.empty() && (written.front() == '"' || written.front() == '\'');
      warn(fields[2].column, "'" + std::string(written) + "' is not an element symbol" +
                                 (quoted ? " (symbols are written without quotes)" : ""));
      continue;
    }
    if (A < 1) {
      warn(fields[1].column, "mass number " + std::to_string(A) + " below 1");
      continue;
    }
    if (!std::isfinite(entry.mass.mass_excess)) {
      warn(fields[3].column, "the mass excess is not a finite number");
      continue;
    }
    if (!std::isfinite(entry.mass.uncertainty) || entry.mass.uncertainty < 0.0) {
      warn(fields[4].column, std::isfinite(entry.mass.uncertainty)
                                 ? "negative uncertainty"
                                 : "the uncertainty is not a finite number");
      continue;
    }
    entry.mass.estimated =
        fields.size() > estimated_column && fields[estimated_column].text == "yes";
    const std::string nuclide = std::to_string(A) + std::string(symbol);
    const auto [place, added] = masses_.try_emplace({A, std::string(symbol)}, entry);
    if (!added) {
      warn(fields[1].column,
           nuclide + " is in the table already, on line " + std::to_string(place->second.line));
      continue;
    }
    double low = 0.0, high = 0.0;
    if (fields.size() > 5 && factor_range(fields[3].text, fields[5].text, low, high) &&
        (!any_range || high - low < narrowest_high - narrowest_low)) {
      any_range = true;
      narrowest_low = low;
      narrowest_high = high;
    }
  }
  if (any_range) {
    kev_per_micro_u_ =
        narrowest_low <= kev_per_micro_u_2020 && kev_per_micro_u_2020 <= narrowest_high
            ? kev_per_micro_u_2020
            : 0.5 * (narrowest_low + narrowest_high);
  }
  if (!header_seen) {
    error = cli::quoted_name(path) + " is not a mass table: it has no header " +
            std::string(expected_header);
    return false;
  }
  if (masses_.empty()) {
    error = cli::quoted_name(path) + ": no usable mass excesses in it";
    return false;
  }
  return true;
}

std::optional<TableMass> MassTable::find(std::int32_t A, const std::string& element) const {
  const auto found = masses_.find({A, element});
  if (found == masses_.end()) return std::nullopt;
  return found->second.mass;
}

}  // namespace nuclides
