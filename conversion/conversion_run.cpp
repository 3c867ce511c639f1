// conversion_run.cpp - the program's control flow: connect, load, convert, stop.
//
// The walk over the blocks of "vemo.freq" (measurements_file.h) ends at the
// end of the file, which gives the normal closing record, or at a read
// failure, which gives the failure closing record.
#include "conversion/conversion_run.h"

#include <string_view>

#include "conversion/binding_energy_table.h"
#include "conversion/equation_arithmetic.h"
#include "conversion/equation_writer.h"
#include "conversion/measurements_file.h"
#include "recordio/units.h"

namespace conversion {

namespace {

using recordio::StatementRequest;

// The names are held blank-padded in 30 columns; the connection drops the
// blanks.
constexpr std::string_view equations_file = "vemo.equat                    ";
constexpr std::string_view measurements_file = "vemo.freq                     ";
constexpr std::string_view table_file = "ionization.data               ";

constexpr std::int32_t equations_unit = 1;
constexpr std::int32_t measurements_unit = 3;
constexpr std::int32_t table_unit = 10;

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

void convert_measurement(const BindingEnergyTable& table, const ReferenceRecord& reference,
                         const MeasurementRecord& measurement) {
  const Equation equation = equation_for(table, reference, measurement);
  if (!equation.correction_applied) write_warning(equations_unit);
  write_equation(equations_unit, measurement, reference, equation);
  write_micro_u(equations_unit, measurement, equation);
  write_kev(equations_unit, equation);
}

// Writes the equation group of every measurement as the walk reads it.
class EquationGroups final : public MeasurementsVisitor {
 public:
  explicit EquationGroups(const BindingEnergyTable& table) : table_(table) {}
  void reference(const ReferenceRecord& /*reference*/) override {}
  void measurement(const ReferenceRecord& reference,
                   const MeasurementRecord& measurement) override {
    convert_measurement(table_, reference, measurement);
  }

 private:
  const BindingEnergyTable& table_;
};

}  // namespace

void run_conversion() {
  connect(equations_unit, equations_file, "new");
  connect(measurements_unit, measurements_file, "old");
  connect(table_unit, table_file, "old");

  // About 16 KiB: kept off the stack of the main routine's caller.
  static BindingEnergyTable table;
  table.load(table_unit);
  release(table_unit);

  EquationGroups groups(table);
  if (walk_measurements(measurements_unit, groups) == WalkEnd::normal) {
    write_normal_closing(equations_unit);
  } else {
    write_failure_closing(equations_unit);
  }
  StatementRequest stop;
  recordio::stop_run(stop);
}

}  // namespace conversion
