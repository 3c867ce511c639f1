// text_buffer.h - a growable character buffer that never throws.
#pragma once

#include <cstddef>
#include <string_view>

namespace recordio {

// A growable character buffer that keeps its allocation between uses, so
// that editing a field costs no allocation once the buffer is large enough.
// Growing never throws: a failed allocation returns false and leaves the
// contents unchanged.
class TextBuffer {
 public:
  TextBuffer() = default;
  TextBuffer(const TextBuffer&) = delete;
  TextBuffer& operator=(const TextBuffer&) = delete;
  ~TextBuffer();

  std::string_view view() const { return {data_, size_}; }
  std::size_t size() const { return size_; }
  void clear() { size_ = 0; }

  bool reserve(std::size_t count);
  bool append(char c);
  bool append(std::string_view chars);
  bool append_repeated(char c, std::size_t count);

 private:
  char* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

}  // namespace recordio
