// finding_kinds.h - every kind of finding the checker gives, with its
// identifier, severity and words, in one table.
//
// As a compiler names each warning, every finding carries a stable
// identifier ("ratio-window") that scripts, editors and the man page can
// refer to; the text report ends each finding's first line with it in
// brackets. The words are data: a message is its kind's text with the
// finding's values put in (message_of), so a change of wording is a change
// of this table and of the golden file that pins it, nowhere else.
//
// A text names a value as {name}; {name:first|second|...} shows the
// alternative that the value `name` counts (0 for the first), and an
// alternative may name values in turn.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace check {

enum class Severity : std::uint8_t {
  error,    // the converter stops or writes nothing of use
  warning,  // the converter goes on and writes something wrong
  note,     // worth knowing; counted neither as error nor as warning
  remark,   // a note shown only with -v: nothing to mend, but -v says why
  listing,  // what -v lists on standard output; not a finding
};

enum class FindingKind : std::uint16_t {
  // How a line is written in either input file.
  byte_order_mark,
  byte_order_mark_cause,
  tab_moves_fields,
  lone_cr,
  cr_line_ends,
  last_line_no_end,
  unread_last_line,
  // The lines of the measurements file, one at a time.
  empty_reference_line,
  empty_measurement_line,
  new_as_reference,
  block_marker_spelling,
  no_symbol,
  unknown_symbol,
  reference_flag,
  stray_flag,
  charge_zero,
  charge_negative,
  decimal_comma,
  not_finite_field,
  no_decimal_point,
  field_cut,
  reference_not_mass_excess,
  reference_uncertainty_negative,
  reference_uncertainty_zero,
  reference_binding_energy_missing,
  ratio_uncertainty_negative,
  ratio_uncertainty_zero,
  equation_uncertainty_overflow,
  equation_uncertainty_printed_zero,
  printed_uncertainty_overflow,
  printed_uncertainty_fills_field,
  uncertainty_too_small,
  ratio_not_positive,
  flag_wrong,
  flag_missing,
  ratio_window,
  null_equation,
  mass_standard_measured,
  binding_energy_missing,
  correction_uncertainty,
  read_stop,
  ends_after_new,
  no_reference_line,
  // The measurements file as a whole: blocks and all lines together.
  reference_two_values,
  repeated_line,
  empty_block,
  reference_blamed,
  uncertainty_outlier,
  // The mass excesses beside the mass table, and the mass table's own rows.
  unknown_nuclide,
  molecule_mass_number,
  reference_far_from_table,
  mass_excess_far_from_table,
  isomer_letter_slip,
  isomer_below_ground,
  isomer_too_high,
  molecule_far_from_atoms,
  reference_uncertainty_large,
  reference_uncertainty_small,
  undetermined_group,
  mass_table_row,
  isomer_excitation_far,
  isomer_excitation_systematics,
  nubase_table_row,
  // The rows of the binding-energy table.
  row_incomplete_at_end,
  row_value_refused,
  row_runs_on,
  row_leftover,
  row_leftover_after_run_on,
  row_energy_missing,
  row_isomer,
  row_charge_beyond_z,
  row_energy_low,
  row_energy,
  row_energy_small,
  row_energy_unused,
  row_duplicate,
  row_duplicate_earlier,
  rows_over_capacity,
  // --make-table.
  made_rows_read_stop,
  made_rows_molecule,
  made_rows_unknown_symbol,
  made_rows_no_data,
  made_rows_over_capacity,
  // The -v listing.
  listing_reference,
  listing_measurement,
  listing_block_end,
  listing_row,
  listing_flag_undecided,
};

struct FindingKindInfo {
  FindingKind kind;
  std::string_view id;  // kebab-case, stable across versions
  Severity severity;
  std::string_view text;  // the message, with {name} for its values
};

// The table, in the order of FindingKind.
std::span<const FindingKindInfo> finding_kinds();
const FindingKindInfo& kind_info(FindingKind kind);

// The kind's text as a description of every finding of it: each value
// named in angle brackets ("<charge>"), each choice as its first
// alternative.
std::string kind_description(FindingKind kind);

// "error", "warning", "note", "remark", "listing".
std::string_view severity_word(Severity severity);

}  // namespace check
