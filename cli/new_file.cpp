// new_file.cpp - a complete file under a new name, or nothing.
#include "cli/new_file.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace cli {

namespace {

std::string reason(int error_number) { return std::strerror(error_number); }

bool write_all(int fd, std::string_view bytes, int& error_number) {
  while (!bytes.empty()) {
    // The write may take some or all of the bytes.
    const ssize_t written = ::write(fd, bytes.data(), bytes.size());
    if (written < 0) {
      if (errno == EINTR) continue;
      error_number = errno;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

// The name the finished file gets: a link, or a rename that refuses to
// replace. 0, or the errno of the failure (EEXIST when the name is taken).
int give_name(const std::string& temporary, const std::string& path) {
  if (::link(temporary.c_str(), path.c_str()) == 0) {
    ::unlink(temporary.c_str());
    return 0;
  }
  const int link_error = errno;
  if (link_error == EEXIST) return EEXIST;
  // File systems without hard links (some FUSE and network ones, FAT).
  if (link_error == EPERM || link_error == EOPNOTSUPP || link_error == ENOSYS ||
      link_error == EMLINK) {
    if (::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) == 0)
      return 0;
    if (errno != EINVAL && errno != ENOSYS) return errno;
  }
  return link_error;
}

}  // namespace

bool name_exists(const std::string& path) {
  struct stat existing {};
  return ::lstat(path.c_str(), &existing) == 0;
}

NewFile write_new_file(const std::string& path, std::string_view bytes, std::string& error) {
  struct stat existing {};
  if (::lstat(path.c_str(), &existing) == 0) return NewFile::exists;
  if (errno != ENOENT) {
    error = "cannot write '" + path + "': " + reason(errno);
    return NewFile::failed;
  }
  const std::size_t slash = path.rfind('/');
  const std::string directory = slash == std::string::npos ? "" : path.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  const std::string pattern = directory + "." + base + ".XXXXXX";
  std::vector<char> temporary(pattern.begin(), pattern.end());
  temporary.push_back('\0');
  const int fd = ::mkstemp(temporary.data());
  if (fd < 0) {
    error = "cannot write '" + path + "': " + reason(errno);
    return NewFile::failed;
  }
  const std::string temporary_path(temporary.data());
  // mkstemp makes the file private; the table is an ordinary input file.
  // A file system without modes refuses the change, which costs nothing.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  (void)::fchmod(fd, 0666 & ~mask);
  int error_number = 0;
  // Synced before it is named: the name never shows a file whose bytes a
  // crash could still lose.
  if (write_all(fd, bytes, error_number) && ::fsync(fd) != 0) error_number = errno;
  if (::close(fd) != 0 && error_number == 0) error_number = errno;
  if (error_number == 0) error_number = give_name(temporary_path, path);
  if (error_number == 0) return NewFile::written;
  ::unlink(temporary_path.c_str());
  if (error_number == EEXIST) return NewFile::exists;
  error = "cannot write '" + path + "': " + reason(error_number);
  return NewFile::failed;
}

}  // namespace cli
