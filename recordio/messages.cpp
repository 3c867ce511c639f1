// messages.cpp - message texts of the failure report.
//
// The layer's own conditions have fixed texts, looked up by their code.
// Codes of facilities this program does not have keep an empty text.
#include "recordio/messages.h"

#include <array>
#include <cstring>
#include <utility>

#include "recordio/conditions.h"
#include "recordio/platform.h"

namespace recordio {

namespace {

struct CodeText {
  std::int32_t code;
  std::string_view text;
};

constexpr CodeText layer_texts[] = {
    {code::not_open_for_read, "File not open for read"},
    {code::not_open_for_write, "File not open for write"},
    {code::buffer_allocation_failed, "Buffer allocation failed"},
    {code::bad_iolist_specifier, "Bad iolist specifier"},
    {code::read_past_end_of_file, "Attempt to read past end of file"},
    {code::empty_file_name, "Bad file specification"},
    {code::format_group_overflow, "Format group table overflow"},
    {code::illegal_numeric_character, "Illegal character in numeric input"},
    {code::type_does_not_match_descriptor, "Variable type or size does not match edit descriptor"},
    {code::illegal_unit, "Unconnected or illegal unit specified"},
    {code::open_does_not_match, "Specifications in OPEN statement must match currently open file"},
    {code::new_file_exists, "Status 'NEW' specified for an existing file"},
    {code::read_past_end_of_record, "Attempt to read past end of record"},
    {code::record_too_long, "Attempt to write a record longer than specified record length"},
};

constexpr CodeText system_texts[] = {
    {platform::error::file_not_found, "The system cannot find the file specified."},
    {platform::error::path_not_found, "The system cannot find the path specified."},
    {platform::error::access_denied, "Access Denied."},
    {platform::error::sharing_violation,
     "The process cannot access the file because it is being used by another process."},
    {platform::error::file_exists, "The file exists."},
    {platform::error::disk_full, "There is not enough space on the disk."},
    {platform::error::invalid_name,
     "The file name, directory name, or volume label is not syntactically correct."},
    {platform::error::name_too_long, "The file name or extension is too long."},
};

}  // namespace

std::string_view layer_message(std::int32_t code) {
  for (const auto& entry : layer_texts) {
    if (entry.code == code) return entry.text;
  }
  return {};
}

std::string system_error_text(std::int32_t code) {
  for (const auto& entry : system_texts) {
    if (entry.code == code) return std::string(entry.text);
  }
  if ((code & platform::error::errno_flag) != 0) {
    const int errno_value = code & ~platform::error::errno_flag;
    std::string text = std::strerror(errno_value);
    text += '.';
    return text;
  }
  return {};
}

}  // namespace recordio
