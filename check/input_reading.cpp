// input_reading.cpp - connect, load, walk, release.
#include "check/input_reading.h"

#include "check/binding_rows_check.h"
#include "check/measurements_walk.h"
#include "cli/bounded_file.h"
#include "cli/input_unit.h"
#include "conversion/measurements_file.h"
#include "recordio/units.h"

namespace check {

bool connect(const InputFile& file, std::string& error) {
  // The system's own reason first, as GNU tools give it; a device is read
  // as the converter reads it.
  if (const std::string why = cli::input_refusal(file.path, cli::InputKinds::devices_too);
      !why.empty()) {
    error = "cannot read " + file.quoted + ": " + why;
    return false;
  }
  const std::string why = cli::connect_for_reading(file.unit, file.path);
  if (why.empty()) return true;
  error = "cannot read " + file.quoted + ": " + why;
  return false;
}

void release(std::int32_t unit) { cli::release_unit(unit); }

bool read_inputs(CheckContext& context, conversion::BindingEnergyTable& table, ReadCounts& counts,
                 std::string& error) {
  if (!connect(context.table, error)) return false;
  if (!connect(context.freq, error)) {
    release(context.table.unit);
    return false;
  }
  recordio::find_unit(context.table.unit)->trace = &context.table.trace;
  recordio::find_unit(context.freq.unit)->trace = &context.freq.trace;

  context.diagnostics.verbose = context.verbose;
  BindingRowsCheck rows_check(context);
  table.load(context.table.unit, &rows_check);
  if (!context.unreadable) rows_check.finish(table);
  release(context.table.unit);
  if (context.unreadable) {
    release(context.freq.unit);
    error = *context.unreadable;
    return false;
  }

  MeasurementsWalk walk(context, table);
  const conversion::WalkEnd end =
      conversion::walk_measurements(context.freq.unit, walk, &walk.status, &walk.progress);
  walk.finish(end);
  context.diagnostics.add(rows_check.judged_row_energies(context.row_effects));
  release(context.freq.unit);
  counts.blocks = walk.blocks();
  counts.measurements = walk.measurements();
  if (context.unreadable) {
    error = *context.unreadable;
    return false;
  }
  return true;
}

}  // namespace check
