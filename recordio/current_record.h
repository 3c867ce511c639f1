// current_record.h - the one record buffer that every statement edits.
//
// Reads cut a line into it and fields are taken out of it; writes store
// fields into it and end_record moves it into a unit's block buffer. There
// is one for the whole run because at most one statement is ever in
// progress. Growing it can fail; the caller turns that into condition 10004.
#pragma once

#include <cstdint>
#include <string_view>

namespace recordio {

class CurrentRecord {
 public:
  CurrentRecord() = default;
  CurrentRecord(const CurrentRecord&) = delete;
  CurrentRecord& operator=(const CurrentRecord&) = delete;
  ~CurrentRecord();

  // The record's characters, columns 1 to length().
  std::string_view view() const { return {bytes_, static_cast<std::size_t>(length_)}; }
  const char* data() const { return bytes_; }
  std::int32_t length() const { return length_; }
  std::int32_t position() const { return position_; }
  void set_position(std::int32_t position) { position_ = position; }

  // Length and position back to zero; the allocation stays.
  void clear() {
    length_ = 0;
    position_ = 0;
  }

  // Makes room for `count` bytes in all. Returns false when memory cannot be
  // had; the record is then unchanged.
  bool reserve(std::int64_t count);

  // Stores characters at the position and advances it; columns between the
  // old length and the position become blanks. Returns false (nothing
  // stored) when the record cannot grow.
  bool store(char c);
  bool store(std::string_view chars);
  bool store_blanks(std::int32_t count);

  // Gives the `width` (at least 1) columns at the position, blanks, to an
  // editor: the position moves past them, columns between the old length
  // and the position become blanks too. nullptr (the record unchanged) when
  // the record cannot grow.
  char* take_columns(std::int32_t width);

  // Appends at the end (used while a line is cut into the record).
  bool append(char c) {
    if (length_ == capacity_ && !reserve(std::int64_t{length_} + 1)) return false;
    bytes_[length_++] = c;
    return true;
  }
  bool append(std::string_view chars);
  bool append_blanks(std::int32_t count);

  // Room for `count` bytes past the end, for a caller that stores whole
  // words and keeps only some of their bytes: nullptr when the record
  // cannot grow. Stored bytes count only once `extend` adds them.
  char* room_at_end(std::int32_t count) {
    if (capacity_ - length_ < count && !reserve(std::int64_t{length_} + count)) return nullptr;
    return bytes_ + length_;
  }
  void extend(std::int32_t count) { length_ += count; }

  // Releases the allocation (at the run's stop).
  void release();

 private:
  bool fill_to_position();

  char* bytes_ = nullptr;
  std::int32_t length_ = 0;
  std::int32_t position_ = 0;
  std::int32_t capacity_ = 0;
};

// The run's current record.
CurrentRecord& current_record();

}  // namespace recordio
