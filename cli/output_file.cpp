// output_file.cpp - temporary file, full writes, sync, then a name.
#include "cli/output_file.h"

#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "cli/quoting.h"

namespace cli {

namespace {

// The permissions a new file would get from open(..., 0666): mkstemp makes
// its file private, which a table or a picture meant to be shared should
// not be.
mode_t usual_mode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return static_cast<mode_t>(0666) & ~mask;
}

// The new_only naming: a link, or a rename that refuses to replace. 0, or
// the errno of the failure (EEXIST when the name is taken).
int link_new_name(const std::string& temporary, const std::string& path) {
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

OutputFile::OutputFile(std::string target, OutputMode mode)
    : target_(std::move(target)), mode_(mode), named_(target_) {}

OutputFile::~OutputFile() { discard(); }

void OutputFile::fail(const std::string& reason) {
  if (error_.empty()) error_ = "cannot write " + quoted_name(target_) + ": " + reason;
}

void OutputFile::fail(int error_number) {
  if (mode_ == OutputMode::new_only && error_number == EEXIST) {
    name_taken_ = true;
    if (error_.empty()) error_ = quoted_name(target_) + " exists";
    return;
  }
  fail(std::string(std::strerror(error_number)));
}

void OutputFile::discard() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  if (!temporary_.empty()) ::unlink(temporary_.c_str());
  temporary_.clear();
}

bool OutputFile::open() {
  discard();
  error_.clear();
  name_taken_ = false;
  // Past a file-size limit a write raises SIGXFSZ, whose default action ends
  // the process with the temporary file left behind; ignored, the write
  // fails with EFBIG and is cleaned up like any other failure.
  ::signal(SIGXFSZ, SIG_IGN);
  named_ = target_;
  struct stat status {};
  const bool exists = ::lstat(target_.c_str(), &status) == 0;
  if (mode_ == OutputMode::new_only) {
    if (exists) {
      fail(EEXIST);
      return false;
    }
    if (errno != ENOENT) {
      fail(errno);
      return false;
    }
  } else if (exists && S_ISLNK(status.st_mode)) {
    if (char* real = ::realpath(target_.c_str(), nullptr); real != nullptr) {
      named_ = real;
      std::free(real);
    }
  }
  const std::size_t slash = named_.rfind('/');
  const std::string directory =
      slash == std::string::npos ? std::string() : named_.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? named_ : named_.substr(slash + 1);
  // A hidden name, so that a listing of the directory does not show a file
  // that is not there yet.
  const std::string pattern = directory + "." + name + ".XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  fd_ = ::mkstemp(buffer.data());
  if (fd_ < 0) {
    fail(errno);
    return false;
  }
  temporary_ = buffer.data();
  // A file system without modes refuses the change, which costs nothing.
  (void)::fchmod(fd_, usual_mode());
  return true;
}

bool OutputFile::write(std::string_view bytes) {
  if (fd_ < 0) return false;
  while (!bytes.empty()) {
    // The write may take some or all of the bytes; go on with the rest.
    const ssize_t written = ::write(fd_, bytes.data(), bytes.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      if (written < 0) {
        fail(errno);
      } else {
        fail(std::string("nothing written"));
      }
      discard();
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
  }
  return true;
}

bool OutputFile::commit() {
  if (fd_ < 0) {
    if (error_.empty()) fail(std::string("not open"));
    return false;
  }
  const int fd = std::exchange(fd_, -1);
  // Synced before it is named: the name never shows a file whose bytes a
  // crash could still lose. A full disk on a network file system shows only
  // at the close.
  int error_number = ::fsync(fd) == 0 || errno == EINVAL ? 0 : errno;
  if (::close(fd) != 0 && error_number == 0) error_number = errno;
  if (error_number == 0) {
    if (mode_ == OutputMode::new_only) {
      error_number = link_new_name(temporary_, named_);
    } else if (::rename(temporary_.c_str(), named_.c_str()) != 0) {
      error_number = errno;
    }
  }
  if (error_number != 0) {
    fail(error_number);
    discard();
    return false;
  }
  temporary_.clear();
  return true;
}

bool write_whole_file(const std::string& path, OutputMode mode, std::string_view bytes,
                      std::string& error, bool* name_taken) {
  OutputFile file(path, mode);
  const bool written = file.open() && file.write(bytes) && file.commit();
  if (!written) error = file.error();
  if (name_taken != nullptr) *name_taken = file.name_taken();
  return written;
}

}  // namespace cli
