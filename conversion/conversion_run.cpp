// conversion_run.cpp - the program's control flow: connect, load, convert, stop.
//
// "vemo.freq" is a sequence of blocks: a reference line, measurement lines,
// and optionally a line whose columns 5-8 hold "NEW ", after which the next
// line is the next block's reference. End of file where a measurement may
// stand is the normal end; anywhere else, and any bad data, ends the run
// with the failure closing record.
#include "conversion/conversion_run.h"

#include <string_view>

#include "conversion/binding_energy_table.h"
#include "conversion/equation_arithmetic.h"
#include "conversion/equation_writer.h"
#include "recordio/input_editing.h"
#include "recordio/units.h"

namespace conversion {

namespace {

using recordio::InputItem;
using recordio::Outcome;
using recordio::StatementRequest;

// The names are held blank-padded in 30 columns; the connection drops the
// blanks.
constexpr std::string_view equations_file = "vemo.equat                    ";
constexpr std::string_view measurements_file = "vemo.freq                     ";
constexpr std::string_view table_file = "ionization.data               ";

constexpr std::int32_t equations_unit = 1;
constexpr std::int32_t measurements_unit = 3;
constexpr std::int32_t table_unit = 10;

// (I4,A4,I4,F19.8,A2,F13.8) for every line of "vemo.freq".
constexpr recordio::EditDescriptor line_format[] = {
    recordio::integer(4),    recordio::character(4), recordio::integer(4),
    recordio::real(19, 8),   recordio::character(2), recordio::real(13, 8)};

constexpr Symbol block_marker = {'N', 'E', 'W', ' '};

void connect(std::int32_t unit, std::string_view name, std::string_view status) {
  StatementRequest request;
  request.unit = unit;
  request.file_name = name;
  request.status_keyword = status;
  request.form_keyword = "formatted";
  // No branch and no status variable: a failed connection ends the run.
  recordio::open_unit(request);
}

void release(std::int32_t unit) {
  StatementRequest request;
  request.unit = unit;
  recordio::close_unit(request);
}

// Fields of one line of "vemo.freq", in list order.
struct LineItems {
  std::int32_t* A;
  char* symbol;
  std::int32_t* charge;
  double* value;
  char* flag;
  double* sigma;
};

// Reads one line; the caller tests the outcome. Each call's outcome is
// tested before the next: the first that is not success ends the read.
Outcome read_line(const LineItems& items, bool end_of_file_is_normal) {
  StatementRequest request;
  request.unit = measurements_unit;
  request.format = line_format;
  request.error_branch = true;
  request.end_branch = end_of_file_is_normal;
  Outcome outcome = recordio::begin_read(request);
  const InputItem list[] = {InputItem::of(*items.A),      InputItem::text(items.symbol, 4),
                            InputItem::of(*items.charge), InputItem::of(*items.value),
                            InputItem::text(items.flag, 2), InputItem::of(*items.sigma)};
  for (const InputItem& item : list) {
    if (outcome != Outcome::success) return outcome;
    outcome = recordio::read_item(request, item);
  }
  if (outcome != Outcome::success) return outcome;
  return recordio::end_read(request);
}

void convert_measurement(const BindingEnergyTable& table, const ReferenceRecord& reference,
                         const MeasurementRecord& measurement) {
  const auto energies = table.look_up(reference.symbol_ref, reference.charge_ref,
                                      measurement.symbol_meas, measurement.charge_meas);
  const Equation equation =
      compute_equation(reference, measurement, energies.reference, energies.measured);
  if (!equation.correction_applied) write_warning(equations_unit);
  write_equation(equations_unit, measurement, reference, equation);
  write_micro_u(equations_unit, measurement, equation);
  write_kev(equations_unit, equation);
}

// Walks the blocks; true at the normal end, false after a read failure.
bool convert_measurements(const BindingEnergyTable& table) {
  ReferenceRecord reference;
  MeasurementRecord measurement;
  // The reference line fills the measurement's flag too; it is never used.
  const LineItems reference_items{&reference.A_ref,      reference.symbol_ref.data(),
                                  &reference.charge_ref, &reference.mass_excess_ref,
                                  measurement.flag.data(), &reference.sigma_ref};
  const LineItems measurement_items{&measurement.A_meas,      measurement.symbol_meas.data(),
                                    &measurement.charge_meas, &measurement.ratio_value,
                                    measurement.flag.data(),  &measurement.sigma_value};
  for (;;) {
    // Without an end-of-file branch, end of file here comes back as failure.
    if (read_line(reference_items, false) != Outcome::success) return false;
    for (;;) {
      const Outcome outcome = read_line(measurement_items, true);
      if (outcome == Outcome::end_of_file) return true;
      if (outcome != Outcome::success) return false;
      if (measurement.symbol_meas == block_marker) break;
      convert_measurement(table, reference, measurement);
    }
  }
}

}  // namespace

void run_conversion() {
  connect(equations_unit, equations_file, "new");
  connect(measurements_unit, measurements_file, "old");
  connect(table_unit, table_file, "old");

  // About 16 KiB: kept off the stack of the main routine's caller.
  static BindingEnergyTable table;
  table.load(table_unit);
  release(table_unit);

  if (convert_measurements(table)) {
    write_normal_closing(equations_unit);
  } else {
    write_failure_closing(equations_unit);
  }
  StatementRequest stop;
  recordio::stop_run(stop);
}

}  // namespace conversion
