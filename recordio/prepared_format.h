// prepared_format.h - a constant format list laid out once.
//
// A fixed-column list whose fields all have a width makes the same records
// on every write but for the fields' contents: the literals, the blanks of
// the skips and the CR LF of every record stand in the same bytes each
// time. Laying the list out once, at compile time, lets a write copy those
// bytes into the unit's block buffer in one piece and edit each field
// straight into its columns there, instead of walking the list descriptor
// by descriptor and moving the record twice. A list that cannot be laid out
// (a character field without a width, records longer than the layout
// holds) is still a list: the statement then takes it descriptor by
// descriptor, as it takes any other. A layout made at compile time may
// also carry runs made for its one list (field_run.h), which write or read
// the fields with their kinds, columns and widths as constants.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "recordio/statement.h"

namespace recordio {

struct DigitString;  // decimal_digits.h

class PreparedFormat {
 public:
  // Code compiled for one list, for the statement that hands over an item
  // for every field at once, from the first (`items` holds at least as many
  // as there are fields); the statement takes every other case by the list
  // of fields. A CompiledWrite edits the items into the fields in the block
  // bytes the layout was copied to and returns how many it took: up to the
  // first item of another kind than its field, or all. A CompiledRead reads
  // them as read_item does, up to the first outcome other than success,
  // which it returns; `taken` is the number of items it got to, the one
  // that failed included.
  using CompiledWrite = std::size_t (*)(char* bytes, std::span<const OutputItem> items,
                                        DigitString& digits);
  using CompiledRead = Outcome (*)(StatementRequest& request, std::span<const InputItem> items,
                                   std::size_t& taken);

  static constexpr int max_fields = 16;
  static constexpr int max_bytes = 512;

  // One field of the list and where it lies in bytes().
  struct Field {
    EditDescriptor::Kind kind = EditDescriptor::Kind::integer;
    std::int32_t width = 0;
    std::int32_t decimals = 0;      // d of Fw.d, m of Iw
    std::int32_t descriptor = 0;    // its index in the list
    std::int32_t offset = 0;        // its first column
    std::int32_t record_start = 0;  // the first byte of its record
  };

  constexpr explicit PreparedFormat(FormatList list) : list_(list) { lay_out(); }

  // The same layout with code compiled for writing or reading its fields,
  // made by compiled_fields.h; compiled_write() and compiled_read() give
  // it, nullptr where there is none.
  constexpr PreparedFormat with_compiled_write(CompiledWrite write) const {
    PreparedFormat copy = *this;
    copy.compiled_write_ = write;
    return copy;
  }
  constexpr CompiledWrite compiled_write() const { return compiled_write_; }
  constexpr PreparedFormat with_compiled_read(CompiledRead read) const {
    PreparedFormat copy = *this;
    copy.compiled_read_ = read;
    return copy;
  }
  constexpr CompiledRead compiled_read() const { return compiled_read_; }

  constexpr FormatList list() const { return list_; }

  // True when every field has a width and the records fit the layout; only
  // then do fields(), bytes() and longest_record() describe the list.
  constexpr bool laid_out() const { return laid_out_; }

  // The records one write by the list makes when it is given one item per
  // field, each ended by CR LF, with blanks in the fields' columns.
  constexpr std::string_view bytes() const { return {bytes_.data(), static_cast<std::size_t>(size_)}; }
  constexpr std::span<const Field> fields() const {
    return {fields_.data(), static_cast<std::size_t>(field_count_)};
  }
  constexpr std::int32_t longest_record() const { return longest_record_; }

  // True when the list holds integer, real and character fields only, the
  // shape of every list a read statement takes field by field.
  constexpr bool fields_only() const { return fields_only_; }

 private:
  constexpr void lay_out() {
    std::int32_t position = 0;  // in the record being laid out
    std::int32_t length = 0;
    for (std::size_t i = 0; i < list_.size(); ++i) {
      const EditDescriptor& descriptor = list_[i];
      switch (descriptor.kind) {
        case EditDescriptor::Kind::skip:
          fields_only_ = false;
          // Skipped columns are blanks only once something is stored beyond
          // them; a skip at the end of a record adds nothing.
          if (descriptor.width > max_bytes - position) {
            laid_out_ = false;
          } else if (descriptor.width > 0) {
            position += descriptor.width;
          }
          break;
        case EditDescriptor::Kind::literal:
          fields_only_ = false;
          place(position, length, descriptor.text, static_cast<std::int32_t>(descriptor.text.size()));
          break;
        case EditDescriptor::Kind::integer:
        case EditDescriptor::Kind::real:
        case EditDescriptor::Kind::character:
          if (descriptor.width < 1 || field_count_ == max_fields) laid_out_ = false;
          if (!laid_out_) break;
          fields_[static_cast<std::size_t>(field_count_++)] = {
              descriptor.kind, descriptor.width, descriptor.decimals, static_cast<std::int32_t>(i),
              record_start_ + position, record_start_};
          place(position, length, {}, descriptor.width);
          break;
        case EditDescriptor::Kind::record_break:
          fields_only_ = false;
          end_record(position, length);
          break;
      }
    }
    if (laid_out_) end_record(position, length);
    if (!laid_out_) {
      size_ = 0;
      field_count_ = 0;
    }
  }

  // `count` bytes at the position: the text, or blanks where a field goes.
  constexpr void place(std::int32_t& position, std::int32_t& length, std::string_view text,
                       std::int32_t count) {
    // Two bytes stay free for the record's CR LF.
    if (!laid_out_ || std::int64_t{record_start_} + position + count > max_bytes - 2) {
      laid_out_ = false;
      return;
    }
    for (std::int32_t at = length; at < position; ++at) put(record_start_ + at, ' ');
    for (std::int32_t k = 0; k < count; ++k) {
      put(record_start_ + position + k, text.empty() ? ' ' : text[static_cast<std::size_t>(k)]);
    }
    position += count;
    if (position > length) length = position;
  }

  constexpr void end_record(std::int32_t& position, std::int32_t& length) {
    if (!laid_out_ || record_start_ + length + 2 > max_bytes) {
      laid_out_ = false;
      return;
    }
    put(record_start_ + length, '\r');
    put(record_start_ + length + 1, '\n');
    if (length > longest_record_) longest_record_ = length;
    record_start_ += length + 2;
    size_ = record_start_;
    position = 0;
    length = 0;
  }

  constexpr void put(std::int32_t at, char c) { bytes_[static_cast<std::size_t>(at)] = c; }

  FormatList list_;
  CompiledWrite compiled_write_ = nullptr;
  CompiledRead compiled_read_ = nullptr;
  bool laid_out_ = true;
  bool fields_only_ = true;
  std::int32_t record_start_ = 0;
  std::int32_t size_ = 0;
  std::int32_t longest_record_ = 0;
  std::int32_t field_count_ = 0;
  std::array<char, max_bytes> bytes_{};
  std::array<Field, max_fields> fields_{};
};

// Has the statement use `format`: its list, and its layout where it has one.
inline void use_format(StatementRequest& request, const PreparedFormat& format) {
  request.format = format.list();
  request.prepared = &format;
}

}  // namespace recordio
