// current_record.cpp - the growable record buffer.
#include "recordio/current_record.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace recordio {

namespace {
constexpr std::int64_t first_capacity = 1024;
constexpr std::int64_t growth_step = 8192;
constexpr std::int64_t largest_record = std::numeric_limits<std::int32_t>::max();
}  // namespace

CurrentRecord::~CurrentRecord() { release(); }

void CurrentRecord::release() {
  std::free(bytes_);
  bytes_ = nullptr;
  length_ = 0;
  position_ = 0;
  capacity_ = 0;
}

bool CurrentRecord::reserve(std::int64_t count) {
  if (count <= capacity_) return true;
  if (count > largest_record) return false;
  std::int64_t capacity = capacity_ == 0 ? first_capacity : capacity_ + growth_step;
  // Beyond the first steps the record grows by half its size, so that a line
  // of n bytes costs O(n) copying rather than O(n^2 / 8192).
  if (capacity_ >= 8 * growth_step) capacity = std::max(capacity, std::int64_t{capacity_} * 3 / 2);
  if (capacity < count) capacity = count;
  if (capacity > largest_record) capacity = largest_record;
  void* grown = std::realloc(bytes_, static_cast<std::size_t>(capacity));
  if (grown == nullptr) return false;
  bytes_ = static_cast<char*>(grown);
  capacity_ = static_cast<std::int32_t>(capacity);
  return true;
}

bool CurrentRecord::fill_to_position() {
  if (position_ <= length_) return true;
  if (!reserve(position_)) return false;
  std::memset(bytes_ + length_, ' ', static_cast<std::size_t>(position_ - length_));
  length_ = position_;
  return true;
}

bool CurrentRecord::store(char c) {
  if (!fill_to_position() || !reserve(std::int64_t{position_} + 1)) return false;
  bytes_[position_++] = c;
  if (position_ > length_) length_ = position_;
  return true;
}

bool CurrentRecord::store(std::string_view chars) {
  if (!fill_to_position() ||
      !reserve(std::int64_t{position_} + static_cast<std::int64_t>(chars.size())))
    return false;
  if (!chars.empty()) std::memcpy(bytes_ + position_, chars.data(), chars.size());
  position_ += static_cast<std::int32_t>(chars.size());
  if (position_ > length_) length_ = position_;
  return true;
}

bool CurrentRecord::store_blanks(std::int32_t count) {
  if (count <= 0) return true;
  if (!fill_to_position() || !reserve(std::int64_t{position_} + count)) return false;
  std::memset(bytes_ + position_, ' ', static_cast<std::size_t>(count));
  position_ += count;
  if (position_ > length_) length_ = position_;
  return true;
}

char* CurrentRecord::take_columns(std::int32_t width) {
  if (!fill_to_position() || !reserve(std::int64_t{position_} + width)) return nullptr;
  char* const columns = bytes_ + position_;
  std::memset(columns, ' ', static_cast<std::size_t>(width));
  position_ += width;
  if (position_ > length_) length_ = position_;
  return columns;
}

bool CurrentRecord::append(std::string_view chars) {
  if (!reserve(std::int64_t{length_} + static_cast<std::int64_t>(chars.size()))) return false;
  if (!chars.empty()) std::memcpy(bytes_ + length_, chars.data(), chars.size());
  length_ += static_cast<std::int32_t>(chars.size());
  return true;
}

bool CurrentRecord::append_blanks(std::int32_t count) {
  if (count <= 0) return true;
  if (!reserve(std::int64_t{length_} + count)) return false;
  std::memset(bytes_ + length_, ' ', static_cast<std::size_t>(count));
  length_ += count;
  return true;
}

namespace {
// Constant-initialised at namespace scope: every field read and write asks
// for the record, and a local static would test its guard each time.
constinit CurrentRecord the_record;
}  // namespace

CurrentRecord& current_record() { return the_record; }

}  // namespace recordio
