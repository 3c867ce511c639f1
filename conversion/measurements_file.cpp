// measurements_file.cpp - the line read and the walk over the blocks.
#include "conversion/measurements_file.h"

#include "recordio/compiled_fields.h"
#include "recordio/current_record.h"
#include "recordio/input_editing.h"
#include "recordio/prepared_format.h"

namespace conversion {

namespace {

using recordio::InputItem;
using recordio::Outcome;

// A list of fields only: each read takes its next field without a walk,
// by code compiled for the list.
constexpr recordio::PreparedFormat line_fields_layout{line_format};
constexpr recordio::PreparedFormat line_layout =
    recordio::compiled_for_reading<line_fields_layout>();

// Fields of one line of "vemo.freq", in list order.
struct LineItems {
  std::int32_t* A;
  char* symbol;
  std::int32_t* charge;
  double* value;
  char* flag;
  double* sigma;
};

// Reads one line. Each call's outcome is tested before the next: the first
// that is not success ends the read and is returned.
Outcome read_line(recordio::StatementRequest& request, const LineItems& items,
                  LineProgress* progress) {
  Outcome outcome = recordio::begin_read(request);
  if (progress != nullptr) {
    progress->fields_read = 0;
    progress->record.clear();
    if (outcome == Outcome::success) progress->record.assign(recordio::current_record().view());
  }
  const InputItem list[line_fields] = {
      InputItem::of(*items.A),     InputItem::text(items.symbol, 4), InputItem::of(*items.charge),
      InputItem::of(*items.value), InputItem::text(items.flag, 2),   InputItem::of(*items.sigma)};
  if (progress == nullptr) {
    if (outcome == Outcome::success) outcome = recordio::read_items(request, list);
    if (outcome != Outcome::success) return outcome;
    return recordio::end_read(request);
  }
  for (int field = 0; field < line_fields; ++field) {
    if (outcome != Outcome::success) return outcome;
    if (progress != nullptr) {
      progress->field_start[static_cast<std::size_t>(field)] =
          recordio::current_record().position();
    }
    outcome = recordio::read_item(request, list[field]);
    if (progress != nullptr && outcome == Outcome::success) progress->fields_read = field + 1;
  }
  if (outcome != Outcome::success) return outcome;
  return recordio::end_read(request);
}

}  // namespace

Equation equation_for(const BindingEnergyTable& table, const ReferenceRecord& reference,
                      const MeasurementRecord& measurement) {
  const auto energies = table.look_up(reference.symbol_ref, reference.charge_ref,
                                      measurement.symbol_meas, measurement.charge_meas);
  return compute_equation(reference, measurement, energies.reference, energies.measured);
}

WalkEnd walk_measurements(std::int32_t unit, MeasurementsVisitor& visitor, std::int32_t* status,
                          LineProgress* progress) {
  ReferenceRecord reference;
  MeasurementRecord measurement;
  // The reference line fills the measurement's flag too; it is never used.
  const LineItems reference_items{&reference.A_ref,        reference.symbol_ref.data(),
                                  &reference.charge_ref,   &reference.mass_excess_ref,
                                  measurement.flag.data(), &reference.sigma_ref};
  const LineItems measurement_items{&measurement.A_meas,      measurement.symbol_meas.data(),
                                    &measurement.charge_meas, &measurement.ratio_value,
                                    measurement.flag.data(),  &measurement.sigma_value};
  recordio::StatementRequest request;
  request.unit = unit;
  recordio::use_format(request, line_layout);
  request.error_branch = true;
  request.status = status;
  for (;;) {
    // Without an end-of-file branch, end of file here comes back as failure.
    request.end_branch = false;
    if (progress != nullptr) progress->reference = true;
    if (read_line(request, reference_items, progress) != Outcome::success) return WalkEnd::failure;
    visitor.reference(reference);
    request.end_branch = true;
    if (progress != nullptr) progress->reference = false;
    for (;;) {
      const Outcome outcome = read_line(request, measurement_items, progress);
      if (outcome == Outcome::end_of_file) return WalkEnd::normal;
      if (outcome != Outcome::success) return WalkEnd::failure;
      if (measurement.symbol_meas == block_marker) {
        visitor.marker(measurement);
        break;
      }
      visitor.measurement(reference, measurement);
    }
  }
}

}  // namespace conversion
