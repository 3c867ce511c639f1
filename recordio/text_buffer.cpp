// text_buffer.cpp - growth of the character buffer, refused rather than thrown.
#include "recordio/text_buffer.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace recordio {

TextBuffer::~TextBuffer() { std::free(data_); }

// No object may be larger than the largest pointer difference; a count
// beyond it is refused before it reaches an allocation or a copy.
constexpr std::size_t largest_object =
    static_cast<std::size_t>(std::numeric_limits<std::ptrdiff_t>::max());

bool TextBuffer::reserve(std::size_t count) {
  if (count <= capacity_) return true;
  if (count > largest_object) return false;
  constexpr std::size_t first_capacity = 256;
  std::size_t capacity = std::max(first_capacity, capacity_);
  // Doubling keeps a value of n characters at O(n) copying in all.
  while (capacity < count) {
    if (capacity > largest_object / 2) {
      capacity = count;
      break;
    }
    capacity *= 2;
  }
  void* grown = std::realloc(data_, capacity);
  if (grown == nullptr) return false;
  data_ = static_cast<char*>(grown);
  capacity_ = capacity;
  return true;
}

bool TextBuffer::append(char c) {
  if (size_ == capacity_ && !reserve(size_ + 1)) return false;
  data_[size_++] = c;
  return true;
}

bool TextBuffer::append(std::string_view chars) {
  if (chars.empty()) return true;
  if (chars.size() > largest_object || chars.size() > largest_object - size_) return false;
  if (!reserve(size_ + chars.size())) return false;
  // memmove: the characters may come from this buffer itself.
  std::memmove(data_ + size_, chars.data(), chars.size());
  size_ += chars.size();
  return true;
}

bool TextBuffer::append_repeated(char c, std::size_t count) {
  if (count == 0) return true;
  if (count > largest_object || count > largest_object - size_) return false;
  if (!reserve(size_ + count)) return false;
  std::memset(data_ + size_, c, count);
  size_ += count;
  return true;
}

}  // namespace recordio
