// messages.cpp - message texts of the failure report.
//
// The layer's own conditions have fixed texts, looked up by code - 10000.
// Codes of facilities this program does not have keep an empty text.
#include "recordio/messages.h"

#include <array>
#include <cstring>
#include <utility>

#include "recordio/platform.h"

namespace recordio {

namespace {

struct CodeText {
  std::int32_t code;
  std::string_view text;
};

constexpr CodeText layer_texts[] = {
    {10000, "File not open for read"},
    {10001, "File not open for write"},
    {10004, "Buffer allocation failed"},
    {10005, "Bad iolist specifier"},
    {10013, "Attempt to read past end of file"},
    {10014, "Bad file specification"},
    {10015, "Format group table overflow"},
    {10016, "Illegal character in numeric input"},
    {10022, "Variable type or size does not match edit descriptor"},
    {10029, "Unconnected or illegal unit specified"},
    {10030, "Specifications in OPEN statement must match currently open file"},
    {10032, "Status 'NEW' specified for an existing file"},
    {10038, "Attempt to read past end of record"},
    {10060, "Attempt to write a record longer than specified record length"},
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
