// output_file.cpp - a temporary name, every byte written, fsync, rename.
#include "adjust/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace adjust {

namespace {

bool fail(const std::string& path, int error_number, std::string& error) {
  error = "cannot write '" + path + "': " + std::strerror(error_number);
  return false;
}

}  // namespace

bool write_whole_file(const std::string& path, std::string_view bytes, std::string& error) {
  std::string pattern = path + ".XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  const int descriptor = ::mkstemp(name.data());
  if (descriptor < 0) return fail(path, errno, error);
  const std::string temporary(name.data());
  // mkstemp makes the file private; the result should read like any other
  // file the user creates.
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(descriptor, 0666 & ~mask);

  const auto give_up = [&](int error_number) {
    ::close(descriptor);
    ::unlink(temporary.c_str());
    return fail(path, error_number, error);
  };
  // The write may take some of the bytes only, or be interrupted.
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t wrote = ::write(descriptor, bytes.data() + done, bytes.size() - done);
    if (wrote < 0) {
      if (errno == EINTR) continue;
      return give_up(errno);
    }
    done += static_cast<std::size_t>(wrote);
  }
  if (::fsync(descriptor) != 0 && errno != EINVAL) return give_up(errno);
  if (::close(descriptor) != 0) {
    const int error_number = errno;
    ::unlink(temporary.c_str());
    return fail(path, error_number, error);
  }
  if (::rename(temporary.c_str(), path.c_str()) != 0) {
    const int error_number = errno;
    ::unlink(temporary.c_str());
    return fail(path, error_number, error);
  }
  return true;
}

}  // namespace adjust
