// record_controls.h - what a skip, a literal and a record break do to the
// records a fixed-column write builds.
//
// The rules are written once, here, for every builder of records: the
// layout made once for a constant list (prepared_format.h) and the list
// walk over the current record (output_editing.cpp) each supply the three
// steps for their own storage and apply the descriptors through
// apply_control.
#pragma once

#include <concepts>
#include <cstdint>
#include <string_view>

#include "recordio/statement.h"

namespace recordio {

// Every record of a text file ends with these two bytes.
inline constexpr std::string_view record_end = "\r\n";

// A builder of records: `skip(columns)` moves the position only (the
// columns passed over become blanks when something is stored further
// right, and otherwise add nothing); `store_text(text)` stores the text at
// the position, blanks first from the record's end up to it, and moves the
// position past it; `end_record()` ends the record after its last stored
// column with record_end and starts the next at column 1. Each returns
// false when the builder cannot go on.
template <class Builder>
concept RecordBuilder = requires(Builder& builder, std::int32_t columns, std::string_view text) {
  { builder.skip(columns) } -> std::same_as<bool>;
  { builder.store_text(text) } -> std::same_as<bool>;
  { builder.end_record() } -> std::same_as<bool>;
};

constexpr bool is_control(const EditDescriptor& descriptor) {
  return descriptor.kind == EditDescriptor::Kind::skip ||
         descriptor.kind == EditDescriptor::Kind::literal ||
         descriptor.kind == EditDescriptor::Kind::record_break;
}

// Applies a skip, literal or record break (anything else does nothing);
// false when the builder could not.
template <RecordBuilder Builder>
constexpr bool apply_control(const EditDescriptor& descriptor, Builder& records) {
  switch (descriptor.kind) {
    case EditDescriptor::Kind::skip:
      // A skip of no columns, or fewer, moves nothing.
      return descriptor.width <= 0 || records.skip(descriptor.width);
    case EditDescriptor::Kind::literal:
      return records.store_text(descriptor.text);
    case EditDescriptor::Kind::record_break:
      return records.end_record();
    case EditDescriptor::Kind::integer:
    case EditDescriptor::Kind::real:
    case EditDescriptor::Kind::character:
      break;
  }
  return true;
}

}  // namespace recordio
