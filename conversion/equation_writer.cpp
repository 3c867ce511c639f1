// equation_writer.cpp - format lists and items of every record written.
#include "conversion/equation_writer.h"

#include <initializer_list>
#include <string_view>

#include "conversion/equation_formats.h"
#include "recordio/compiled_fields.h"
#include "recordio/output_editing.h"
#include "recordio/prepared_format.h"

namespace conversion {

namespace {

using recordio::OutputItem;
using recordio::PreparedFormat;

// Laid out once, so that each record is edited straight into the block;
// the lists with fields are also compiled for writing, which edits each
// field with its columns, width and decimals as constants.
constexpr PreparedFormat equation_layout{equation_list};
constexpr PreparedFormat micro_u_layout{micro_u_list};
constexpr PreparedFormat kev_layout{kev_list};
constexpr PreparedFormat equation_format = recordio::compiled_for_writing<equation_layout>();
constexpr PreparedFormat micro_u_format = recordio::compiled_for_writing<micro_u_layout>();
constexpr PreparedFormat kev_format = recordio::compiled_for_writing<kev_layout>();
constexpr PreparedFormat normal_closing_format{normal_closing_list};
constexpr PreparedFormat failure_closing_format{failure_closing_list};
static_assert(equation_format.laid_out() && micro_u_format.laid_out() && kev_format.laid_out());

std::string_view text_of(const std::array<char, 4>& symbol) {
  return {symbol.data(), symbol.size()};
}

// The writes carry no branch and no status variable: any condition in them
// ends the run with the failure report, so there is no outcome to act on.
// They share one request, set up anew but for those, rather than clear a
// whole request for each of the three records of every measurement.
constinit recordio::StatementRequest write_request;

void write_record(std::int32_t unit, recordio::Transfer transfer, const PreparedFormat* format,
                  std::initializer_list<OutputItem> items) {
  recordio::StatementRequest& request = write_request;
  request.unit = unit;
  request.transfer = transfer;
  if (format != nullptr) {
    recordio::use_format(request, *format);
  } else {
    request.format = {};
    request.prepared = nullptr;
  }
  recordio::begin_write(request);
  recordio::write_items(request, {items.begin(), items.size()});
  recordio::end_write(request);
}

}  // namespace

void write_warning(std::int32_t unit) {
  write_record(unit, recordio::Transfer::free_form, nullptr, {OutputItem::of(warning_text)});
}

void write_equation(std::int32_t unit, const MeasurementRecord& measurement,
                    const ReferenceRecord& reference, const Equation& equation) {
  write_record(
      unit, recordio::Transfer::fixed_column, &equation_format,
      {OutputItem::of(measurement.A_meas), OutputItem::of(text_of(measurement.symbol_meas)),
       OutputItem::of(reference.A_ref), OutputItem::of(text_of(reference.symbol_ref)),
       OutputItem::of(equation.G), OutputItem::of(equation.V), OutputItem::of(equation.U)});
}

void write_micro_u(std::int32_t unit, const MeasurementRecord& measurement,
                   const Equation& equation) {
  write_record(
      unit, recordio::Transfer::fixed_column, &micro_u_format,
      {OutputItem::of(measurement.A_meas), OutputItem::of(text_of(measurement.symbol_meas)),
       OutputItem::of(equation.mass_excess_meas), OutputItem::of(equation.sigma_meas)});
}

void write_kev(std::int32_t unit, const Equation& equation) {
  write_record(unit, recordio::Transfer::fixed_column, &kev_format,
               {OutputItem::of(equation.mass_excess_kev), OutputItem::of(equation.sigma_kev)});
}

void write_normal_closing(std::int32_t unit) {
  write_record(unit, recordio::Transfer::fixed_column, &normal_closing_format, {});
}

void write_failure_closing(std::int32_t unit) {
  write_record(unit, recordio::Transfer::fixed_column, &failure_closing_format, {});
}

}  // namespace conversion
