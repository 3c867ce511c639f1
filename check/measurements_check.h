// measurements_check.h - findings in "vemo.freq", made while the
// converter's own walk reads it.
//
// The converter takes every line it can read and says nothing: a digit in
// the flag columns turns a ratio into its inverse, a tab or a shifted field
// moves the columns, a lower-case "new" is a measurement, a field without
// its point gets one put in. Each line is looked at as the walk hands it
// over, with the values the converter has and the columns it took them from.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "check/block_findings.h"
#include "check/check_context.h"
#include "check/uncertainty_findings.h"
#include "conversion/binding_energy_table.h"
#include "conversion/measurements_file.h"

namespace check {

class MeasurementsCheck final : public conversion::MeasurementsVisitor {
 public:
  MeasurementsCheck(CheckContext& context, const conversion::BindingEnergyTable& table)
      : context_(context), table_(table), block_findings_(context) {}

  void reference(const conversion::ReferenceRecord& reference) override;
  void measurement(const conversion::ReferenceRecord& reference,
                   const conversion::MeasurementRecord& measurement) override;
  void marker(const conversion::MeasurementRecord& line) override;

  // After the walk: where and why the converter would end with its failure
  // record, and a last line it never saw.
  void finish(conversion::WalkEnd end);

  // The walk's status variable and progress, which the findings read.
  std::int32_t status = 0;
  conversion::LineProgress progress;

  int blocks() const { return blocks_; }
  int measurements() const { return measurements_; }

 private:
  struct Field {
    std::string_view text;
    std::int32_t column = 1;      // where the field's columns begin
    std::int32_t first_mark = 1;  // its first non-blank column (the field's start when blank)
    bool comma_ended = false;     // a comma ended it before its last column
  };
  Field field(int index) const;
  // The fields as the read cut them, each in brackets, for -v.
  std::string fields_as_cut() const;

  void begin_line();
  void report(cli::Severity severity, std::int32_t column, const std::string& message);
  bool check_common(const conversion::Symbol& symbol, std::int32_t charge, bool reference_line,
                    const std::string& blank_line_consequence);
  // A real field without its point, with a decimal comma, or one that
  // reads as infinity or NaN.
  void check_decimal_point(int index, double value);
  // False when the ratio fits neither the pair nor its inverse.
  bool check_ratio(const conversion::ReferenceRecord& reference,
                   const conversion::MeasurementRecord& measurement);
  void check_reference_range(const conversion::ReferenceRecord& reference);
  void check_null_equation(const conversion::ReferenceRecord& reference,
                           const conversion::MeasurementRecord& measurement);
  void check_uncertainty_field_cut();
  LineReport line_report();
  void check_energies(const conversion::ReferenceRecord& reference,
                      const conversion::MeasurementRecord& measurement);
  void compare(bool reference_line, std::int32_t A, const conversion::Symbol& symbol,
               std::int32_t charge, bool corrected, double value, double sigma, int value_field,
               double correction = 0.0, std::optional<double> correction_sigma = std::nullopt);
  void report_read_failure();

  CheckContext& context_;
  const conversion::BindingEnergyTable& table_;
  SourceLine line_;
  int blocks_ = 0;
  int measurements_ = 0;
  bool reference_energy_missing_ = false;
  std::int64_t last_marker_line_ = 0;
  std::int32_t last_marker_column_ = 0;
  std::string last_marker_record_;
  BlockFindings block_findings_;
  RelativeUncertainties relative_uncertainties_;
};

}  // namespace check
