// bounded_file.cpp - open without blocking, refuse what is no regular file,
// stop at the limit.
#include "cli/bounded_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace cli {

namespace {

std::string too_large(std::size_t limit) {
  const std::size_t mib = std::size_t{1} << 20;
  return "larger than " + std::to_string((limit + mib - 1) / mib) + " MiB";
}

// The reason a file of this kind is no input, or null.
const char* kind_refusal(const struct stat& info, InputKinds kinds) {
  if (S_ISREG(info.st_mode)) return nullptr;
  if (kinds == InputKinds::devices_too && S_ISCHR(info.st_mode)) return nullptr;
  return S_ISDIR(info.st_mode) ? std::strerror(EISDIR) : "not a regular file";
}

// O_NONBLOCK: opening a FIFO for reading must not wait for a writer.
int open_input(const std::string& path) {
  return ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
}

}  // namespace

std::string input_refusal(const std::string& path, InputKinds kinds) {
  const int fd = open_input(path);
  if (fd < 0) return std::strerror(errno);
  struct stat info {};
  std::string reason;
  if (::fstat(fd, &info) != 0) {
    reason = std::strerror(errno);
  } else if (const char* why = kind_refusal(info, kinds); why != nullptr) {
    reason = why;
  }
  ::close(fd);
  return reason;
}

bool read_bounded_file(const std::string& path, std::size_t limit, std::string& bytes,
                       std::string& reason) {
  bytes.clear();
  const int fd = open_input(path);
  if (fd < 0) {
    reason = std::strerror(errno);
    return false;
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0) {
    reason = std::strerror(errno);
    ::close(fd);
    return false;
  }
  if (const char* why = kind_refusal(info, InputKinds::regular_files); why != nullptr) {
    reason = why;
    ::close(fd);
    return false;
  }
  if (static_cast<std::uint64_t>(info.st_size) > limit) {
    reason = too_large(limit);
    ::close(fd);
    return false;
  }
  bytes.reserve(static_cast<std::size_t>(info.st_size));
  // The file may grow while it is read: one byte past the limit is enough
  // to refuse it.
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      reason = std::strerror(errno);
      ::close(fd);
      return false;
    }
    if (got == 0) break;
    if (bytes.size() + static_cast<std::size_t>(got) > limit) {
      reason = too_large(limit);
      ::close(fd);
      return false;
    }
    bytes.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(fd);
  return true;
}

}  // namespace cli
