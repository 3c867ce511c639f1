// field_run.h - the fields of one constant laid-out list, written or read
// by code made for that list.
//
// A constant list's fields are known when the program is built: their
// kinds, columns, widths and decimals. A run made for the list edits or
// reads each item with those as constants, so that nothing is looked up
// per field and each editor is cut down to what its field needs. Each run
// does exactly what the statement's own run over the layout's fields does
// (output_editing.cpp, input_editing.cpp), item for item; only the
// constants differ.
#pragma once

#include <cstddef>
#include <span>
#include <utility>

#include "recordio/decimal_digits.h"
#include "recordio/input_editing.h"
#include "recordio/output_fields.h"
#include "recordio/prepared_format.h"
#include "recordio/statement.h"

namespace recordio {

namespace field_run_detail {

template <PreparedFormat::Field field>
[[gnu::always_inline]] inline bool edit(char* bytes, const OutputItem& item, DigitString& digits) {
  char* const columns = bytes + field.offset;
  if constexpr (field.kind == EditDescriptor::Kind::integer) {
    if (item.type != OutputItem::Type::integer32) return false;
    edit_integer(columns, item.integer, field.width, field.decimals);
  } else if constexpr (field.kind == EditDescriptor::Kind::real) {
    if (item.type != OutputItem::Type::real64) return false;
    edit_real(columns, item.real, field.width, field.decimals, digits);
  } else {
    if (item.type != OutputItem::Type::text) return false;
    edit_character(columns, item.text, field.width);
  }
  return true;
}

}  // namespace field_run_detail

// A PreparedFormat::FieldRun for the layout `format`.
template <const PreparedFormat& format>
[[gnu::flatten]] std::size_t run_fields(char* bytes, std::span<const OutputItem> items,
                                        DigitString& digits) {
  constexpr std::size_t count = format.fields().size();
  std::size_t taken = 0;
  [&]<std::size_t... i>(std::index_sequence<i...>) {
    // In field order while the items fit: the fold stops at the first
    // that does not.
    (void)((field_run_detail::edit<format.fields()[i]>(bytes, items[i], digits) &&
            (++taken, true)) &&
           ...);
  }(std::make_index_sequence<count>{});
  return taken;
}

// The list's layout with a run made for it.
template <const PreparedFormat& format>
constexpr PreparedFormat with_field_run() {
  static_assert(format.laid_out());
  return format.with_run(&run_fields<format>);
}

// A PreparedFormat::ReadRun for the list of fields `format`.
template <const PreparedFormat& format>
[[gnu::flatten]] Outcome read_fields(StatementRequest& request, std::span<const InputItem> items,
                                     std::size_t& taken) {
  constexpr std::size_t count = format.list().size();
  Outcome outcome = Outcome::success;
  std::size_t done = 0;
  [&]<std::size_t... i>(std::index_sequence<i...>) {
    // In field order up to the first outcome other than success: the fold
    // stops there.
    (void)(((outcome = read_laid_out_field(request, format.list()[i], items[i]), ++done,
             outcome == Outcome::success)) &&
           ...);
  }(std::make_index_sequence<count>{});
  taken = done;
  return outcome;
}

// The layout of a list of fields only with a read run made for it.
template <const PreparedFormat& format>
constexpr PreparedFormat with_read_run() {
  static_assert(format.fields_only());
  return format.with_read_run(&read_fields<format>);
}

}  // namespace recordio
