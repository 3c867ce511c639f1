// measurements_walk.h - "vemo.freq" judged while the converter's own walk
// reads it.
//
// The walk hands over each line with the values the converter has and the
// columns it took them from; the rules of a line (measurement_line_rules.h),
// of a block (measurement_block_rules.h), of the uncertainties
// (measurement_uncertainty_rules.h) and of the mass table
// (mass_table_comparison.h) judge it, and their findings are placed here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "check/check_context.h"
#include "check/measurement_block_rules.h"
#include "check/measurement_line_rules.h"
#include "check/measurement_uncertainty_rules.h"
#include "conversion/binding_energy_table.h"
#include "conversion/measurements_file.h"

namespace check {

class MeasurementsWalk final : public conversion::MeasurementsVisitor {
 public:
  MeasurementsWalk(CheckContext& context, const conversion::BindingEnergyTable& table)
      : context_(context), table_(table), block_rules_(context.freq.shown) {}

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
  MeasurementLine line() const;
  // The line's bytes: a byte-order mark, tabs, CRs, a missing line end.
  void begin_line();
  void add(const Findings& findings) { context_.diagnostics.add(findings); }
  // True when one of the rules that see a line as a whole found something:
  // the line is then not looked at further.
  bool misread_line(const Findings& findings);
  void compare(bool reference_line, std::int32_t A, const conversion::Symbol& symbol,
               std::int32_t charge, bool corrected, double value, double sigma,
               double correction = 0.0, std::optional<double> correction_sigma = std::nullopt);
  void listing(Finding finding);
  // Keeps an element's or an isomer's line for the isomers' excitation
  // energies, worked out when the whole file is read.
  void note_state(bool reference_line, std::int32_t A, const conversion::Symbol& symbol,
                  std::int32_t charge, double value, double sigma_over_ground,
                  std::optional<double> ratio, double ratio_sigma);
  // The block's element and isomer lines go to the context when one of
  // them is an isomer, and are dropped otherwise.
  void end_block_states();

  CheckContext& context_;
  const conversion::BindingEnergyTable& table_;
  SourceLine line_;
  int blocks_ = 0;
  int measurements_ = 0;
  std::int64_t last_marker_line_ = 0;
  std::int32_t last_marker_column_ = 0;
  std::string last_marker_record_;
  BlockRules block_rules_;
  RelativeUncertainties relative_uncertainties_;
  std::vector<StateLine> block_states_;
  bool block_has_isomer_ = false;
};

}  // namespace check
