// uncertainty_findings.cpp - uncertainties beside the file's and as printed.
#include "check/uncertainty_findings.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>

#include "cli/number_text.h"
#include "conversion/equation_formats.h"
#include "nuclides/physical_limits.h"

namespace check {

namespace {

// The uncertainty fields of the records, from the lists that write them.
constexpr const recordio::EditDescriptor& equation_U = conversion::equation_list[11];
constexpr const recordio::EditDescriptor& micro_u_sigma = conversion::micro_u_list[6];
constexpr const recordio::EditDescriptor& kev_sigma = conversion::kev_list[5];

// Files of hundreds of thousands of measurements are no files a person
// typed; past this many the medians are taken over those seen, so that an
// endless input costs bounded memory. Each keeps the start of its line to
// show: the converter reads nothing past column 46.
constexpr std::size_t measurements_remembered = 200000;
constexpr std::size_t columns_shown = 80;

// Three digits at most: 167, 1.2e+04.
std::string times(double factor) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3g", factor);
  return text;
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Four digits at most: 1.564e-09, 167, 9.882e+04.
std::string scientific(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.4g", value);
  return text;
}

// A field whose every column is taken: nothing separates it from the text
// in front of it.
bool fills_field(const std::string& field) { return field.front() != ' '; }

void check_sigma_field(const char* record_name, const char* unit, double sigma,
                       const recordio::EditDescriptor& descriptor, std::int32_t column,
                       const LineReport& report) {
  if (!std::isfinite(sigma)) return;  // infinities and NaN are found where they come from
  const std::string shown = cli::as_field(sigma, descriptor.width, descriptor.decimals);
  if (shown.find('*') != std::string::npos) {
    report(cli::Severity::warning, column,
           std::string("the uncertainty of the mass excess, ") + cli::fixed(sigma, 6) + " " + unit +
               ", does not fit its field: the " + record_name + " record shows \" +/-" + shown +
               "\"");
  } else if (fills_field(shown)) {
    report(cli::Severity::warning, column,
           std::string("the uncertainty of the mass excess, ") + cli::fixed(sigma, 6) + " " + unit +
               ", fills its field: the " + record_name +
               " record loses the blank after \"+/-\" (\"+/-" + shown + "\")");
  }
}

}  // namespace

void check_printed_uncertainties(const conversion::Equation& equation, std::int32_t column,
                                 const LineReport& report) {
  if (!std::isfinite(equation.U) || equation.U <= 0.0)
    return;  // infinities and zeros are found elsewhere
  const std::string U = cli::as_field(equation.U, equation_U.width, equation_U.decimals);
  if (U.find('*') != std::string::npos) {
    report(cli::Severity::warning, column,
           "the equation's uncertainty, " + cli::fixed(equation.U, 5) +
               " micro-u, does not fit its field: the equation record shows \"(" + U + ")\"");
  } else if (U.find_first_not_of(" 0.") == std::string::npos) {
    report(cli::Severity::warning, column,
           "the equation's uncertainty, " + scientific(equation.U) + " micro-u, is printed as \"(" +
               U + ")\": vemo.equat gives this equation no uncertainty");
  }
  check_sigma_field("micro-u", "micro-u", equation.sigma_meas, micro_u_sigma, column, report);
  check_sigma_field("keV", "keV", equation.sigma_kev, kev_sigma, column, report);
}

void check_field_cut(std::string_view record, std::int32_t field_end, std::string_view field_name,
                     const LineReport& report) {
  const auto end = static_cast<std::size_t>(field_end);
  if (end == 0 || end >= record.size() || !is_digit(record[end]) || !is_digit(record[end - 1]))
    return;
  std::size_t after = end;
  while (after < record.size() && is_digit(record[after])) ++after;
  report(cli::Severity::warning, field_end + 1,
         "the digits '" + std::string(record.substr(end, after - end)) + "' right after the " +
             std::string(field_name) +
             " continue it: the converter reads the field only to its last column, so these digits "
             "are lost");
}

void RelativeUncertainties::add(int block, double ratio, double sigma, std::int64_t line,
                                std::int32_t column, std::string record, const LineReport& report) {
  if (!(ratio > 0.0) || !(sigma > 0.0) || !std::isfinite(ratio) || !std::isfinite(sigma)) return;
  const double relative = sigma / ratio;
  if (relative < nuclides::smallest_relative_uncertainty) {
    report(
        cli::Severity::warning, column,
        "the relative uncertainty of this ratio, " + scientific(relative) +
            ", is below 1e-11, beyond any ratio measurement: is a digit of the uncertainty lost?");
  }
  if (measured_.size() >= measurements_remembered) return;
  if (record.size() > columns_shown) record.resize(columns_shown);
  measured_.push_back({block, relative, line, column, std::move(record)});
}

void RelativeUncertainties::report_outliers(cli::Diagnostics& diagnostics,
                                            const std::string& file) const {
  // Two values have no middle that one of them could stray from: 0.
  constexpr std::size_t fewest = 3;
  const auto median_of = [](std::vector<double>& values) {
    if (values.size() < fewest) return 0.0;
    std::sort(values.begin(), values.end());
    const std::size_t half = values.size() / 2;
    return values.size() % 2 == 1 ? values[half]
                                  : std::sqrt(values[half - 1]) * std::sqrt(values[half]);
  };
  std::vector<double> all;
  std::map<int, std::vector<double>> by_block;
  for (const Measured& m : measured_) {
    all.push_back(m.relative);
    by_block[m.block].push_back(m.relative);
  }
  const double file_median = median_of(all);
  std::map<int, double> block_medians;
  for (auto& [block, values] : by_block) block_medians[block] = median_of(values);
  for (const Measured& m : measured_) {
    const double block_median = block_medians[m.block];
    const double median = block_median > 0.0 ? block_median : file_median;
    if (median <= 0.0) continue;
    const double factor = m.relative / median;
    if (factor <= nuclides::relative_uncertainty_factor &&
        factor * nuclides::relative_uncertainty_factor >= 1.0)
      continue;
    const bool above = factor > 1.0;
    diagnostics.report(cli::Severity::warning, file, m.line, m.column,
                       "the relative uncertainty of this ratio, " + scientific(m.relative) +
                           ", is " + times(above ? factor : 1.0 / factor) + " times " +
                           (above ? "larger" : "smaller") + " than the median of " +
                           (block_median > 0.0 ? "its block's" : "the file's") + " measurements (" +
                           scientific(median) +
                           "): is a digit or the decimal point of the uncertainty misplaced?",
                       m.record);
  }
}

}  // namespace check
