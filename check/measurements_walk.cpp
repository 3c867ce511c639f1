// measurements_walk.cpp - the lines of the measurements file as the walk reads them.
#include "check/measurements_walk.h"

#include <algorithm>
#include <cmath>

#include "check/correction_uncertainty.h"
#include "check/line_bytes.h"
#include "check/mass_table_comparison.h"
#include "cli/number_text.h"
#include "nuclides/isomer_names.h"
#include "nuclides/symbols.h"
#include "recordio/conditions.h"

namespace check {

namespace {

using conversion::MeasurementRecord;
using conversion::ReferenceRecord;

bool has(const Findings& findings, FindingKind kind) {
  return std::any_of(findings.begin(), findings.end(),
                     [kind](const Finding& finding) { return finding.kind == kind; });
}

}  // namespace

MeasurementLine MeasurementsWalk::line() const {
  return {{context_.freq.shown, context_.freq.trace.line_number, progress.record}, progress};
}

void MeasurementsWalk::begin_line() {
  // The converter's own record; the line's bytes stay in the trace.
  line_.record = progress.record;
  line_.raw = context_.freq.trace.raw.view();
  line_.tab_width = context_.tab_width;
  add(line_bytes_findings(context_, context_.freq, line_,
                          {.tabs_matter = true, .byte_order_mark = false}));
  if (!context_.freq.trace.line_feed)
    add({delivered_without_line_end(context_.freq, line_, InputKind::measurements)});
}

bool MeasurementsWalk::misread_line(const Findings& findings) {
  add(findings);
  return !findings.empty();
}

void MeasurementsWalk::listing(Finding finding) {
  finding.file = context_.freq.shown;
  finding.line = context_.freq.trace.line_number;
  context_.diagnostics.add(finding);
}

void MeasurementsWalk::compare(bool reference_line, std::int32_t A,
                               const conversion::Symbol& symbol, std::int32_t charge,
                               bool corrected, double value, double sigma, double correction,
                               std::optional<double> correction_sigma) {
  if (context_.masses == nullptr) return;
  Compared entry;
  entry.correction = correction;
  entry.correction_sigma = correction_sigma;
  entry.A = A;
  entry.charge = charge;
  entry.corrected = corrected;
  entry.line = context_.freq.trace.line_number;
  entry.block = blocks_;
  entry.reference = reference_line;
  entry.nuclide = nuclide_text(A, symbol);
  entry.value = value;
  entry.sigma = sigma;
  const nuclides::SymbolMeaning meaning = nuclides::classify_symbol(symbol);
  entry.kind = meaning.kind;
  // Each nuclide is looked up in the table once, however many lines name it.
  context_.compared.find_table_value(entry, symbol, *context_.masses);
  const MeasurementLine here = line();
  const ComparedColumns columns{here.field(mass_number_field).first_mark,
                                here.field(symbol_field).column, here.field(value_field).first_mark,
                                here.field(sigma_field).first_mark};
  add(mass_table_findings(entry, meaning, here.place, columns));
  context_.compared.add(entry, symbol, *context_.masses);
}

void MeasurementsWalk::note_state(bool reference_line, std::int32_t A,
                                  const conversion::Symbol& symbol, std::int32_t charge,
                                  double value, double sigma_over_ground,
                                  std::optional<double> ratio, double ratio_sigma) {
  if (context_.properties == nullptr) return;
  const std::optional<nuclides::StateName> state =
      nuclides::state_of_symbol(nuclides::without_trailing_blanks({symbol.data(), symbol.size()}));
  if (!state) return;
  StateLine noted;
  noted.line = context_.freq.trace.line_number;
  noted.block = blocks_;
  noted.A = A;
  noted.charge = charge;
  noted.state = *state;
  noted.nuclide = nuclide_text(A, symbol);
  noted.reference = reference_line;
  noted.value = value;
  noted.sigma_over_ground = sigma_over_ground;
  if (context_.masses != nullptr) noted.ground = context_.masses->find(A, state->element);
  if (noted.ground) {
    noted.sigma_over_ground = std::hypot(sigma_over_ground, noted.ground->uncertainty);
  }
  noted.ratio = ratio;
  noted.ratio_sigma = ratio_sigma;
  const MeasurementLine here = line();
  // Only a finding on an isomer's own line shows its text.
  if (state->letter != ' ') {
    noted.text = std::string(here.place.source);
    block_has_isomer_ = true;
  }
  noted.value_column = here.field(value_field).first_mark;
  block_states_.push_back(std::move(noted));
}

void MeasurementsWalk::end_block_states() {
  // An isomer's E* is worked out from a ground-state line of its own block
  // only: a block without an isomer leaves nothing to keep.
  if (block_has_isomer_) {
    context_.state_lines.insert(context_.state_lines.end(),
                                std::make_move_iterator(block_states_.begin()),
                                std::make_move_iterator(block_states_.end()));
  }
  block_states_.clear();
  block_has_isomer_ = false;
}

void MeasurementsWalk::reference(const ReferenceRecord& reference) {
  end_block_states();
  ++blocks_;
  begin_line();
  const MeasurementLine here = line();
  if (context_.diagnostics.verbose) {
    listing(LinePlace{}
                .at(0, FindingKind::listing_reference)
                .with("fields", here.fields_as_cut())
                .count("A", reference.A_ref)
                .with("symbol", printed_text({reference.symbol_ref.data(), 4}))
                .count("charge", reference.charge_ref)
                .with("value", cli::fixed(reference.mass_excess_ref, 8), reference.mass_excess_ref)
                .with("sigma", cli::fixed(reference.sigma_ref, 8), reference.sigma_ref));
  }
  bool readable = !misread_line(line_rules::blank_reference_line(here)) &&
                  !misread_line(line_rules::block_marker(here, reference.symbol_ref));
  if (readable) {
    add(line_rules::symbol(here, reference.symbol_ref, reference.A_ref));
    add(line_rules::flag(here));
    add(line_rules::charge_state(here, reference.charge_ref));
  }
  // The previous block ends here: its findings show its own reference line.
  add(block_rules_.end_block());
  add(block_rules_.reference(
      {context_.freq.trace.line_number, progress.record, here.field(mass_number_field).first_mark,
       here.field(value_field).first_mark, nuclide_text(reference.A_ref, reference.symbol_ref),
       reference.mass_excess_ref, readable}));
  if (!readable) return;
  add(line_rules::decimal_point(here, value_field, reference.mass_excess_ref));
  add(line_rules::decimal_point(here, sigma_field, reference.sigma_ref));
  add(line_rules::uncertainty_field_end(here));
  add(line_rules::reference_mass_excess_range(here, reference));
  add(line_rules::reference_uncertainty(here, reference));
  add(line_rules::reference_binding_energy(here, reference, table_, context_.table.shown));
  const double energy = table_
                            .look_up(reference.symbol_ref, reference.charge_ref,
                                     reference.symbol_ref, reference.charge_ref)
                            .reference;
  compare(true, reference.A_ref, reference.symbol_ref, reference.charge_ref,
          conversion::energy_found(energy), reference.mass_excess_ref, reference.sigma_ref);
  note_state(true, reference.A_ref, reference.symbol_ref, reference.charge_ref,
             reference.mass_excess_ref, reference.sigma_ref, std::nullopt, 0.0);
}

void MeasurementsWalk::measurement(const ReferenceRecord& reference,
                                   const MeasurementRecord& measurement) {
  ++measurements_;
  begin_line();
  const MeasurementLine here = line();
  const conversion::Equation equation = conversion::equation_for(table_, reference, measurement);
  bool from_rows = false;
  const std::optional<double> correction_sigma =
      context_.binding == nullptr
          ? std::nullopt
          : correction_uncertainty(*context_.binding, context_.given_uncertainty_ev, reference,
                                   measurement, equation, &from_rows);
  // The listing is made only when it is shown: its numbers' texts cost more
  // than the rules of the line.
  if (context_.diagnostics.verbose) {
    Finding listed =
        LinePlace{}
            .at(0, FindingKind::listing_measurement)
            .with("fields", here.fields_as_cut())
            .count("A", measurement.A_meas)
            .with("symbol", printed_text({measurement.symbol_meas.data(), 4}))
            .count("charge", measurement.charge_meas)
            .with("ratio", cli::fixed(measurement.ratio_value, 8), measurement.ratio_value)
            .with("flag", printed_text({measurement.flag.data(), 2}))
            .with("sigma", cli::fixed(measurement.sigma_value, 8), measurement.sigma_value)
            .with("value", cli::fixed(equation.mass_excess_meas, 6), equation.mass_excess_meas)
            .with("value_sigma", cli::fixed(equation.sigma_meas, 6), equation.sigma_meas)
            .choice("correction", !equation.correction_applied ? 0
                                  : correction_sigma           ? 2
                                                               : 1)
            .with("C", cli::fixed(equation.C, 6), equation.C);
    if (correction_sigma) {
      listed.with("C_sigma", cli::fixed(*correction_sigma, 6), *correction_sigma)
          .choice("given", from_rows ? 1 : 0)
          .with("table", context_.table.shown);
    }
    listing(std::move(listed));
  }
  context_.equations.add(
      {{measurement.A_meas, nuclides::without_trailing_blanks(
                                {measurement.symbol_meas.data(), measurement.symbol_meas.size()})},
       {reference.A_ref, nuclides::without_trailing_blanks(
                             {reference.symbol_ref.data(), reference.symbol_ref.size()})},
       equation.G},
      context_.freq.trace.line_number, here.field(mass_number_field).first_mark, here.place.source);
  if (misread_line(line_rules::blank_measurement_line(here, reference, measurement, equation)) ||
      misread_line(line_rules::block_marker(here, measurement.symbol_meas)))
    return;
  add(line_rules::symbol(here, measurement.symbol_meas, measurement.A_meas));
  add(line_rules::flag(here));
  add(line_rules::charge_state(here, measurement.charge_meas));
  add(block_rules_.measurement(context_.freq.trace.line_number, progress.record));
  add(line_rules::decimal_point(here, value_field, measurement.ratio_value));
  add(line_rules::decimal_point(here, sigma_field, measurement.sigma_value));
  add(line_rules::uncertainty_field_end(here));
  const Findings uncertainty = line_rules::ratio_uncertainty(here, measurement);
  add(uncertainty);
  if (uncertainty.empty()) {
    const std::int32_t column = here.field(sigma_field).first_mark;
    add(printed_uncertainty_findings(equation, here.place, column));
    add(relative_uncertainties_.add(blocks_, nuclide_text(reference.A_ref, reference.symbol_ref),
                                    measurement.charge_meas, measurement.ratio_value,
                                    measurement.sigma_value, here.place, column));
  }
  const Findings ratio =
      line_rules::ratio_window(here, reference, measurement, context_.masses != nullptr);
  for (const Finding& finding : ratio) {
    if (kind_info(finding.kind).severity == Severity::listing) {
      listing(finding);
    } else {
      context_.diagnostics.add(finding);
    }
  }
  if (has(ratio, FindingKind::ratio_window)) block_rules_.ratio_fits_neither();
  add(line_rules::null_equation(here, reference, measurement));
  add(line_rules::mass_standard_measured(here, reference, measurement));
  add(line_rules::measured_binding_energy(here, reference, measurement, table_,
                                          context_.table.shown));
  add(line_rules::correction_uncertainty_share(here, reference, measurement, equation,
                                               correction_sigma, from_rows, context_.table.shown));
  if (equation.correction_applied && std::isfinite(equation.q)) {
    context_.row_effects.equation_uses(reference.symbol_ref, reference.charge_ref,
                                       measurement.symbol_meas, measurement.charge_meas,
                                       equation.q * measurement.charge_meas / reference.charge_ref,
                                       equation.U);
  }
  compare(false, measurement.A_meas, measurement.symbol_meas, measurement.charge_meas,
          equation.correction_applied, equation.mass_excess_meas, equation.sigma_meas, equation.C,
          correction_sigma);
  note_state(false, measurement.A_meas, measurement.symbol_meas, measurement.charge_meas,
             equation.mass_excess_meas,
             std::hypot(equation.sigma_meas, correction_sigma.value_or(0.0)), equation.q,
             equation.sigma_q);
}

void MeasurementsWalk::marker(const MeasurementRecord& /*line*/) {
  begin_line();
  listing(LinePlace{}.at(0, FindingKind::listing_block_end).count("block", blocks_));
  add(block_rules_.end_block());
  last_marker_line_ = context_.freq.trace.line_number;
  last_marker_column_ = line().field(symbol_field).column;
  last_marker_record_ = progress.record;
}

void MeasurementsWalk::finish(conversion::WalkEnd end) {
  end_block_states();
  if (end == conversion::WalkEnd::failure) {
    if (status == recordio::code::illegal_numeric_character) {
      // Where the read stopped is found before the line's bytes, which
      // may say why (a tab, a CR), are looked at.
      const Findings refused = line_rules::refused_field(line(), measurements_);
      begin_line();
      add(refused);
      if (context_.freq.trace.line_number == 1 &&
          starts_with_byte_order_mark(context_.freq.trace.raw.view()))
        add({line().place.at(1, FindingKind::byte_order_mark_cause).replacing(3, "")});
      return;  // nothing after this line is read
    }
    if (status != -1) {
      context_.unreadable =
          "cannot read " + context_.freq.quoted + " to its end: " + cli::condition_text(status);
      return;
    }
    // End of file where a reference line must stand.
    if (last_marker_line_ != 0) {
      add({LinePlace{context_.freq.shown, last_marker_line_, last_marker_record_}
               .at(last_marker_column_, FindingKind::ends_after_new)
               .count("equations", measurements_)});
    } else {
      add({LinePlace{context_.freq.shown, 1, {}}.at(1, FindingKind::no_reference_line)});
    }
  }
  if (end != conversion::WalkEnd::failure) add(block_rules_.end_block());
  add(relative_uncertainties_.outliers(context_.freq.shown));
  const SourceLine tail = context_.freq.current_line(context_.tab_width);
  add(undelivered_tail_findings(context_.freq, tail, InputKind::measurements));
}

}  // namespace check
