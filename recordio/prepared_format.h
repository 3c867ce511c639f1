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
// also carry code compiled for its one list (compiled_fields.h), which
// writes or reads the fields with their kinds, columns and widths as
// constants. The skips, literals and record breaks between the fields are
// laid out by the rules the list walk applies (record_controls.h).
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "recordio/record_controls.h"
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
  constexpr std::string_view bytes() const {
    return {bytes_.data(), static_cast<std::size_t>(size_)};
  }
  constexpr std::span<const Field> fields() const {
    return {fields_.data(), static_cast<std::size_t>(field_count_)};
  }
  constexpr std::int32_t longest_record() const { return longest_record_; }

  // True when the list holds integer, real and character fields only, the
  // shape of every list a read statement takes field by field.
  constexpr bool fields_only() const { return fields_only_; }

 private:
  // The records as the layout builds them, a RecordBuilder: the skips,
  // literals and record breaks between the fields do what they do in the
  // list walk (record_controls.h). Every step fails once the records would
  // not fit in bytes_.
  class Layout {
   public:
    constexpr explicit Layout(PreparedFormat& format) : format_(format) {}

    constexpr bool skip(std::int32_t columns) {
      if (columns > max_bytes - position_) return false;
      position_ += columns;
      return true;
    }
    constexpr bool store_text(std::string_view text) {
      return place(text, static_cast<std::int32_t>(text.size()));
    }
    // The descriptor at `index` of the list, a field: its place, and blanks
    // in its columns.
    constexpr bool field(const EditDescriptor& descriptor, std::size_t index) {
      if (descriptor.width < 1 || format_.field_count_ == max_fields) return false;
      format_.fields_[static_cast<std::size_t>(format_.field_count_++)] = {
          descriptor.kind,           descriptor.width,
          descriptor.decimals,       static_cast<std::int32_t>(index),
          record_start_ + position_, record_start_};
      return place({}, descriptor.width);
    }
    constexpr bool end_record() {
      if (record_start_ + length_ + 2 > max_bytes) return false;
      put(record_start_ + length_, record_end[0]);
      put(record_start_ + length_ + 1, record_end[1]);
      if (length_ > format_.longest_record_) format_.longest_record_ = length_;
      record_start_ += length_ + 2;
      format_.size_ = record_start_;
      position_ = 0;
      length_ = 0;
      return true;
    }

   private:
    // `count` bytes at the position: the text, or blanks where a field goes.
    constexpr bool place(std::string_view text, std::int32_t count) {
      // Two bytes stay free for the record's CR LF.
      if (std::int64_t{record_start_} + position_ + count > max_bytes - 2) return false;
      for (std::int32_t at = length_; at < position_; ++at) put(record_start_ + at, ' ');
      for (std::int32_t k = 0; k < count; ++k) {
        put(record_start_ + position_ + k, text.empty() ? ' ' : text[static_cast<std::size_t>(k)]);
      }
      position_ += count;
      if (position_ > length_) length_ = position_;
      return true;
    }
    constexpr void put(std::int32_t at, char c) {
      format_.bytes_[static_cast<std::size_t>(at)] = c;
    }

    PreparedFormat& format_;
    std::int32_t record_start_ = 0;  // of the record being laid out
    std::int32_t position_ = 0;      // in that record
    std::int32_t length_ = 0;
  };

  constexpr void lay_out() {
    for (const EditDescriptor& descriptor : list_) {
      if (is_control(descriptor)) fields_only_ = false;
    }
    Layout records(*this);
    for (std::size_t i = 0; i < list_.size() && laid_out_; ++i) {
      const EditDescriptor& descriptor = list_[i];
      laid_out_ = is_control(descriptor) ? apply_control(descriptor, records)
                                         : records.field(descriptor, i);
    }
    if (laid_out_) laid_out_ = records.end_record();
    if (!laid_out_) {
      size_ = 0;
      field_count_ = 0;
    }
  }

  FormatList list_;
  CompiledWrite compiled_write_ = nullptr;
  CompiledRead compiled_read_ = nullptr;
  bool laid_out_ = true;
  bool fields_only_ = true;
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
