// platform.h - the operating-system calls the layer needs, on POSIX.
//
// Each call that can fail returns a system error code in the numbering the
// failure report's text table uses (0 for success): errno values are mapped
// by system_error_code(). Nothing here decides outcomes; the callers hand
// every non-zero code to the condition rules.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace recordio::platform {

using Handle = int;
inline constexpr Handle no_handle = -1;
inline constexpr Handle standard_input = 0;
inline constexpr Handle standard_output = 1;
inline constexpr Handle standard_error = 2;

// System error codes the layer's file operations meet.
namespace error {
inline constexpr std::int32_t none = 0;
inline constexpr std::int32_t file_not_found = 2;
inline constexpr std::int32_t path_not_found = 3;
inline constexpr std::int32_t access_denied = 5;
inline constexpr std::int32_t sharing_violation = 32;
inline constexpr std::int32_t file_exists = 80;
inline constexpr std::int32_t disk_full = 112;
inline constexpr std::int32_t invalid_name = 123;
inline constexpr std::int32_t name_too_long = 206;
// errno values without a code of their own are passed on with this bit set,
// so that their text can still be the platform's own.
inline constexpr std::int32_t errno_flag = 0x20000000;
}  // namespace error

// The code for an errno value.
std::int32_t system_error_code(int errno_value);

enum class FileType { disk, character_device, other };

// True when `name` names something that can be opened for reading now.
bool can_open_for_reading(const char* name);

// Opens an existing file for reading and writing.
std::int32_t open_existing(const char* name, Handle& handle);

// Opens an existing file for reading only: nothing done through the handle
// can change the file.
std::int32_t open_read_only(const char* name, Handle& handle);

// Creates a file for reading and writing. When the name exists already
// nothing is opened and the result is error::file_exists, or
// error::access_denied for a symbolic link; unless `replace` is set: a plain
// file is then replaced, while a symbolic link is still never written
// through (error::access_denied).
std::int32_t create_file(const char* name, bool replace, Handle& handle);

// Reads up to `count` bytes at the file position; `got` 0 means end of file.
// Interrupted calls are retried.
std::int32_t read_bytes(Handle handle, char* buffer, std::size_t count, std::size_t& got);

// Writes all `count` bytes at the file position, continuing after partial
// writes and interruptions, or fails with the code of the call that refused.
std::int32_t write_bytes(Handle handle, const char* bytes, std::size_t count);

std::int32_t truncate_at(Handle handle, std::int64_t length);
std::int32_t file_size(Handle handle, std::uint64_t& size);
FileType file_type(Handle handle);
std::int32_t close_handle(Handle handle);
std::int32_t remove_file(const char* name);

// Copies the value of an environment variable into `buffer` (no terminator)
// and returns its full length, or -1 when the variable is not set. At most
// `capacity` bytes are copied.
std::int64_t environment_value(const char* name, char* buffer, std::size_t capacity);

// From now on a write to a pipe without a reader fails (EPIPE) instead of
// ending the process by a signal.
void ignore_broken_pipe();

// Ignores SIGXFSZ and SIGPIPE for the rest of the process. A write past the
// file-size limit, or to a pipe nobody reads, then fails with its error (which
// the failure report covers) instead of killing the process without a word.
void ignore_write_signals();

// Writes straight to the standard error stream, without buffering.
void write_standard_error(std::string_view text);

// Ends the process. Goes through the exit handler when one is installed
// (a test harness that must survive the run's end), else _exit.
[[noreturn]] void exit_process(int status);

using ExitHandler = void (*)(int status);  // must not return
void set_exit_handler(ExitHandler handler);

}  // namespace recordio::platform
