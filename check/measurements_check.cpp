// measurements_check.cpp - the lines of the measurements file as the walk reads them.
#include "check/measurements_check.h"

#include <cmath>
#include <cstdio>

#include "check/correction_uncertainty.h"
#include "check/line_bytes.h"
#include "check/table_check.h"
#include "check/table_comparison.h"
#include "cli/number_text.h"
#include "conversion/constants.h"
#include "nuclides/physical_limits.h"
#include "nuclides/symbols.h"
#include "recordio/conditions.h"
#include "recordio/input_fields.h"

namespace check {

namespace {

using conversion::line_format;
using conversion::MeasurementRecord;
using conversion::ReferenceRecord;

enum FieldIndex {
  mass_number = 0,
  symbol_field = 1,
  charge_field = 2,
  value_field = 3,
  flag_field = 4,
  sigma_field = 5
};

constexpr const char* field_names[6] = {
    "mass number (columns 1-4)", "symbol (columns 5-8)", "charge state (columns 9-12)",
    "ratio (columns 13-31)",     "flag (columns 32-33)", "uncertainty (columns 34-46)"};

// Columns 13-31 hold a ratio on a measurement line, a mass excess on a
// reference line; the other fields are named alike on both.
std::string field_name(int index, bool reference_line) {
  if (reference_line && index == value_field) return "mass excess (columns 13-31)";
  return field_names[index];
}

// The mass-to-charge ratio of an ion is (A * 10^6 - q * m_e + ME + B) / q
// micro-u per charge. Without ME and B the ratio of two ions is known from
// the line alone; ME and B move each ion's mass by (ME + B) / A per u,
// which the table bounds (physical_limits.h). So log(r / expected) lies
// between log((1 + low_meas) / (1 + high_ref)) and log((1 + high_meas) /
// (1 + low_ref)), with low and high the extreme values per u over 10^6:
// about +/-0.59 % when both mass numbers are 12 or more, so a mass number
// one off shows up to A = 170. A molecule may hold hydrogen, so it takes
// the light nuclides' bound.
struct RatioWindow {
  double low = 0.0;
  double high = 0.0;
  bool holds(double log_ratio) const { return log_ratio >= low && log_ratio <= high; }
};

double highest_per_nucleon(std::int32_t A, bool molecule) {
  const double highest = A < nuclides::light_mass_number || molecule
                             ? nuclides::highest_excess_per_nucleon_light
                             : nuclides::highest_excess_per_nucleon;
  return (highest + nuclides::binding_energy_per_nucleon) / 1.0e6;
}

RatioWindow ratio_window(std::int32_t A_meas, bool meas_molecule, std::int32_t A_ref,
                         bool ref_molecule) {
  const double low = nuclides::lowest_excess_per_nucleon / 1.0e6;
  return {std::log((1.0 + low) / (1.0 + highest_per_nucleon(A_ref, ref_molecule))),
          std::log((1.0 + highest_per_nucleon(A_meas, meas_molecule)) / (1.0 + low))};
}

// The ratio of the ions' mass-to-charge ratios with the electrons taken
// off and the mass excesses left out.
double ion_ratio(std::int32_t A_meas, std::int32_t q_meas, std::int32_t A_ref, std::int32_t q_ref) {
  const double meas = (A_meas * 1.0e6 - q_meas * conversion::electron_mass) / q_meas;
  const double ref = (A_ref * 1.0e6 - q_ref * conversion::electron_mass) / q_ref;
  return meas / ref;
}

std::string nuclide(std::int32_t A, const conversion::Symbol& symbol) {
  return std::to_string(A) + nuclides::without_trailing_blanks({symbol.data(), symbol.size()});
}

std::string ion(std::int32_t A, const conversion::Symbol& symbol, std::int32_t charge) {
  return nuclide(A, symbol) + " " + std::to_string(charge) + "+";
}

std::string rough(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.0f", value);
  return text;
}

// The equation record of an empty measurement line (every field zero) as
// the converter writes it, from its first non-blank column: "0    -  85Rb  *
// 0.000 =        0.00000 (  0.00000)" beside an ordinary reference.
std::string equation_record(const ReferenceRecord& reference,
                            const conversion::Equation& equation) {
  char record[96];
  std::snprintf(record, sizeof record, "0    -%4d%.4s*%s =%15s (%9s)", reference.A_ref,
                reference.symbol_ref.data(), cli::as_field(equation.G, 6, 3).c_str(),
                cli::as_field(equation.V, 15, 5).c_str(), cli::as_field(equation.U, 9, 5).c_str());
  return record;
}

bool is_blank_line(std::string_view record) {
  return record.find_first_not_of(' ') == std::string_view::npos;
}

// The first byte of an integer or real field that its editing refuses: the
// shortest leading part of the field that fails to edit ends with it.
std::size_t refused_byte(std::string_view field, bool integer) {
  recordio::TextBuffer scratch;
  for (std::size_t length = 1; length <= field.size(); ++length) {
    std::int32_t i = 0;
    double d = 0.0;
    const std::int32_t failed =
        integer ? recordio::edit_integer_field(field.substr(0, length), i)
                : recordio::edit_real_field(field.substr(0, length), 8, scratch, d);
    if (failed != 0) return length - 1;
  }
  return 0;
}

}  // namespace

MeasurementsCheck::Field MeasurementsCheck::field(int index) const {
  const auto& descriptor = line_format[index];
  const bool numeric = descriptor.kind != recordio::EditDescriptor::Kind::character;
  const std::int32_t start = progress.field_start[static_cast<std::size_t>(index)];
  const recordio::FieldSpan span =
      recordio::take_field(progress.record, start, descriptor.width, numeric);
  Field f;
  f.text = span.field;
  f.column = start + 1;
  const auto end = static_cast<std::size_t>(start) + span.field.size();
  f.comma_ended = numeric && static_cast<std::int32_t>(span.field.size()) < descriptor.width &&
                  end < progress.record.size() && progress.record[end] == ',';
  const std::size_t mark = span.field.find_first_not_of(' ');
  f.first_mark = f.column + (mark == std::string_view::npos ? 0 : static_cast<std::int32_t>(mark));
  return f;
}

std::string MeasurementsCheck::fields_as_cut() const {
  std::string text;
  for (int index = 0; index < progress.fields_read; ++index) {
    text += '[';
    text += field(index).text;
    text += ']';
  }
  return text;
}

void MeasurementsCheck::report(cli::Severity severity, std::int32_t column,
                               const std::string& message) {
  context_.diagnostics.report(severity, context_.freq.shown, context_.freq.trace.line_number,
                              column, message, line_.record);
}

void MeasurementsCheck::begin_line() {
  // The converter's own record; the line's bytes stay in the trace.
  line_.record = progress.record;
  line_.raw = context_.freq.trace.raw.view();
  line_.tab_width = context_.tab_width;
  check_line_bytes(context_, context_.freq, line_, {.tabs_matter = true, .byte_order_mark = false});
  if (!context_.freq.trace.line_feed) {
    check_delivered_without_line_end(context_, context_.freq, line_,
                                     "this line is incomplete and its values are wrong");
  }
}

// Findings that a reference line and a measurement line share. False when
// the line is better not looked at further (blank, or a "new" marker).
bool MeasurementsCheck::check_common(const conversion::Symbol& symbol, std::int32_t charge,
                                     bool reference_line,
                                     const std::string& blank_line_consequence) {
  const char* role = reference_line ? "reference" : "measurement";
  if (is_blank_line(progress.record)) {
    report(cli::Severity::warning, 1,
           std::string("an empty line, read as a ") + role +
               " with every field zero: " + blank_line_consequence);
    return false;
  }
  std::string upper;
  for (const char c : symbol) {
    if (c != ' ') upper += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  }
  if (reference_line && symbol == conversion::block_marker) {
    report(cli::Severity::warning, field(symbol_field).first_mark,
           "a NEW line where the block's reference line must stand (two NEW lines in a row?): the "
           "converter reads it as the reference");
    return false;
  }
  if (upper == "NEW") {
    report(
        cli::Severity::warning, field(symbol_field).first_mark,
        "'" + std::string(symbol.data(), 4) +
            "' is not the block end: only \"NEW \" in columns 5-8 ends a block, so the converter "
            "reads this line as a measurement, and the next block's reference too");
    return false;
  }
  const nuclides::SymbolMeaning meaning = nuclides::classify_symbol(symbol);
  if (meaning.kind == nuclides::SymbolKind::blank) {
    report(cli::Severity::warning, field(symbol_field).column,
           "no symbol in columns 5-8: no binding energy is found for it, so the converter writes "
           "its warning "
           "record and no binding-energy correction");
  } else if (meaning.kind == nuclides::SymbolKind::unknown) {
    std::string message =
        "'" + meaning.text + "' is not an element or a molecule as the converter reads it";
    if (symbol[0] == ' ') message += " (the symbol must start in column 5)";
    report(cli::Severity::warning, field(symbol_field).column, message);
  }
  const Field flag = field(flag_field);
  const std::size_t mark = flag.text.find_first_of("0123456789+-.");
  if (mark != std::string_view::npos) {
    report(
        cli::Severity::warning, flag.column + static_cast<std::int32_t>(mark),
        reference_line
            ? cli::quoted_byte(flag.text[mark]) +
                  " in the flag columns 32-33 of a reference line is not read: is the mass excess "
                  "one column too far right?"
            : cli::quoted_byte(flag.text[mark]) +
                  " in the flag columns 32-33 makes the converter take the ratio as the inverse "
                  "ratio: is the ratio one column too far right?");
  }
  if (charge <= 0) {
    report(cli::Severity::warning, field(charge_field).first_mark,
           charge == 0 ? "charge state 0: the equation divides by it, and the converter writes "
                         "infinities and NaN"
                       : "negative charge state " + std::to_string(charge) +
                             ": the equation takes it as it stands");
  }
  return true;
}

void MeasurementsCheck::check_decimal_point(int index, double value) {
  const Field f = field(index);
  std::string_view digits = f.text;
  while (!digits.empty() && digits.front() == ' ') digits.remove_prefix(1);
  if (digits.empty()) return;
  std::string_view after_sign = digits;
  if (after_sign.front() == '+' || after_sign.front() == '-') after_sign.remove_prefix(1);
  const bool not_finite = !after_sign.empty() && std::string_view("IiNn").find(
                                                     after_sign.front()) != std::string_view::npos;
  if (!not_finite && digits.find('.') != std::string_view::npos) return;
  std::string written(digits);
  while (!written.empty() && written.back() == ' ') written.pop_back();
  const std::size_t comma = static_cast<std::size_t>(f.column - 1) + f.text.size();
  if (!not_finite && f.comma_ended && comma + 1 < progress.record.size() &&
      progress.record[comma + 1] >= '0' && progress.record[comma + 1] <= '9') {
    report(cli::Severity::warning, static_cast<std::int32_t>(comma) + 1,
           "a decimal comma in the " + field_name(index, progress.reference) +
               ": the converter ends the field at the comma and reads '" + written + "' as " +
               cli::fixed(value, 8) +
               ", and the digits after the comma move into the next fields; write a decimal point");
    return;
  }
  if (not_finite) {
    report(cli::Severity::warning, f.first_mark,
           "'" + written + "' in the " + field_name(index, progress.reference) + " reads as " +
               (std::isnan(value) ? "NaN" : "infinity") +
               ": a field that starts with I or N is infinity or NaN, whatever follows");
    return;
  }
  report(cli::Severity::warning, f.first_mark,
         "no decimal point in the " + field_name(index, progress.reference) + ": '" + written +
             "' reads as " + cli::fixed(value, 8) + " (the last 8 digits are taken as decimals)");
}

bool MeasurementsCheck::check_ratio(const ReferenceRecord& reference,
                                    const MeasurementRecord& measurement) {
  if (reference.A_ref <= 0 || reference.charge_ref <= 0 || measurement.A_meas <= 0 ||
      measurement.charge_meas <= 0 || !std::isfinite(measurement.ratio_value)) {
    return true;
  }
  const double expected = (static_cast<double>(measurement.A_meas) / measurement.charge_meas) /
                          (static_cast<double>(reference.A_ref) / reference.charge_ref);
  const bool inverse = measurement.flag[0] != ' ' || measurement.flag[1] != ' ';
  const double selected = inverse ? 1.0 / expected : expected;
  const double r = measurement.ratio_value / 1.0e6;
  const Field value = field(value_field);
  const std::string pair =
      ion(measurement.A_meas, measurement.symbol_meas, measurement.charge_meas) + " over " +
      ion(reference.A_ref, reference.symbol_ref, reference.charge_ref);
  if (r <= 0.0) {
    report(cli::Severity::warning, value.first_mark,
           "the ratio is " + std::string(r == 0.0 ? "zero" : "negative") + ": " + pair +
               " gives about " + rough(selected * 1.0e6));
    return true;
  }
  const RatioWindow window = ratio_window(
      measurement.A_meas,
      nuclides::classify_symbol(measurement.symbol_meas).kind == nuclides::SymbolKind::molecule,
      reference.A_ref,
      nuclides::classify_symbol(reference.symbol_ref).kind == nuclides::SymbolKind::molecule);
  const double ions =
      ion_ratio(measurement.A_meas, measurement.charge_meas, reference.A_ref, reference.charge_ref);
  // The ratio of the ions as the converter takes it, and as the other
  // setting of the flag would.
  const bool fits_taken = window.holds(std::log((inverse ? 1.0 / r : r) / ions));
  const bool fits_other = window.holds(std::log((inverse ? r : 1.0 / r) / ions));
  if (fits_taken && fits_other) {
    if (context_.verbose) {
      std::printf(
          "%s:%lld: the ratio and its inverse both fit %s (the same A/q): the flag cannot be "
          "checked "
          "from the ratio; %s\n",
          context_.freq.shown.c_str(), static_cast<long long>(context_.freq.trace.line_number),
          pair.c_str(),
          context_.masses != nullptr ? "the comparison with the mass table decides"
                                     : "without the mass table nothing here decides it");
    }
    return true;
  }
  if (fits_taken) return true;
  if (fits_other) {
    report(cli::Severity::warning, value.first_mark,
           inverse
               ? "this ratio fits " + pair +
                     " itself, but the flag in columns 32-33 makes the converter take its inverse: "
                     "is the flag wrong?"
               : "this ratio fits the inverse of " + pair +
                     ", but the blank flag makes the converter take it as it stands: is the flag "
                     "in columns 32-33 missing?");
    return true;
  }
  report(cli::Severity::warning, value.first_mark,
         "this ratio fits neither " + pair + " (about " + rough(expected * 1.0e6) +
             ") nor its inverse (about " + rough(1.0e12 / (expected * 1.0e6)) +
             "): is a digit or a column wrong, or a mass number or charge state?");
  return false;
}

void MeasurementsCheck::check_energies(const ReferenceRecord& reference,
                                       const MeasurementRecord& measurement) {
  const auto energies = table_.look_up(reference.symbol_ref, reference.charge_ref,
                                       measurement.symbol_meas, measurement.charge_meas);
  const double energy = energies.measured;
  if (conversion::energy_found(energy)) return;
  const conversion::Symbol looked_up = conversion::normalised_symbol(measurement.symbol_meas);
  report(cli::Severity::warning, field(symbol_field).column,
         "no binding energy for " + species({looked_up.data(), 4}, measurement.charge_meas) +
             " in " + context_.table.shown +
             ": the converter writes its warning record and no binding-energy correction");
}

void MeasurementsCheck::compare(bool reference_line, std::int32_t A,
                                const conversion::Symbol& symbol, std::int32_t charge,
                                bool corrected, double value, double sigma, int value_index,
                                double correction, std::optional<double> correction_sigma) {
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
  entry.nuclide = nuclide(A, symbol);
  entry.value = value;
  entry.sigma = sigma;
  const nuclides::SymbolMeaning meaning = nuclides::classify_symbol(symbol);
  entry.kind = meaning.kind;
  find_table_value(entry, meaning, *context_.masses);
  for (const TableFinding& finding : table_findings(entry, meaning)) {
    std::int32_t column = field(value_index).first_mark;
    if (finding.field == TableFinding::Field::mass_number) column = field(mass_number).first_mark;
    if (finding.field == TableFinding::Field::symbol) column = field(symbol_field).column;
    if (finding.field == TableFinding::Field::uncertainty) column = field(sigma_field).first_mark;
    report(finding.severity, column, finding.message);
  }
  context_.compared.push_back(entry);
}

LineReport MeasurementsCheck::line_report() {
  return [this](cli::Severity severity, std::int32_t column, const std::string& message) {
    report(severity, column, message);
  };
}

void MeasurementsCheck::check_reference_range(const ReferenceRecord& reference) {
  if (!(std::fabs(reference.mass_excess_ref) > nuclides::mass_excess_limit)) return;
  report(cli::Severity::warning, field(value_field).first_mark,
         "a reference mass excess of " + cli::fixed(reference.mass_excess_ref, 2) +
             " micro-u is no mass excess: every nuclide's lies within -98,400 and +216,200 "
             "micro-u; is this a "
             "ratio read as a reference (an extra NEW line before it?), or a value in the wrong "
             "unit?");
}

void MeasurementsCheck::check_null_equation(const ReferenceRecord& reference,
                                            const MeasurementRecord& measurement) {
  if (measurement.A_meas != reference.A_ref || measurement.symbol_meas != reference.symbol_ref)
    return;
  report(cli::Severity::note, field(symbol_field).column,
         nuclide(measurement.A_meas, measurement.symbol_meas) +
             " is measured against itself: the equation is a null equation (the mass excess "
             "cancels), which "
             "tests only the electron mass and the binding energies");
}

void MeasurementsCheck::check_uncertainty_field_cut() {
  if (progress.fields_read < conversion::line_fields) return;
  const Field sigma = field(sigma_field);
  if (sigma.comma_ended) return;
  check_field_cut(progress.record, sigma.column - 1 + line_format[sigma_field].width,
                  field_name(sigma_field, progress.reference), line_report());
}

void MeasurementsCheck::reference(const ReferenceRecord& reference) {
  ++blocks_;
  begin_line();
  if (context_.verbose) {
    std::printf(
        "%s:%lld: reference %s: A %d, symbol '%.4s', charge %d, mass excess %s, uncertainty %s\n",
        context_.freq.shown.c_str(), static_cast<long long>(context_.freq.trace.line_number),
        fields_as_cut().c_str(), reference.A_ref, reference.symbol_ref.data(), reference.charge_ref,
        cli::fixed(reference.mass_excess_ref, 8).c_str(),
        cli::fixed(reference.sigma_ref, 8).c_str());
  }
  reference_energy_missing_ = false;
  const bool readable = check_common(reference.symbol_ref, reference.charge_ref, true,
                                     "the converter writes infinities and NaN from it");
  BlockFindings::ReferenceLine line{context_.freq.trace.line_number,
                                    progress.record,
                                    field(mass_number).first_mark,
                                    field(value_field).first_mark,
                                    nuclide(reference.A_ref, reference.symbol_ref),
                                    reference.mass_excess_ref,
                                    readable};
  block_findings_.reference(line);
  if (!readable) return;
  check_decimal_point(value_field, reference.mass_excess_ref);
  check_decimal_point(sigma_field, reference.sigma_ref);
  check_uncertainty_field_cut();
  check_reference_range(reference);
  // Carbon 12 is exact by the definition of the unit; any other reference
  // without an uncertainty has lost it.
  const bool carbon_12 = reference.A_ref == 12 &&
                         nuclides::classify_symbol(reference.symbol_ref).text == "C" &&
                         reference.mass_excess_ref == 0.0;
  if (reference.sigma_ref < 0.0 || (reference.sigma_ref == 0.0 && !carbon_12)) {
    report(cli::Severity::warning, field(sigma_field).first_mark,
           reference.sigma_ref < 0.0 ? "negative uncertainty of the reference mass excess"
                                     : "the reference mass excess has no uncertainty (0)");
  }
  const double energy = table_
                            .look_up(reference.symbol_ref, reference.charge_ref,
                                     reference.symbol_ref, reference.charge_ref)
                            .reference;
  if (!conversion::energy_found(energy) &&
      nuclides::classify_symbol(reference.symbol_ref).kind != nuclides::SymbolKind::blank) {
    reference_energy_missing_ = true;
    const conversion::Symbol looked_up = conversion::normalised_symbol(reference.symbol_ref);
    report(cli::Severity::warning, field(symbol_field).column,
           "no binding energy for " + species({looked_up.data(), 4}, reference.charge_ref) +
               " in " + context_.table.shown +
               ": every equation of this block gets the converter's warning record and no "
               "binding-energy correction");
  }
  compare(true, reference.A_ref, reference.symbol_ref, reference.charge_ref,
          conversion::energy_found(energy), reference.mass_excess_ref, reference.sigma_ref,
          value_field);
}

void MeasurementsCheck::measurement(const ReferenceRecord& reference,
                                    const MeasurementRecord& measurement) {
  ++measurements_;
  begin_line();
  const conversion::Equation equation = conversion::equation_for(table_, reference, measurement);
  const std::optional<double> correction_sigma =
      context_.binding == nullptr
          ? std::nullopt
          : correction_uncertainty(*context_.binding, reference, measurement, equation);
  if (context_.verbose) {
    std::string correction;
    if (equation.correction_applied) {
      correction = "; binding-energy correction " + cli::fixed(equation.C, 6) +
                   (correction_sigma ? " +/- " + cli::fixed(*correction_sigma, 6) + " micro-u"
                                     : " micro-u (its uncertainty not known)");
    }
    std::printf(
        "%s:%lld: measurement %s: A %d, symbol '%.4s', charge %d, ratio %s, flag '%.2s', "
        "uncertainty %s; mass excess %s +/- %s micro-u%s\n",
        context_.freq.shown.c_str(), static_cast<long long>(context_.freq.trace.line_number),
        fields_as_cut().c_str(), measurement.A_meas, measurement.symbol_meas.data(),
        measurement.charge_meas, cli::fixed(measurement.ratio_value, 8).c_str(),
        measurement.flag.data(), cli::fixed(measurement.sigma_value, 8).c_str(),
        cli::fixed(equation.mass_excess_meas, 6).c_str(),
        cli::fixed(equation.sigma_meas, 6).c_str(), correction.c_str());
  }
  const std::string blank_line_consequence =
      is_blank_line(progress.record) ? "the converter writes the zero-uncertainty equation \"" +
                                           equation_record(reference, equation) + "\" from it"
                                     : std::string();
  if (!check_common(measurement.symbol_meas, measurement.charge_meas, false,
                    blank_line_consequence))
    return;
  block_findings_.measurement(context_.freq.trace.line_number, progress.record);
  check_decimal_point(value_field, measurement.ratio_value);
  check_decimal_point(sigma_field, measurement.sigma_value);
  check_uncertainty_field_cut();
  if (measurement.sigma_value <= 0.0) {
    report(cli::Severity::warning, field(sigma_field).first_mark,
           measurement.sigma_value < 0.0 ? "negative uncertainty of the ratio"
                                         : "the ratio has no uncertainty (0)");
  } else {
    check_printed_uncertainties(equation, field(sigma_field).first_mark, line_report());
    relative_uncertainties_.add(blocks_, measurement.ratio_value, measurement.sigma_value,
                                context_.freq.trace.line_number, field(sigma_field).first_mark,
                                progress.record, line_report());
  }
  if (!check_ratio(reference, measurement)) block_findings_.ratio_fits_neither();
  check_null_equation(reference, measurement);
  if (nuclides::classify_symbol(measurement.symbol_meas).kind != nuclides::SymbolKind::blank)
    check_energies(reference, measurement);
  if (correction_sigma && correction_uncertainty_matters(*correction_sigma, equation.U)) {
    report(
        cli::Severity::warning, field(sigma_field).first_mark,
        "the binding-energy correction of " +
            ion(measurement.A_meas, measurement.symbol_meas, measurement.charge_meas) + " over " +
            ion(reference.A_ref, reference.symbol_ref, reference.charge_ref) + ", " +
            cli::fixed(equation.C, 6) + " micro-u, is uncertain by " +
            cli::fixed(*correction_sigma, 6) +
            " micro-u from the tabulated binding energies, more than a third of the equation's U "
            "of " +
            cli::fixed(equation.U, 6) +
            " micro-u: at this precision the measurement needs an ion-specific calculation of the "
            "binding energies");
  }
  compare(false, measurement.A_meas, measurement.symbol_meas, measurement.charge_meas,
          equation.correction_applied, equation.mass_excess_meas, equation.sigma_meas, value_field,
          equation.C, correction_sigma);
}

void MeasurementsCheck::marker(const MeasurementRecord& /*line*/) {
  begin_line();
  if (context_.verbose) {
    std::printf("%s:%lld: NEW: end of block %d\n", context_.freq.shown.c_str(),
                static_cast<long long>(context_.freq.trace.line_number), blocks_);
  }
  block_findings_.end_block();
  last_marker_line_ = context_.freq.trace.line_number;
  last_marker_column_ = field(symbol_field).column;
  last_marker_record_ = progress.record;
}

void MeasurementsCheck::report_read_failure() {
  const int index = progress.fields_read;
  const Field f = field(index);
  const std::size_t at = refused_byte(f.text, index != value_field && index != sigma_field);
  const std::int32_t column = f.column + static_cast<std::int32_t>(at);
  begin_line();  // a tab or a CR may be why the field is wrong
  const char refused = at < f.text.size() ? f.text[at] : ' ';
  report(cli::Severity::error, column,
         cli::quoted_byte(refused) + " is not allowed in the " +
             field_name(index, progress.reference) +
             ": the converter stops here and writes \"Error in File Reading\"" +
             (measurements_ == 0 ? std::string(", and no equation")
                                 : " after the " + cli::count_of(measurements_, "equation") +
                                       " before this line"));
  if (context_.freq.trace.line_number == 1 &&
      starts_with_byte_order_mark(context_.freq.trace.raw.view())) {
    report(
        cli::Severity::note, 1,
        "the file starts with a byte-order mark (bytes EF BB BF), which an editor may have added: "
        "save the file without it");
  }
}

void MeasurementsCheck::finish(conversion::WalkEnd end) {
  if (end == conversion::WalkEnd::failure) {
    if (status == recordio::code::illegal_numeric_character) {
      report_read_failure();
      return;  // nothing after this line is read
    }
    if (status != -1) {
      context_.unreadable =
          "cannot read " + context_.freq.quoted + " to its end: " + cli::condition_text(status);
      return;
    }
    // End of file where a reference line must stand.
    if (last_marker_line_ != 0) {
      context_.diagnostics.report(
          cli::Severity::error, context_.freq.shown, last_marker_line_, last_marker_column_,
          "the file ends after this NEW line, where a reference line must follow: the converter "
          "ends with \"Error in File Reading\", although " +
              (measurements_ == 1
                   ? std::string("the equation before it is written")
                   : "all " + cli::count_of(measurements_, "equation") + " before it are written"),
          last_marker_record_);
    } else {
      context_.diagnostics.report(
          cli::Severity::error, context_.freq.shown, 1, 1,
          "no line to read as the first reference line: the converter writes "
          "only \"Error in File Reading\"",
          {});
    }
  }
  if (end != conversion::WalkEnd::failure) block_findings_.end_block();
  relative_uncertainties_.report_outliers(context_.diagnostics, context_.freq.shown);
  check_undelivered_tail(context_, context_.freq, "it gets no equation");
}

}  // namespace check
