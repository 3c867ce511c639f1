// input_reading.cpp - connect, load, walk, release.
#include "check/input_reading.h"

#include "check/binding_rows_check.h"
#include "check/measurements_walk.h"
#include "cli/bounded_file.h"
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
  std::int32_t status = 0;
  recordio::StatementRequest request;
  request.unit = file.unit;
  request.file_name = file.path;
  request.status_keyword = "old";
  request.form_keyword = "formatted";
  request.action_keyword = "read";
  request.status = &status;
  recordio::open_unit(request);
  if (status == 0) return true;
  error = "cannot read " + file.quoted + ": " + cli::condition_text(status);
  return false;
}

void release(std::int32_t unit) {
  std::int32_t status = 0;
  recordio::StatementRequest request;
  request.unit = unit;
  request.status = &status;
  recordio::close_unit(request);
}

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
