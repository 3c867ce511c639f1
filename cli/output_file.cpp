// output_file.cpp - temporary file, full writes, sync, then a name.
#include "cli/output_file.h"

#include <fcntl.h>
#include <limits.h>
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
#include "cli/standard_output.h"

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

// The temporary files that exist now, in a fixed table that a signal
// handler may read: a name is copied in before its slot is marked used, and
// the slot is freed only after the file was named or removed (removing a
// name that no longer exists costs nothing).
constexpr int temporary_slots = 16;
char temporary_names[temporary_slots][PATH_MAX];
volatile sig_atomic_t temporary_used[temporary_slots];

// Only unlink, which may be called from a signal handler; then the signal's
// own action, which the handler was reset to on entry.
extern "C" void remove_temporaries(int signal_number) {
  for (int i = 0; i < temporary_slots; ++i) {
    if (temporary_used[i] != 0) ::unlink(temporary_names[i]);
  }
  ::raise(signal_number);
}

// Asked at every temporary file: a signal whose action is still the
// default one gets the handler (once it ran, the action is the default
// again); one ignored by whoever started us (nohup) stays ignored, one
// with a handler of its own keeps it.
void remove_temporaries_on_signals() {
  for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction previous {};
    if (::sigaction(signal_number, nullptr, &previous) != 0 || previous.sa_handler != SIG_DFL)
      continue;
    struct sigaction action {};
    action.sa_handler = remove_temporaries;
    ::sigemptyset(&action.sa_mask);
    for (const int other : {SIGINT, SIGTERM, SIGHUP}) ::sigaddset(&action.sa_mask, other);
    action.sa_flags = static_cast<int>(SA_RESETHAND);
    ::sigaction(signal_number, &action, nullptr);
  }
}

// A slot for `name`, or -1 when the table is full or the name too long (the
// file is then only removed by the program itself).
int remember_temporary(const std::string& name) {
  if (name.size() >= PATH_MAX) return -1;
  for (int i = 0; i < temporary_slots; ++i) {
    if (temporary_used[i] != 0) continue;
    std::memcpy(temporary_names[i], name.c_str(), name.size() + 1);
    temporary_used[i] = 1;
    return i;
  }
  return -1;
}

void forget_temporary(int& slot) {
  if (slot >= 0) temporary_used[slot] = 0;
  slot = -1;
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
  forget_temporary(slot_);
  finished_ = false;
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
  // What the replaced file was: a device or a FIFO is not ours to replace
  // (as root, /dev/null would become a plain file), and a regular file's
  // permissions and owner are the user's choice, kept.
  struct stat old {};
  const bool replacing = mode_ == OutputMode::replace && ::stat(named_.c_str(), &old) == 0;
  if (replacing && !S_ISREG(old.st_mode)) {
    fail(std::string("not a regular file"));
    return false;
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
  remove_temporaries_on_signals();
  slot_ = remember_temporary(temporary_);
  // A file system without modes or owners refuses the change, which costs
  // nothing. The owner first: a change of owner clears set-id bits.
  if (replacing) {
    if (::fchown(fd_, old.st_uid, old.st_gid) != 0)
      (void)::fchown(fd_, static_cast<uid_t>(-1), old.st_gid);
    (void)::fchmod(fd_, old.st_mode & 07777);
  } else {
    (void)::fchmod(fd_, usual_mode());
  }
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

bool OutputFile::commit() { return finish() && place(); }

bool OutputFile::finish() {
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
  if (error_number != 0) {
    fail(error_number);
    discard();
    return false;
  }
  finished_ = true;
  return true;
}

bool OutputFile::place() {
  if (!finished_) {
    if (error_.empty()) fail(std::string("not finished"));
    discard();
    return false;
  }
  int error_number = 0;
  if (mode_ == OutputMode::new_only) {
    error_number = link_new_name(temporary_, named_);
  } else if (::rename(temporary_.c_str(), named_.c_str()) != 0) {
    error_number = errno;
  }
  if (error_number != 0) {
    fail(error_number);
    discard();
    return false;
  }
  temporary_.clear();
  forget_temporary(slot_);
  finished_ = false;
  return true;
}

OutputFile& OutputSet::add(std::string target, OutputMode mode) {
  files_.push_back(std::make_unique<OutputFile>(std::move(target), mode));
  return *files_.back();
}

bool OutputSet::write_whole(const std::string& path, OutputMode mode, std::string_view bytes,
                            std::string& error) {
  OutputFile& file = add(path, mode);
  if (file.open() && file.write(bytes) && file.finish()) return true;
  error = file.error();
  return false;
}

std::string OutputSet::place_all() {
  // Standard output is part of the run: a report lost to a full disk
  // leaves the files as they were.
  if (std::string lost = flush_standard_output(); !lost.empty()) {
    files_.clear();
    return lost;
  }
  std::string error;
  for (const std::unique_ptr<OutputFile>& file : files_) {
    if (error.empty() && !file->place()) error = file->error();
  }
  // Members not placed remove their temporary files as they go.
  files_.clear();
  return error;
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
