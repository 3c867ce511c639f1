// finding_kinds.cpp - the table of findings, and messages made from it.
#include "check/finding_kinds.h"

#include <cmath>
#include <string>

#include "check/finding.h"

namespace check {

namespace {

using enum FindingKind;
constexpr Severity E = Severity::error;
constexpr Severity W = Severity::warning;
constexpr Severity N = Severity::note;
constexpr Severity R = Severity::remark;
constexpr Severity L = Severity::listing;

// Words several texts share, kept once. The field a finding is about, by
// its index in the line's format list; a reference line's columns 13-31
// hold a mass excess (7th name).
#define FIELD_NAME                                                                           \
  "{field:mass number (columns 1-4)|symbol (columns 5-8)|charge state (columns 9-12)|ratio " \
  "(columns 13-31)|flag (columns 32-33)|uncertainty (columns 34-46)|mass excess (columns "   \
  "13-31)}"
#define DISTANCE "{infinite:{sigmas}|infinitely many} sigma ({difference} micro-u)"
#define BELOW_BOUND                                                                             \
  "{single:below {charge} x {least} eV = {bound} eV, the least {charge} electrons of any atom " \
  "are bound by|below {least} eV, the least an electron of any atom is bound by}"
#define ISOMER_ENERGY                                                                        \
  "{from:over the mass table's ground state|from the ratios with its ground state on line "  \
  "{ground_line}}, {value} +/- {sigma} keV, is {sigmas} sigma from {table}'s {table_value} " \
  "+/- {table_sigma} keV{order:| (the table marks the order of ground state and isomer "     \
  "uncertain)| (the table's order of ground state and isomer is reversed from ENSDF's)}"
#define MOLECULAR_IONS "man freq2equat, MOLECULAR IONS"
#define ROW_NOT_TOTAL                                                                          \
  "{element} with charge {charge}: {written} eV is not the total binding energy of the "       \
  "{single:{charge} electrons|1 electron} removed, {total} +/- {total_sigma} eV: {slip:it is " \
  "the {ordinal} ionisation energy alone ({ionisation} eV); the row holds the sum of the "     \
  "first {charge}|it is the total in keV; the row holds eV|it is the total for charge "        \
  "{other} ({other_total} eV): is the charge wrong?|it is " BELOW_BOUND "|is a digit wrong?}"

constexpr FindingKindInfo table[] = {
    {byte_order_mark, "byte-order-mark", W,
     "the file starts with a byte-order mark (bytes EF BB BF): the converter reads it as part of "
     "the first value, so the first row is not loaded; save the file without it"},
    {byte_order_mark_cause, "byte-order-mark-cause", N,
     "the file starts with a byte-order mark (bytes EF BB BF), which an editor may have added: "
     "save the file without it"},
    {tab_moves_fields, "tab-moves-fields", W,
     "a tab: the converter fills blanks up to column {next} (tab stops every {tab_width} "
     "columns), so every field after it moves; write blanks instead"},
    {lone_cr, "lone-cr", W,
     "a CR without LF: a line end of CR alone is no line end here; the converter drops the CR "
     "and reads what follows as part of this line"},
    {cr_line_ends, "cr-line-ends", W,
     "the lines from here on end in CR alone, which ends no line here: the converter never "
     "reads them; save the file with LF or CR LF line ends"},
    {last_line_no_end, "last-line-no-end", W,
     "the last line has no line end: if the file was cut short, {input:this line is incomplete "
     "and its values are wrong|its row may be cut short too}"},
    {unread_last_line, "unread-last-line", W,
     "the last line has no line end, and the converter never reads it: {input:it gets no "
     "equation|its row is not loaded}"},

    {empty_reference_line, "empty-reference-line", W,
     "an empty line, read as a reference with every field zero: the converter writes infinities "
     "and NaN from it"},
    {empty_measurement_line, "empty-measurement-line", W,
     "an empty line, read as a measurement with every field zero: the converter writes the "
     "zero-uncertainty equation \"{equation}\" from it"},
    {new_as_reference, "new-as-reference", W,
     "a NEW line where the block's reference line must stand (two NEW lines in a row?): the "
     "converter reads it as the reference"},
    {block_marker_spelling, "block-marker-spelling", W,
     "'{symbol}' is not the block end: only \"NEW \" in columns 5-8 ends a block, so the "
     "converter reads this line as a measurement, and the next block's reference too"},
    {no_symbol, "no-symbol", W,
     "no symbol in columns 5-8: no binding energy is found for it, so the converter writes its "
     "warning record and no binding-energy correction"},
    {unknown_symbol, "unknown-symbol", W,
     "'{symbol}' is not an element or a molecule as the converter reads it{shifted:| (the symbol "
     "must start in column 5)}{hint:|: an isomer is written {spelling} here}"},
    {reference_flag, "reference-flag", W,
     "{byte} in the flag columns 32-33 of a reference line is not read: is the mass excess one "
     "column too far right?"},
    {stray_flag, "stray-flag", W,
     "{byte} in the flag columns 32-33 makes the converter take the ratio as the inverse ratio: "
     "is the ratio one column too far right?"},
    {charge_zero, "charge-zero", W,
     "charge state 0: the equation divides by it, and the converter writes infinities and NaN"},
    {charge_negative, "charge-negative", W,
     "negative charge state {charge}: the equation takes it as it stands"},
    {decimal_comma, "decimal-comma", W,
     "a decimal comma in the " FIELD_NAME
     ": the converter ends the field at the comma and reads '{written}' as {value}, and the "
     "digits after the comma move into the next fields; write a decimal point"},
    {not_finite_field, "not-finite-field", W,
     "'{written}' in the " FIELD_NAME
     " reads as {nan:infinity|NaN}: a field that starts with I or N is infinity or NaN, "
     "whatever follows"},
    {no_decimal_point, "no-decimal-point", W,
     "no decimal point in the " FIELD_NAME
     ": '{written}' reads as {value} (the last 8 digits are taken as decimals)"},
    {field_cut, "field-cut", W,
     "the digits '{digits}' right after the " FIELD_NAME
     " continue it: the converter reads the field only to its last column, so these digits are "
     "lost"},
    {reference_not_mass_excess, "reference-not-mass-excess", W,
     "a reference mass excess of {value} micro-u is no mass excess: every nuclide's lies within "
     "-98,400 and +216,200 micro-u; is this a ratio read as a reference (an extra NEW line "
     "before it?), or a value in the wrong unit?"},
    {reference_uncertainty_negative, "reference-uncertainty-negative", W,
     "negative uncertainty of the reference mass excess"},
    {reference_uncertainty_zero, "reference-uncertainty-zero", W,
     "the reference mass excess has no uncertainty (0)"},
    {reference_binding_energy_missing, "reference-binding-energy-missing", W,
     "no binding energy for {element} with charge {charge} in {table}: every equation of this "
     "block gets the converter's warning record and no binding-energy correction"},
    {ratio_uncertainty_negative, "ratio-uncertainty-negative", W,
     "negative uncertainty of the ratio"},
    {ratio_uncertainty_zero, "ratio-uncertainty-zero", W, "the ratio has no uncertainty (0)"},
    {equation_uncertainty_overflow, "equation-uncertainty-overflow", W,
     "the equation's uncertainty, {U} micro-u, does not fit its field: the equation record "
     "shows \"({shown})\""},
    {equation_uncertainty_printed_zero, "equation-uncertainty-printed-zero", W,
     "the equation's uncertainty, {U} micro-u, is printed as \"({shown})\": vemo.equat gives "
     "this equation no uncertainty"},
    {printed_uncertainty_overflow, "printed-uncertainty-overflow", W,
     "the uncertainty of the mass excess, {sigma} {unit:micro-u|keV}, does not fit its field: "
     "the {unit:micro-u|keV} record shows \" +/-{shown}\""},
    {printed_uncertainty_fills_field, "printed-uncertainty-fills-field", W,
     "the uncertainty of the mass excess, {sigma} {unit:micro-u|keV}, fills its field: the "
     "{unit:micro-u|keV} record loses the blank after \"+/-\" (\"+/-{shown}\")"},
    {uncertainty_too_small, "uncertainty-too-small", W,
     "the relative uncertainty of this ratio, {relative}, is below 1e-12, beyond the best "
     "published ratio measurements (a few 1e-12): is a digit of the uncertainty lost?"},
    {ratio_not_positive, "ratio-not-positive", W,
     "the ratio is {negative:zero|negative}: {measured} over {reference} gives about "
     "{expected}"},
    {flag_wrong, "flag-wrong", W,
     "this ratio fits {measured} over {reference} itself, but the flag in columns 32-33 makes "
     "the converter take its inverse: is the flag wrong?"},
    {flag_missing, "flag-missing", W,
     "this ratio fits the inverse of {measured} over {reference}, but the blank flag makes the "
     "converter take it as it stands: is the flag in columns 32-33 missing?"},
    {ratio_window, "ratio-window", W,
     "this ratio fits neither {measured} over {reference} (about {expected}) nor its inverse "
     "(about {inverse}): is a digit or a column wrong, or a mass number or charge state?"},
    {null_equation, "null-equation", N,
     "{nuclide} is measured against itself: the equation is a null equation (the mass excess "
     "cancels), which tests only the electron mass and the binding energies"},
    {mass_standard_measured, "mass-standard-measured", N,
     "{measured} is measured against {reference}, but the mass excess of 12C is 0 by the "
     "definition of the unit: this line measures {reference_nuclide}; write it the other way "
     "round, in a block whose reference is 12C (mass excess 0, uncertainty 0): '{reversed}'"},
    {binding_energy_missing, "binding-energy-missing", W,
     "no binding energy for {element} with charge {charge} in {table}: the converter writes its "
     "warning record and no binding-energy correction"},
    {correction_uncertainty, "correction-uncertainty", W,
     "the binding-energy correction of {measured} over {reference}, {correction} micro-u, is "
     "uncertain by {sigma} micro-u from {given:the tabulated binding energies|the uncertainties "
     "the rows of {table} give}, more than a third of the "
     "equation's U of {U} micro-u: at this precision the measurement needs an ion-specific "
     "calculation of the binding energies; write each calculated total in its row with its "
     "uncertainty in eV as a fifth value"},
    {read_stop, "read-stop", E,
     "{byte} is not allowed in the " FIELD_NAME
     ": the converter stops here and writes \"Error in File Reading\"{equations:, and no "
     "equation| after the 1 equation before this line| after the {equations} equations before "
     "this line}"},
    {ends_after_new, "ends-after-new", E,
     "the file ends after this NEW line, where a reference line must follow: the converter ends "
     "with \"Error in File Reading\", although {equations:all 0 equations before it are "
     "written|the equation before it is written|all {equations} equations before it are "
     "written}"},
    {no_reference_line, "no-reference-line", E,
     "no line to read as the first reference line: the converter writes only \"Error in File "
     "Reading\""},

    {reference_two_values, "reference-two-values", W,
     "{nuclide} was given the mass excess {earlier} on line {earlier_line}: one reference "
     "nuclide with two mass excesses in one file, so one of them is a slip"},
    {repeated_line, "repeated-line", W,
     "this line repeats line {earlier_line} in every column the converter reads: pasted twice? "
     "The converter writes the same equation twice, and an evaluation counts it twice"},
    {empty_block, "empty-block", W,
     "this block has a reference line and no measurement: is a measurement line lost, or is the "
     "NEW line after it one too many?"},
    {reference_blamed, "reference-blamed", W,
     "{measurements:|the block's only measurement fits the ratio check neither way: the mass "
     "number or charge state of this reference line may be the slip rather than the "
     "measurement's|all {measurements} measurements of this block fit the ratio check neither "
     "way: the mass number or charge state of this reference line is the likely slip}"},
    {uncertainty_outlier, "uncertainty-outlier", W,
     "the relative uncertainty of this ratio, {relative}, is {factor} times "
     "{larger:smaller|larger} than the median of {scope:its block's measurements|the measurements "
     "against the same reference|the file's measurements of {high:singly and doubly charged "
     "ions|ions of charge 3+ and more}} ({median}): is a digit or the decimal point of the "
     "uncertainty misplaced?"},

    {unknown_nuclide, "unknown-nuclide", W,
     "{isomer:|the ground state of {nuclide}, }{A}{element} is not a known nuclide: the mass "
     "table, which lists every known one, has no {element} with mass number {A}{formula:| (is "
     "it the molecule {upper}?)}{hint:|: an isomer is written {spelling} here}"},
    {molecule_mass_number, "molecule-mass-number", W,
     "no isotopes of the atoms of {formula} in the mass table add up to mass number {A}: is the "
     "mass number wrong?"},
    {reference_far_from_table, "reference-far-from-table", W,
     "the reference mass excess of {nuclide} is " DISTANCE
     " from the mass table's {table}: a typing error in it is more likely than new physics"},
    {mass_excess_far_from_table, "mass-excess-far-from-table", W,
     "the mass excess of {nuclide}, {value} micro-u, is " DISTANCE
     " from the mass table's {table}: the ratio, the flag or the reference may be wrong"},
    {isomer_letter_slip, "isomer-letter-slip", W,
     "{nuclide} equals the ground state {ground} of the mass table within 3 sigma ({difference} "
     "micro-u): is the isomer letter '{letter}' a slip?"},
    {isomer_below_ground, "isomer-below-ground", W,
     "{nuclide} lies " DISTANCE
     " below the ground state {ground} of the mass table: an isomer cannot lie below its ground "
     "state"},
    {isomer_too_high, "isomer-too-high", W,
     "{nuclide} lies {excitation} keV above the ground state {ground} of the mass table: no "
     "isomer lies more than 10 MeV above its ground state"},
    {molecule_far_from_atoms, "molecule-far-from-atoms", W,
     "the mass excess of the molecule {nuclide}, {value} micro-u, is {difference} micro-u from "
     "the sum of its atoms' table values ({atoms}: {table}), beyond 3 sigma and the 12 eV its "
     "dissociation may take off: {reference:the ratio, the flag or the reference may be "
     "wrong|a typing error is likely}"},
    {reference_uncertainty_large, "reference-uncertainty-large", W,
     "the reference uncertainty {sigma} micro-u is {times} times the mass table's for {nuclide} "
     "({table} +/- {table_sigma}): has a digit slipped?"},
    {reference_uncertainty_small, "reference-uncertainty-small", N,
     "the reference uncertainty {sigma} micro-u is less than a tenth of the mass table's for "
     "{nuclide}: right for a newer, more precise value; the comparison used the table's {table} "
     "+/- {table_sigma}"},
    {undetermined_group, "undetermined-group", W,
     "the measurements tie {nuclides} to nothing freq2equat-adjust can anchor: {many:it is not "
     "12C, nor a reference with|12C is not among them, nor is a reference with} a mass-table "
     "value the adjustment takes (a measured one, or any for a nuclide that is only a "
     "reference); the adjustment leaves {many:it|them} undetermined unless --anchor names "
     "{many:it|one} with a table value"},
    {mass_table_row, "mass-table-row", W, "{reason}: the row is left out"},
    {isomer_excitation_far, "isomer-excitation-far", W,
     "the excitation energy of {nuclide} " ISOMER_ENERGY
     ": is it another state, or is a ratio or a flag wrong?"},
    {isomer_excitation_systematics, "isomer-excitation-systematics", N,
     "the excitation energy of {nuclide} " ISOMER_ENERGY
     ": the table's value is from systematics, not measured"},
    {nubase_table_row, "nubase-table-row", W, "{reason}: the row is left out"},

    {row_incomplete_at_end, "row-incomplete-at-end", W,
     "the last row has only {values} of its four values (number, symbol, charge, energy): the "
     "converter does not load it"},
    {row_value_refused, "row-value-refused", W,
     "'{value}' is not {values:a row number (an integer)|a symbol|a charge state (an "
     "integer)|an energy in eV (a number)}: the converter keeps this row with "
     "{values:nothing|nothing|symbol {symbol}|symbol {symbol}, charge {charge}} and no energy, "
     "so no ion finds it{values:|| (is the charge missing?)|}"},
    {row_runs_on, "row-runs-on", W,
     "this row runs on to line {energy_line} and takes its energy '{energy}' from there: is a "
     "value missing on this line?"},
    {row_leftover, "row-leftover", W,
     "the converter does not read '{leftover}' after the fourth value of this row; the next row "
     "starts on the next line"},
    {row_leftover_after_run_on, "row-leftover-after-run-on", N,
     "the converter does not read '{leftover}' after the fourth value of this row; the next row "
     "starts on the next line"},
    {row_energy_missing, "row-energy-missing", W,
     "the energy of {element} with charge {charge} is {nan:0|not a number}: the converter treats "
     "it as missing"},
    {row_isomer, "row-isomer", W,
     "a row for '{symbol}' is never found: the converter drops the isomer letter of an ion "
     "before it looks up its energy, so the row must be for '{looked_up}'"},
    {row_charge_beyond_z, "row-charge-beyond-z", W,
     "{element} with charge {charge}: {written} eV is for more electrons than {element} has "
     "({Z}): is the charge wrong?"},
    {row_energy_low, "row-energy-low", W,
     "{element} with charge {charge}: {written} eV is " BELOW_BOUND
     ": is it in keV?{molecule:| (a molecule's row that holds its ionisation energy less its "
     "dissociation energy may be that low: " MOLECULAR_IONS ")}"},
    {row_energy, "row-energy", W, ROW_NOT_TOTAL},
    {row_energy_small, "row-energy-small", R,
     "{element} with charge {charge}: {written} eV is {difference} eV from the total binding "
     "energy of the {single:{charge} electrons|1 electron} removed, {total} +/- {total_sigma} "
     "eV, but moves no equation of this file by more than a tenth of its U (at most {shift} "
     "micro-u, where U is {U} micro-u): another edition of the data, or fewer digits?"},
    {row_energy_unused, "row-energy-unused", R,
     ROW_NOT_TOTAL " (no measurement of this file uses the row)"},
    {row_duplicate, "row-duplicate", W,
     "{element} with charge {charge} is in the table twice: the converter uses this later row, "
     "not the one on line {earlier_line}"},
    {row_duplicate_earlier, "row-duplicate-earlier", N,
     "the earlier row of {element} with charge {charge}"},
    {rows_over_capacity, "rows-over-capacity", W,
     "the converter loads 450 rows: this row and every row after it are not loaded"},

    {made_rows_read_stop, "made-rows-read-stop", E,
     "the converter cannot read this line and stops here: the table holds the ions of the lines "
     "before it only (freq2equat-check without --make-table says what is wrong)"},
    {made_rows_molecule, "made-rows-molecule", W,
     "no row is made for {element} with charge {charge}: a molecule's row holds its ionisation "
     "energy less its dissociation energy (its mass excess then the sum of its atoms'), or its "
     "ionisation energy alone with the dissociation energy in its mass excess (" MOLECULAR_IONS
     "); add it by hand"},
    {made_rows_unknown_symbol, "made-rows-unknown-symbol", W,
     "no row is made for '{symbol}': it is not an element or a molecule as the converter reads "
     "it"},
    {made_rows_no_data, "made-rows-no-data", W,
     "no row is made for {element} with charge {charge}: the binding-energy data has "
     "none{beyond:| ({element} has {Z} electrons)}"},
    {made_rows_over_capacity, "made-rows-over-capacity", W,
     "the ions need {rows} rows, but the converter loads 450: this row and the rows after it are "
     "not loaded; split the measurements"},

    {listing_reference, "listing-reference", L,
     "reference {fields}: A {A}, symbol '{symbol}', charge {charge}, mass excess {value}, "
     "uncertainty {sigma}"},
    {listing_measurement, "listing-measurement", L,
     "measurement {fields}: A {A}, symbol '{symbol}', charge {charge}, ratio {ratio}, flag "
     "'{flag}', uncertainty {sigma}; mass excess {value} +/- {value_sigma} "
     "micro-u{correction:|; binding-energy correction {C} micro-u (its uncertainty not "
     "known)|; binding-energy correction {C} +/- {C_sigma} micro-u{given:| (uncertainty from "
     "the fifth values of {table})}}"},
    {listing_block_end, "listing-block-end", L, "NEW: end of block {block}"},
    {listing_row, "listing-row", L,
     "row {row}: number {number}, symbol '{symbol}', charge {charge}, energy {energy} eV"},
    {listing_flag_undecided, "listing-flag-undecided", L,
     "the ratio and its inverse both fit {measured} over {reference} (the same A/q): the flag "
     "cannot be checked from the ratio; {masses:without the mass table nothing here decides "
     "it|the comparison with the mass table decides}"},
};

#undef FIELD_NAME
#undef DISTANCE
#undef BELOW_BOUND
#undef MOLECULAR_IONS
#undef ROW_NOT_TOTAL

constexpr bool in_order() {
  for (std::size_t i = 0; i < std::size(table); ++i) {
    if (static_cast<std::size_t>(table[i].kind) != i) return false;
  }
  return static_cast<std::size_t>(listing_flag_undecided) + 1 == std::size(table);
}
static_assert(in_order(), "the table of findings must list every kind, in the order of the enum");

const FindingArgument* argument(const Finding& finding, std::string_view name) {
  for (const FindingArgument& a : finding.arguments) {
    if (a.name == name) return &a;
  }
  return nullptr;
}

// The end of the {...} that starts at `open`, nested ones skipped.
std::size_t closing(std::string_view text, std::size_t open) {
  int depth = 0;
  for (std::size_t i = open; i < text.size(); ++i) {
    if (text[i] == '{') ++depth;
    if (text[i] == '}' && --depth == 0) return i;
  }
  return text.size();
}

// The alternative `index` of "a|b|c" (the last when there are fewer), bars
// inside nested {...} not counted.
std::string_view alternative(std::string_view choices, std::size_t index) {
  std::size_t start = 0;
  int depth = 0;
  for (std::size_t i = 0; i < choices.size(); ++i) {
    const char c = choices[i];
    if (c == '{') ++depth;
    if (c == '}') --depth;
    if (c == '|' && depth == 0) {
      if (index == 0) return choices.substr(start, i - start);
      --index;
      start = i + 1;
    }
  }
  return choices.substr(start);
}

void format_into(std::string& out, std::string_view text, const Finding& finding) {
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t open = text.find('{', at);
    if (open == std::string_view::npos) {
      out += text.substr(at);
      return;
    }
    out += text.substr(at, open - at);
    const std::size_t close = closing(text, open);
    const std::string_view inside = text.substr(open + 1, close - open - 1);
    const std::size_t colon = inside.find(':');
    const FindingArgument* value = argument(finding, inside.substr(0, colon));
    if (colon == std::string_view::npos) {
      out += value != nullptr ? value->text : "?";
    } else {
      const double n = value != nullptr && std::isfinite(value->number) ? value->number : 0.0;
      const auto index = static_cast<std::size_t>(n > 0.0 ? n : 0.0);
      format_into(out, alternative(inside.substr(colon + 1), index), finding);
    }
    at = close + 1;
  }
}

void describe_into(std::string& out, std::string_view text) {
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t open = text.find('{', at);
    if (open == std::string_view::npos) {
      out += text.substr(at);
      return;
    }
    out += text.substr(at, open - at);
    const std::size_t close = closing(text, open);
    const std::string_view inside = text.substr(open + 1, close - open - 1);
    const std::size_t colon = inside.find(':');
    if (colon == std::string_view::npos) {
      out += "<" + std::string(inside) + ">";
    } else {
      describe_into(out, alternative(inside.substr(colon + 1), 0));
    }
    at = close + 1;
  }
}

}  // namespace

std::string kind_description(FindingKind kind) {
  std::string description;
  describe_into(description, kind_info(kind).text);
  return description;
}

std::span<const FindingKindInfo> finding_kinds() { return table; }

const FindingKindInfo& kind_info(FindingKind kind) { return table[static_cast<std::size_t>(kind)]; }

std::string_view severity_word(Severity severity) {
  static constexpr std::string_view words[] = {"error", "warning", "note", "remark", "listing"};
  return words[static_cast<std::size_t>(severity)];
}

std::string message_of(const Finding& finding) {
  std::string message;
  format_into(message, kind_info(finding.kind).text, finding);
  return message;
}

}  // namespace check
