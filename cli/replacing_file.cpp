// replacing_file.cpp - temporary file, full writes, rename.
#include "cli/replacing_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace cli {

namespace {

// The permissions a new file would get from open(..., 0666): mkstemp makes
// its file private, which a picture meant to be shared should not be.
mode_t usual_mode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return static_cast<mode_t>(0666) & ~mask;
}

}  // namespace

ReplacingFile::~ReplacingFile() { discard(); }

void ReplacingFile::fail(const char* reason) {
  if (error_.empty()) error_ = "cannot write '" + target_ + "': " + reason;
}

void ReplacingFile::discard() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temporary_.empty()) ::unlink(temporary_.c_str());
  temporary_.clear();
}

bool ReplacingFile::open(const std::string& target) {
  discard();
  target_ = target;
  error_.clear();
  // Past a file-size limit a write raises SIGXFSZ, whose default action ends
  // the process with the temporary file left behind; ignored, the write
  // fails with EFBIG and is cleaned up like any other failure.
  ::signal(SIGXFSZ, SIG_IGN);
  // A symbolic link is written through, as an editor saving a file does:
  // the file it names is replaced, the link stays.
  replaced_ = target;
  struct stat status {};
  if (::lstat(target.c_str(), &status) == 0 && S_ISLNK(status.st_mode)) {
    if (char* real = ::realpath(target.c_str(), nullptr); real != nullptr) {
      replaced_ = real;
      std::free(real);
    }
  }
  const std::size_t slash = replaced_.rfind('/');
  const std::string directory =
      slash == std::string::npos ? std::string() : replaced_.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? replaced_ : replaced_.substr(slash + 1);
  // A hidden name, so that a listing of the directory does not show a
  // picture that is not there yet.
  std::string pattern = directory + "." + name + ".XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  fd_ = ::mkstemp(buffer.data());
  if (fd_ < 0) {
    fail(std::strerror(errno));
    return false;
  }
  temporary_ = buffer.data();
  if (::fchmod(fd_, usual_mode()) != 0) {
    fail(std::strerror(errno));
    discard();
    return false;
  }
  return true;
}

bool ReplacingFile::write(std::string_view bytes) {
  if (fd_ < 0) return false;
  while (!bytes.empty()) {
    // The write may take some or all of the bytes; go on with the rest.
    const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      fail(written < 0 ? std::strerror(errno) : "nothing written");
      discard();
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

bool ReplacingFile::commit() {
  if (fd_ < 0) {
    fail("not open");
    return false;
  }
  const int fd = fd_;
  fd_ = -1;
  // A full disk on a network file system shows only at the close.
  if (::close(fd) != 0) {
    fail(std::strerror(errno));
    discard();
    return false;
  }
  if (::rename(temporary_.c_str(), replaced_.c_str()) != 0) {
    fail(std::strerror(errno));
    discard();
    return false;
  }
  temporary_.clear();
  return true;
}

}  // namespace cli
