// measurement_uncertainty_rules.cpp - uncertainties beside the file's and as printed.
#include "check/measurement_uncertainty_rules.h"

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

// A block's lines are held until the block ends, each with the start of
// its line to show (the converter reads nothing past column 46). The
// medians of a reference nuclide and of a charge regime, for blocks too
// small for their own, are taken over the first this many measurements of
// the file, and only such blocks among them wait for those medians, so that
// an endless input costs bounded memory.
constexpr std::size_t measurements_pooled = 200000;
constexpr std::size_t columns_shown = 80;

// Two values have no middle that one of them could stray from: 0.
double median_of(std::vector<double> values) {
  if (values.size() < static_cast<std::size_t>(nuclides::fewest_in_a_median)) return 0.0;
  std::sort(values.begin(), values.end());
  const std::size_t half = values.size() / 2;
  return values.size() % 2 == 1 ? values[half]
                                : std::sqrt(values[half - 1]) * std::sqrt(values[half]);
}

bool far_from(double relative, double median) {
  const double factor = relative / median;
  return factor > nuclides::relative_uncertainty_factor ||
         factor * nuclides::relative_uncertainty_factor < 1.0;
}

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

enum class SigmaRecord { micro_u = 0, kev = 1 };

void sigma_field_findings(SigmaRecord record, double sigma,
                          const recordio::EditDescriptor& descriptor, const LinePlace& place,
                          std::int32_t column, Findings& findings) {
  if (!std::isfinite(sigma)) return;  // infinities and NaN are found where they come from
  const std::string shown = cli::as_field(sigma, descriptor.width, descriptor.decimals);
  FindingKind kind{};
  if (shown.find('*') != std::string::npos) {
    kind = FindingKind::printed_uncertainty_overflow;
  } else if (fills_field(shown)) {
    kind = FindingKind::printed_uncertainty_fills_field;
  } else {
    return;
  }
  findings.push_back(place.at(column, kind)
                         .with("sigma", cli::fixed(sigma, 6), sigma)
                         .choice("unit", static_cast<int>(record))
                         .with("shown", shown));
}

}  // namespace

Findings printed_uncertainty_findings(const conversion::Equation& equation, const LinePlace& place,
                                      std::int32_t column) {
  Findings findings;
  if (!std::isfinite(equation.U) || equation.U <= 0.0)
    return findings;  // infinities and zeros are found elsewhere
  const std::string U = cli::as_field(equation.U, equation_U.width, equation_U.decimals);
  if (U.find('*') != std::string::npos) {
    findings.push_back(place.at(column, FindingKind::equation_uncertainty_overflow)
                           .with("U", cli::fixed(equation.U, 5), equation.U)
                           .with("shown", U));
  } else if (U.find_first_not_of(" 0.") == std::string::npos) {
    findings.push_back(place.at(column, FindingKind::equation_uncertainty_printed_zero)
                           .with("U", scientific(equation.U), equation.U)
                           .with("shown", U));
  }
  sigma_field_findings(SigmaRecord::micro_u, equation.sigma_meas, micro_u_sigma, place, column,
                       findings);
  sigma_field_findings(SigmaRecord::kev, equation.sigma_kev, kev_sigma, place, column, findings);
  return findings;
}

Findings field_cut_findings(const LinePlace& place, std::int32_t field_end, int field) {
  const std::string_view record = place.source;
  const auto end = static_cast<std::size_t>(field_end);
  if (end == 0 || end >= record.size() || !is_digit(record[end]) || !is_digit(record[end - 1]))
    return {};
  std::size_t after = end;
  while (after < record.size() && is_digit(record[after])) ++after;
  return {place.at(field_end + 1, FindingKind::field_cut)
              .with("digits", std::string(record.substr(end, after - end)))
              .choice("field", field)};
}

Findings RelativeUncertainties::add(int block, const std::string& reference, std::int32_t charge,
                                    double ratio, double sigma, const LinePlace& place,
                                    std::int32_t column) {
  Findings findings;
  if (!(ratio > 0.0) || !(sigma > 0.0) || !std::isfinite(ratio) || !std::isfinite(sigma))
    return findings;
  const double relative = sigma / ratio;
  if (relative < nuclides::smallest_relative_uncertainty) {
    findings.push_back(place.at(column, FindingKind::uncertainty_too_small)
                           .with("relative", scientific(relative), relative));
  }
  if (block != block_) end_block();
  block_ = block;
  file_ = place.file;
  const bool highly_charged = charge >= nuclides::highly_charged;
  if (judged_ < measurements_pooled) {
    by_reference_[reference].push_back(relative);
    by_regime_[highly_charged ? 1 : 0].push_back(relative);
  }
  block_lines_.push_back({judged_++, reference, highly_charged, relative, place.line, column,
                          std::string(place.source.substr(0, columns_shown))});
  return findings;
}

Finding RelativeUncertainties::outlier(const Measured& m, double median, Scope scope) const {
  const double factor = m.relative / median;
  const bool above = factor > 1.0;
  const double times_off = above ? factor : 1.0 / factor;
  return LinePlace{file_, m.line, m.record}
      .at(m.column, FindingKind::uncertainty_outlier)
      .with("relative", scientific(m.relative), m.relative)
      .with("factor", times(times_off), times_off)
      .choice("larger", above ? 1 : 0)
      .choice("scope", scope)
      .choice("high", m.highly_charged ? 1 : 0)
      .with("median", scientific(median), median);
}

void RelativeUncertainties::end_block() {
  std::vector<double> values;
  values.reserve(block_lines_.size());
  for (const Measured& m : block_lines_) values.push_back(m.relative);
  const double median = median_of(std::move(values));
  for (Measured& m : block_lines_) {
    if (median <= 0.0) {
      if (m.order < measurements_pooled) waiting_.push_back(std::move(m));
    } else if (far_from(m.relative, median)) {
      // The finding shows the line after the block's lines are gone.
      shown_.push_back(std::move(m.record));
      m.record = {};
      Finding finding = outlier(m, median, block_scope);
      finding.source = shown_.back();
      found_.emplace_back(m.order, std::move(finding));
    }
  }
  block_lines_.clear();
}

Findings RelativeUncertainties::outliers(const std::string& file) {
  end_block();
  file_ = file;
  std::map<std::string, double> reference_medians;
  for (const auto& [reference, values] : by_reference_)
    reference_medians[reference] = median_of(values);
  const double regime_medians[2] = {median_of(by_regime_[0]), median_of(by_regime_[1])};
  for (const Measured& m : waiting_) {
    Scope scope = same_reference;
    double median = reference_medians[m.reference];
    if (median <= 0.0) {
      scope = same_regime;
      median = regime_medians[m.highly_charged ? 1 : 0];
    }
    if (median > 0.0 && far_from(m.relative, median))
      found_.emplace_back(m.order, outlier(m, median, scope));
  }
  // In the order of the lines, whichever median judged them.
  std::stable_sort(found_.begin(), found_.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  Findings findings;
  for (auto& [order, finding] : found_) findings.push_back(std::move(finding));
  found_.clear();
  return findings;
}

}  // namespace check
