// platform.cpp - the POSIX calls behind the layer's file operations.
//
// The layer was laid out for a platform whose file calls report numbered
// system errors with fixed texts; errno values are mapped onto those codes
// here, so that the failure report reads the same on every platform.
#include "recordio/platform.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace recordio::platform {

namespace {
ExitHandler exit_handler = nullptr;

std::int32_t last_error() { return system_error_code(errno); }
}  // namespace

std::int32_t system_error_code(int errno_value) {
  switch (errno_value) {
    case 0:
      return error::none;
    case ENOENT:
      return error::file_not_found;
    case ENOTDIR:
      return error::path_not_found;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
    case ELOOP:
    case ENXIO:
      return error::access_denied;
    case ETXTBSY:
    case EBUSY:
      return error::sharing_violation;
    case EEXIST:
      return error::file_exists;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return error::disk_full;
    case ENAMETOOLONG:
      return error::name_too_long;
    case EINVAL:
    case EILSEQ:
      return error::invalid_name;
    default:
      return error::errno_flag | errno_value;
  }
}

bool can_open_for_reading(const char* name) {
  // O_NONBLOCK: testing a FIFO for existence must not wait for a writer.
  const int fd = ::open(name, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return false;
  ::close(fd);
  return true;
}

namespace {

// Opens with O_NONBLOCK so that a FIFO never blocks the open, then refuses
// anything that is neither a regular file nor a character device: a FIFO
// opened for reading and writing is its own writer and would never reach
// end of file, and a socket or directory holds no lines.
std::int32_t finish_open(int fd, Handle& handle) {
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    const std::int32_t code = last_error();
    ::close(fd);
    return code;
  }
  if (!S_ISREG(info.st_mode) && !S_ISCHR(info.st_mode)) {
    ::close(fd);
    return error::access_denied;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  handle = fd;
  return error::none;
}

}  // namespace

std::int32_t open_existing(const char* name, Handle& handle) {
  const int fd = ::open(name, O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return last_error();
  return finish_open(fd, handle);
}

std::int32_t open_read_only(const char* name, Handle& handle) {
  const int fd = ::open(name, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return last_error();
  return finish_open(fd, handle);
}

std::int32_t create_file(const char* name, bool replace, Handle& handle) {
  int fd = ::open(name, O_RDWR | O_CREAT | O_EXCL | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
  if (fd < 0 && errno == EEXIST && replace) {
    // Something took the name since the existence test. A plain file is
    // replaced; O_NOFOLLOW keeps a symbolic link (dangling or not) from
    // sending the output to wherever it points.
    fd = ::open(name, O_RDWR | O_CREAT | O_TRUNC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC,
                0666);
  } else if (fd < 0 && errno == EEXIST) {
    // A link that leads nowhere passes the existence test as absent; it is
    // refused as a link that will not be followed, as when replacing.
    struct stat info {};
    const bool link = ::lstat(name, &info) == 0 && S_ISLNK(info.st_mode);
    return link ? error::access_denied : error::file_exists;
  }
  if (fd < 0) return last_error();
  return finish_open(fd, handle);
}

std::int32_t read_bytes(Handle handle, char* buffer, std::size_t count, std::size_t& got) {
  got = 0;
  for (;;) {
    const ssize_t n = ::read(handle, buffer, count);
    if (n >= 0) {
      got = static_cast<std::size_t>(n);
      return error::none;
    }
    if (errno != EINTR) return last_error();
  }
}

std::int32_t write_bytes(Handle handle, const char* bytes, std::size_t count) {
  // write() may take only part of the bytes; the rest follows until all are
  // in the file or a call refuses. Bytes already taken are never sent again.
  while (count > 0) {
    const ssize_t n = ::write(handle, bytes, count);
    if (n < 0) {
      if (errno == EINTR) continue;
      return last_error();
    }
    if (n == 0) return error::disk_full;
    bytes += n;
    count -= static_cast<std::size_t>(n);
  }
  return error::none;
}

std::int32_t truncate_at(Handle handle, std::int64_t length) {
  while (::ftruncate(handle, static_cast<off_t>(length)) != 0) {
    if (errno != EINTR) return last_error();
  }
  return error::none;
}

std::int32_t file_size(Handle handle, std::uint64_t& size) {
  struct stat info {};
  if (::fstat(handle, &info) != 0) return last_error();
  size = static_cast<std::uint64_t>(info.st_size);
  return error::none;
}

FileType file_type(Handle handle) {
  struct stat info {};
  if (::fstat(handle, &info) != 0) return FileType::other;
  if (S_ISREG(info.st_mode)) return FileType::disk;
  if (S_ISCHR(info.st_mode)) return FileType::character_device;
  return FileType::other;
}

std::int32_t close_handle(Handle handle) {
  // A close interrupted by a signal has still released the descriptor on
  // Linux; retrying could close a descriptor opened meanwhile.
  if (::close(handle) != 0 && errno != EINTR) return last_error();
  return error::none;
}

std::int32_t remove_file(const char* name) {
  if (::unlink(name) != 0) return last_error();
  return error::none;
}

std::int64_t environment_value(const char* name, char* buffer, std::size_t capacity) {
  const char* value = std::getenv(name);
  if (value == nullptr) return -1;
  const std::size_t length = std::strlen(value);
  std::memcpy(buffer, value, length < capacity ? length : capacity);
  return static_cast<std::int64_t>(length);
}

void ignore_broken_pipe() { ::signal(SIGPIPE, SIG_IGN); }

void ignore_write_signals() {
  ::signal(SIGXFSZ, SIG_IGN);
  ignore_broken_pipe();
}

void write_standard_error(std::string_view text) {
  const char* bytes = text.data();
  std::size_t count = text.size();
  while (count > 0) {
    const ssize_t n = ::write(STDERR_FILENO, bytes, count);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;  // nowhere left to report to
    bytes += n;
    count -= static_cast<std::size_t>(n);
  }
}

void exit_process(int status) {
  if (exit_handler != nullptr) exit_handler(status);
  ::_exit(status);
}

void set_exit_handler(ExitHandler handler) { exit_handler = handler; }

}  // namespace recordio::platform
