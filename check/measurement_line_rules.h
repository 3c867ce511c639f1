// measurement_line_rules.h - the rules that judge one line of "vemo.freq"
// as the converter's walk hands it over.
//
// The converter takes every line it can read and says nothing: a digit in
// the flag columns turns a ratio into its inverse, a tab or a shifted field
// moves the columns, a lower-case "new" is a measurement, a field without
// its point gets one put in. Each rule looks at the line with the values
// the converter has and the columns it took them from, and returns what it
// finds; the walk (measurements_walk.h) places the findings.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "check/finding.h"
#include "conversion/binding_energy_table.h"
#include "conversion/equation_arithmetic.h"
#include "conversion/measurements_file.h"

namespace check {

// The fields of a line, by their place in the format list.
enum FieldIndex {
  mass_number_field = 0,
  symbol_field = 1,
  charge_field = 2,
  value_field = 3,
  flag_field = 4,
  sigma_field = 5
};

// One line as the read cut it.
struct MeasurementLine {
  struct Field {
    std::string_view text;
    std::int32_t column = 1;      // where the field's columns begin
    std::int32_t first_mark = 1;  // its first non-blank column (the field's start when blank)
    bool comma_ended = false;     // a comma ended it before its last column
  };

  LinePlace place;  // the source is the progress's record
  const conversion::LineProgress& progress;

  Field field(int index) const;
  // How the table of findings names field `index` of this line: columns
  // 13-31 hold a mass excess on a reference line, a ratio on a measurement
  // line.
  int field_name(int index) const;
  // The fields as the read cut them, each in brackets, for the listing.
  std::string fields_as_cut() const;
  bool blank() const;
};

// "85Rb", "85Rb 1+": the nuclide and ion as the line writes them.
std::string nuclide_text(std::int32_t A, const conversion::Symbol& symbol);
std::string ion_text(std::int32_t A, const conversion::Symbol& symbol, std::int32_t charge);

namespace line_rules {

// Lines the converter misreads as a whole; the walk looks no further at a
// line these find something in. An empty measurement line's finding quotes
// the equation record the converter writes from it.
Findings blank_reference_line(const MeasurementLine& line);
Findings blank_measurement_line(const MeasurementLine& line,
                                const conversion::ReferenceRecord& reference,
                                const conversion::MeasurementRecord& measurement,
                                const conversion::Equation& equation);
Findings block_marker(const MeasurementLine& line, const conversion::Symbol& symbol);

// A symbol that is no element or molecule; one that is an isomer written
// another common way ("Km" for 38, "mCs", "m2Hf") gets the conventional
// spelling of the isomer with mass number `A`.
Findings symbol(const MeasurementLine& line, const conversion::Symbol& symbol, std::int32_t A);
Findings flag(const MeasurementLine& line);
Findings charge_state(const MeasurementLine& line, std::int32_t charge);
// A real field without its point, with a decimal comma, or one that reads
// as infinity or NaN.
Findings decimal_point(const MeasurementLine& line, int index, double value);
// Digits right after the uncertainty field, which the field's end cut off.
Findings uncertainty_field_end(const MeasurementLine& line);

Findings reference_mass_excess_range(const MeasurementLine& line,
                                     const conversion::ReferenceRecord& reference);
Findings reference_uncertainty(const MeasurementLine& line,
                               const conversion::ReferenceRecord& reference);
// `table_name` is the binding-energy table's name as findings give it.
Findings reference_binding_energy(const MeasurementLine& line,
                                  const conversion::ReferenceRecord& reference,
                                  const conversion::BindingEnergyTable& table,
                                  const std::string& table_name);

Findings ratio_uncertainty(const MeasurementLine& line,
                           const conversion::MeasurementRecord& measurement);
// Whether the ratio fits the pair of ions, or their inverse, within what
// any mass excesses and binding energies allow. `masses` says whether a
// mass table will be compared with (the listing says who decides the flag).
Findings ratio_window(const MeasurementLine& line, const conversion::ReferenceRecord& reference,
                      const conversion::MeasurementRecord& measurement, bool masses);
Findings null_equation(const MeasurementLine& line, const conversion::ReferenceRecord& reference,
                       const conversion::MeasurementRecord& measurement);
// 12C as the measured ion: its mass excess is 0 by definition, so the line
// can only measure its reference; the finding gives the line reversed.
Findings mass_standard_measured(const MeasurementLine& line,
                                const conversion::ReferenceRecord& reference,
                                const conversion::MeasurementRecord& measurement);
Findings measured_binding_energy(const MeasurementLine& line,
                                 const conversion::ReferenceRecord& reference,
                                 const conversion::MeasurementRecord& measurement,
                                 const conversion::BindingEnergyTable& table,
                                 const std::string& table_name);
// The correction's own uncertainty beside the equation's U.
Findings correction_uncertainty_share(const MeasurementLine& line,
                                      const conversion::ReferenceRecord& reference,
                                      const conversion::MeasurementRecord& measurement,
                                      const conversion::Equation& equation,
                                      std::optional<double> correction_sigma, bool from_rows,
                                      const std::string& table_name);

// The line the read refused: where and why the converter ends with its
// failure record. `equations` were written before it.
Findings refused_field(const MeasurementLine& line, int equations);

}  // namespace line_rules

}  // namespace check
