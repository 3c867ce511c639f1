// measurement_line_rules.cpp - one line of the measurements file, judged rule by rule.
#include "check/measurement_line_rules.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "check/correction_uncertainty.h"
#include "check/freq_line.h"
#include "check/measurement_uncertainty_rules.h"
#include "cli/diagnostics.h"
#include "cli/number_text.h"
#include "conversion/constants.h"
#include "conversion/equation_formats.h"
#include "nuclides/isomer_names.h"
#include "nuclides/physical_limits.h"
#include "nuclides/symbols.h"
#include "recordio/input_fields.h"
#include "recordio/output_fields.h"

namespace check {

namespace {

using conversion::line_format;
using conversion::MeasurementRecord;
using conversion::ReferenceRecord;

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

RatioWindow window_for(std::int32_t A_meas, bool meas_molecule, std::int32_t A_ref,
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

std::string rough(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.0f", value);
  return text;
}

bool is_molecule(const conversion::Symbol& symbol) {
  return nuclides::classify_symbol(symbol).kind == nuclides::SymbolKind::molecule;
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

// The equation record as the converter writes it, from its first non-blank
// column ("0    -  85Rb  *  0.000 =        0.00000 (  0.00000)" for an
// empty line beside an ordinary reference): edited field by field from the
// converter's own format list, so that it cannot differ from the record in
// "vemo.equat".
std::string equation_record(const MeasurementRecord& measurement, const ReferenceRecord& reference,
                            const conversion::Equation& equation) {
  using Kind = recordio::EditDescriptor::Kind;
  const std::string_view symbols[] = {{measurement.symbol_meas.data(), 4},
                                      {reference.symbol_ref.data(), 4}};
  const std::int32_t integers[] = {measurement.A_meas, reference.A_ref};
  const double reals[] = {equation.G, equation.V, equation.U};
  std::size_t next_symbol = 0;
  std::size_t next_integer = 0;
  std::size_t next_real = 0;
  recordio::DigitString digits;
  std::string record;
  for (const recordio::EditDescriptor& descriptor : conversion::equation_list) {
    if (descriptor.kind == Kind::literal) {
      record += descriptor.text;
      continue;
    }
    std::string field(static_cast<std::size_t>(descriptor.width), ' ');
    if (descriptor.kind == Kind::integer) {
      recordio::edit_integer(field.data(), integers[next_integer++], descriptor.width,
                             descriptor.decimals);
    } else if (descriptor.kind == Kind::character) {
      recordio::edit_character(field.data(), symbols[next_symbol++], descriptor.width);
    } else if (descriptor.kind == Kind::real) {
      recordio::edit_real(field.data(), reals[next_real++], descriptor.width, descriptor.decimals,
                          digits);
    }
    record += field;
  }
  const std::size_t first = record.find_first_not_of(' ');
  return first == std::string::npos ? record : record.substr(first);
}

// The measured and reference ions of a line's pair, as findings name them.
Finding& with_pair(Finding& finding, const ReferenceRecord& reference,
                   const MeasurementRecord& measurement) {
  return finding
      .with("measured",
            ion_text(measurement.A_meas, measurement.symbol_meas, measurement.charge_meas))
      .with("reference", ion_text(reference.A_ref, reference.symbol_ref, reference.charge_ref));
}

Finding missing_energy(const MeasurementLine& line, FindingKind kind,
                       const conversion::Symbol& symbol, std::int32_t charge,
                       const std::string& table_name) {
  const conversion::Symbol looked_up = conversion::normalised_symbol(symbol);
  return line.place.at(line.field(symbol_field).column, kind)
      .with("element", nuclides::without_trailing_blanks({looked_up.data(), 4}))
      .count("charge", charge)
      .with("table", table_name);
}

}  // namespace

MeasurementLine::Field MeasurementLine::field(int index) const {
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

int MeasurementLine::field_name(int index) const {
  constexpr int mass_excess_name = 6;
  return progress.reference && index == value_field ? mass_excess_name : index;
}

std::string MeasurementLine::fields_as_cut() const {
  std::string text;
  for (int index = 0; index < progress.fields_read; ++index) {
    text += '[';
    text += field(index).text;
    text += ']';
  }
  return text;
}

bool MeasurementLine::blank() const {
  return progress.record.find_first_not_of(' ') == std::string::npos;
}

std::string nuclide_text(std::int32_t A, const conversion::Symbol& symbol) {
  return std::to_string(A) + nuclides::without_trailing_blanks({symbol.data(), symbol.size()});
}

std::string ion_text(std::int32_t A, const conversion::Symbol& symbol, std::int32_t charge) {
  return nuclide_text(A, symbol) + " " + std::to_string(charge) + "+";
}

namespace line_rules {

Findings blank_reference_line(const MeasurementLine& line) {
  if (!line.blank()) return {};
  return {line.place.at(1, FindingKind::empty_reference_line)};
}

Findings blank_measurement_line(const MeasurementLine& line, const ReferenceRecord& reference,
                                const MeasurementRecord& measurement,
                                const conversion::Equation& equation) {
  if (!line.blank()) return {};
  return {line.place.at(1, FindingKind::empty_measurement_line)
              .with("equation", equation_record(measurement, reference, equation))};
}

Findings block_marker(const MeasurementLine& line, const conversion::Symbol& symbol) {
  if (line.progress.reference && symbol == conversion::block_marker)
    return {line.place.at(line.field(symbol_field).first_mark, FindingKind::new_as_reference)};
  std::string upper;
  for (const char c : symbol) {
    if (c != ' ') upper += static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
  }
  if (upper != "NEW") return {};
  Finding finding =
      line.place.at(line.field(symbol_field).first_mark, FindingKind::block_marker_spelling)
          .with("symbol", std::string(symbol.data(), 4));
  // The mend is certain when the word stands where the marker must, whole.
  const std::string written = nuclides::without_trailing_blanks({symbol.data(), 4});
  if (symbol[0] != ' ' && written.size() == 3) finding.replacing(3, "NEW");
  return {finding};
}

Findings symbol(const MeasurementLine& line, const conversion::Symbol& symbol, std::int32_t A) {
  const nuclides::SymbolMeaning meaning = nuclides::classify_symbol(symbol);
  const std::int32_t column = line.field(symbol_field).column;
  if (meaning.kind == nuclides::SymbolKind::blank)
    return {line.place.at(column, FindingKind::no_symbol)};
  if (meaning.kind != nuclides::SymbolKind::unknown) return {};
  const std::optional<std::string> spelling =
      nuclides::conventional_spelling(std::to_string(A) + meaning.text);
  Finding finding = line.place.at(column, FindingKind::unknown_symbol)
                        .with("symbol", meaning.text)
                        .choice("shifted", symbol[0] == ' ' ? 1 : 0)
                        .choice("hint", spelling ? 1 : 0)
                        .with("spelling", spelling.value_or(""));
  // The mend, when one is certain: the isomer spelled as the converter
  // reads it, or the symbol moved to column 5 when it then reads as one.
  std::string mended;
  const std::string prefix = std::to_string(A);
  if (spelling && spelling->starts_with(prefix) && spelling->size() - prefix.size() <= 4) {
    mended = spelling->substr(prefix.size());
  } else if (symbol[0] == ' ') {
    conversion::Symbol moved = {' ', ' ', ' ', ' '};
    std::string_view text = meaning.text;
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    std::copy_n(text.begin(), std::min<std::size_t>(text.size(), 4), moved.begin());
    if (nuclides::classify_symbol(moved).kind != nuclides::SymbolKind::unknown) mended = text;
  }
  const auto start = static_cast<std::size_t>(column - 1);
  if (!mended.empty() && line.place.source.size() >= start + 4 &&
      std::string_view(symbol.data(), 4) == line.place.source.substr(start, 4)) {
    mended.resize(4, ' ');
    finding.replacing(4, mended);
  }
  return {finding};
}

Findings flag(const MeasurementLine& line) {
  const MeasurementLine::Field flag = line.field(flag_field);
  const std::size_t mark = flag.text.find_first_of("0123456789+-.");
  if (mark == std::string_view::npos) return {};
  return {line.place
              .at(flag.column + static_cast<std::int32_t>(mark),
                  line.progress.reference ? FindingKind::reference_flag : FindingKind::stray_flag)
              .with("byte", cli::quoted_byte(flag.text[mark]))};
}

Findings charge_state(const MeasurementLine& line, std::int32_t charge) {
  if (charge > 0) return {};
  const std::int32_t column = line.field(charge_field).first_mark;
  if (charge == 0) return {line.place.at(column, FindingKind::charge_zero)};
  return {line.place.at(column, FindingKind::charge_negative).count("charge", charge)};
}

Findings decimal_point(const MeasurementLine& line, int index, double value) {
  const MeasurementLine::Field f = line.field(index);
  std::string_view digits = f.text;
  while (!digits.empty() && digits.front() == ' ') digits.remove_prefix(1);
  if (digits.empty()) return {};
  std::string_view after_sign = digits;
  if (after_sign.front() == '+' || after_sign.front() == '-') after_sign.remove_prefix(1);
  const bool not_finite = !after_sign.empty() && std::string_view("IiNn").find(
                                                     after_sign.front()) != std::string_view::npos;
  if (!not_finite && digits.find('.') != std::string_view::npos) return {};
  std::string written(digits);
  while (!written.empty() && written.back() == ' ') written.pop_back();
  const std::string& record = line.progress.record;
  const std::size_t comma = static_cast<std::size_t>(f.column - 1) + f.text.size();
  const auto found = [&](std::int32_t column, FindingKind kind) {
    return line.place.at(column, kind)
        .choice("field", line.field_name(index))
        .with("written", written);
  };
  if (!not_finite && f.comma_ended && comma + 1 < record.size() && record[comma + 1] >= '0' &&
      record[comma + 1] <= '9') {
    return {found(static_cast<std::int32_t>(comma) + 1, FindingKind::decimal_comma)
                .with("value", cli::fixed(value, 8), value)
                .replacing(1, ".")};
  }
  if (not_finite) {
    return {found(f.first_mark, FindingKind::not_finite_field)
                .choice("nan", std::isnan(value) ? 1 : 0)};
  }
  return {found(f.first_mark, FindingKind::no_decimal_point)
              .with("value", cli::fixed(value, 8), value)};
}

Findings uncertainty_field_end(const MeasurementLine& line) {
  if (line.progress.fields_read < conversion::line_fields) return {};
  const MeasurementLine::Field sigma = line.field(sigma_field);
  if (sigma.comma_ended) return {};
  return field_cut_findings(line.place, sigma.column - 1 + line_format[sigma_field].width,
                            line.field_name(sigma_field));
}

Findings reference_mass_excess_range(const MeasurementLine& line,
                                     const ReferenceRecord& reference) {
  if (!(std::fabs(reference.mass_excess_ref) > nuclides::mass_excess_limit)) return {};
  return {line.place.at(line.field(value_field).first_mark, FindingKind::reference_not_mass_excess)
              .with("value", cli::fixed(reference.mass_excess_ref, 2), reference.mass_excess_ref)};
}

Findings reference_uncertainty(const MeasurementLine& line, const ReferenceRecord& reference) {
  // Carbon 12 is exact by the definition of the unit; any other reference
  // without an uncertainty has lost it.
  const bool carbon_12 = reference.A_ref == 12 &&
                         nuclides::classify_symbol(reference.symbol_ref).text == "C" &&
                         reference.mass_excess_ref == 0.0;
  if (!(reference.sigma_ref < 0.0 || (reference.sigma_ref == 0.0 && !carbon_12))) return {};
  return {line.place.at(line.field(sigma_field).first_mark,
                        reference.sigma_ref < 0.0 ? FindingKind::reference_uncertainty_negative
                                                  : FindingKind::reference_uncertainty_zero)};
}

Findings reference_binding_energy(const MeasurementLine& line, const ReferenceRecord& reference,
                                  const conversion::BindingEnergyTable& table,
                                  const std::string& table_name) {
  const double energy = table
                            .look_up(reference.symbol_ref, reference.charge_ref,
                                     reference.symbol_ref, reference.charge_ref)
                            .reference;
  if (conversion::energy_found(energy) ||
      nuclides::classify_symbol(reference.symbol_ref).kind == nuclides::SymbolKind::blank)
    return {};
  return {missing_energy(line, FindingKind::reference_binding_energy_missing, reference.symbol_ref,
                         reference.charge_ref, table_name)};
}

Findings ratio_uncertainty(const MeasurementLine& line, const MeasurementRecord& measurement) {
  if (measurement.sigma_value > 0.0) return {};
  return {line.place.at(line.field(sigma_field).first_mark,
                        measurement.sigma_value < 0.0 ? FindingKind::ratio_uncertainty_negative
                                                      : FindingKind::ratio_uncertainty_zero)};
}

Findings ratio_window(const MeasurementLine& line, const ReferenceRecord& reference,
                      const MeasurementRecord& measurement, bool masses) {
  if (reference.A_ref <= 0 || reference.charge_ref <= 0 || measurement.A_meas <= 0 ||
      measurement.charge_meas <= 0 || !std::isfinite(measurement.ratio_value)) {
    return {};
  }
  const double expected = (static_cast<double>(measurement.A_meas) / measurement.charge_meas) /
                          (static_cast<double>(reference.A_ref) / reference.charge_ref);
  const bool inverse = measurement.flag[0] != ' ' || measurement.flag[1] != ' ';
  const double selected = inverse ? 1.0 / expected : expected;
  const double r = measurement.ratio_value / 1.0e6;
  const std::int32_t column = line.field(value_field).first_mark;
  const auto found = [&](std::int32_t at, FindingKind kind) {
    Finding finding = line.place.at(at, kind);
    with_pair(finding, reference, measurement);
    return finding;
  };
  if (r <= 0.0) {
    return {found(column, FindingKind::ratio_not_positive)
                .choice("negative", r == 0.0 ? 0 : 1)
                .with("expected", rough(selected * 1.0e6), selected * 1.0e6)};
  }
  const RatioWindow window = window_for(measurement.A_meas, is_molecule(measurement.symbol_meas),
                                        reference.A_ref, is_molecule(reference.symbol_ref));
  const double ions =
      ion_ratio(measurement.A_meas, measurement.charge_meas, reference.A_ref, reference.charge_ref);
  // The ratio of the ions as the converter takes it, and as the other
  // setting of the flag would.
  const bool fits_taken = window.holds(std::log((inverse ? 1.0 / r : r) / ions));
  const bool fits_other = window.holds(std::log((inverse ? r : 1.0 / r) / ions));
  if (fits_taken && fits_other) {
    Finding listed = found(0, FindingKind::listing_flag_undecided).choice("masses", masses ? 1 : 0);
    listed.source = {};
    return {listed};
  }
  if (fits_taken) return {};
  if (fits_other)
    return {found(column, inverse ? FindingKind::flag_wrong : FindingKind::flag_missing)};
  return {found(column, FindingKind::ratio_window)
              .with("expected", rough(expected * 1.0e6), expected * 1.0e6)
              .with("inverse", rough(1.0e12 / (expected * 1.0e6)), 1.0e12 / (expected * 1.0e6))};
}

Findings null_equation(const MeasurementLine& line, const ReferenceRecord& reference,
                       const MeasurementRecord& measurement) {
  if (measurement.A_meas != reference.A_ref || measurement.symbol_meas != reference.symbol_ref)
    return {};
  return {line.place.at(line.field(symbol_field).column, FindingKind::null_equation)
              .with("nuclide", nuclide_text(measurement.A_meas, measurement.symbol_meas))};
}

Findings mass_standard_measured(const MeasurementLine& line, const ReferenceRecord& reference,
                                const MeasurementRecord& measurement) {
  constexpr conversion::Symbol carbon = {'C', ' ', ' ', ' '};
  const bool standard = measurement.A_meas == 12 && measurement.symbol_meas == carbon;
  if (!standard || (reference.A_ref == 12 && reference.symbol_ref == carbon)) return {};
  // The same ratio read the other way round: the reference's ion in
  // columns 1-12, the ratio and its uncertainty as written, the flag
  // turned over.
  const std::string A = std::to_string(reference.A_ref);
  const std::string charge = std::to_string(reference.charge_ref);
  // The two fields as the converter read them: a short line blank-filled.
  std::string record(line.place.source.substr(0, 46));
  if (record.size() < 46) record.resize(46, ' ');
  const std::string_view ratio = std::string_view(record).substr(12, 19);
  const std::string_view sigma = std::string_view(record).substr(33, 13);
  const bool inverse = measurement.flag[0] != ' ' || measurement.flag[1] != ' ';
  // The fields were read from these columns, so they fit them again.
  const std::string reversed = freq_line({A, std::string_view(reference.symbol_ref.data(), 4),
                                          charge, ratio, inverse ? "" : inverse_flag, sigma})
                                   .value_or("");
  Finding finding =
      line.place.at(line.field(symbol_field).column, FindingKind::mass_standard_measured);
  with_pair(finding, reference, measurement)
      .with("reference_nuclide", nuclide_text(reference.A_ref, reference.symbol_ref))
      .with("reversed", reversed);
  return {finding};
}

Findings measured_binding_energy(const MeasurementLine& line, const ReferenceRecord& reference,
                                 const MeasurementRecord& measurement,
                                 const conversion::BindingEnergyTable& table,
                                 const std::string& table_name) {
  if (nuclides::classify_symbol(measurement.symbol_meas).kind == nuclides::SymbolKind::blank)
    return {};
  const auto energies = table.look_up(reference.symbol_ref, reference.charge_ref,
                                      measurement.symbol_meas, measurement.charge_meas);
  if (conversion::energy_found(energies.measured)) return {};
  return {missing_energy(line, FindingKind::binding_energy_missing, measurement.symbol_meas,
                         measurement.charge_meas, table_name)};
}

Findings correction_uncertainty_share(const MeasurementLine& line, const ReferenceRecord& reference,
                                      const MeasurementRecord& measurement,
                                      const conversion::Equation& equation,
                                      std::optional<double> correction_sigma, bool from_rows,
                                      const std::string& table_name) {
  if (!correction_sigma || !correction_uncertainty_matters(*correction_sigma, equation.U))
    return {};
  Finding finding =
      line.place.at(line.field(sigma_field).first_mark, FindingKind::correction_uncertainty);
  with_pair(finding, reference, measurement)
      .with("correction", cli::fixed(equation.C, 6), equation.C)
      .with("sigma", cli::fixed(*correction_sigma, 6), *correction_sigma)
      .with("U", cli::fixed(equation.U, 6), equation.U)
      .choice("given", from_rows ? 1 : 0)
      .with("table", table_name);
  return {finding};
}

Findings refused_field(const MeasurementLine& line, int equations) {
  const int index = line.progress.fields_read;
  const MeasurementLine::Field f = line.field(index);
  const std::size_t at = refused_byte(f.text, index != value_field && index != sigma_field);
  const char refused = at < f.text.size() ? f.text[at] : ' ';
  return {line.place.at(f.column + static_cast<std::int32_t>(at), FindingKind::read_stop)
              .with("byte", cli::quoted_byte(refused))
              .choice("field", line.field_name(index))
              .count("equations", equations)};
}

}  // namespace line_rules

}  // namespace check
