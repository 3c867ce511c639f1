// compiled_fields.h - the fields of one constant laid-out list, written or
// read by code compiled for that list.
//
// A constant list's fields are known when the program is built: their
// kinds, columns, widths and decimals. Code compiled for the list edits or
// reads each item with those as constants, so that nothing is looked up
// per field and each editor is cut down to what its field needs. It does
// exactly what the statement does with the same items field by field
// (output_editing.cpp, input_editing.cpp), item for item; only the
// constants differ. A layout carries it as a function pointer
// (PreparedFormat::compiled_write, compiled_read).
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

namespace compiled_detail {

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

}  // namespace compiled_detail

// A PreparedFormat::CompiledWrite for the layout `format`.
template <const PreparedFormat& format>
[[gnu::flatten]] std::size_t write_fields(char* bytes, std::span<const OutputItem> items,
                                          DigitString& digits) {
  constexpr std::size_t count = format.fields().size();
  std::size_t taken = 0;
  [&]<std::size_t... i>(std::index_sequence<i...>) {
    // In field order while the items fit: the fold stops at the first
    // that does not.
    (void)((compiled_detail::edit<format.fields()[i]>(bytes, items[i], digits) &&
            (++taken, true)) &&
           ...);
  }
  (std::make_index_sequence<count>{});
  return taken;
}

// The list's layout with its fields compiled for writing.
template <const PreparedFormat& format>
constexpr PreparedFormat compiled_for_writing() {
  static_assert(format.laid_out());
  return format.with_compiled_write(&write_fields<format>);
}

// A PreparedFormat::CompiledRead for the list of fields `format`.
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
  }
  (std::make_index_sequence<count>{});
  taken = done;
  return outcome;
}

// The layout of a list of fields only, its fields compiled for reading.
template <const PreparedFormat& format>
constexpr PreparedFormat compiled_for_reading() {
  static_assert(format.fields_only());
  return format.with_compiled_read(&read_fields<format>);
}

}  // namespace recordio
