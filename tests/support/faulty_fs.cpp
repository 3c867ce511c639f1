// faulty_fs.cpp - the FUSE file system of faulty_fs.h.
#include "tests/support/faulty_fs.h"

#define FUSE_USE_VERSION 35
#include <fcntl.h>
#include <fuse.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <thread>
#include <utility>

namespace testing_support {

struct FaultyMount::State {
  std::string backing;
  Faults faults;
  std::string failing_path;  // "/name", as FUSE names it
  std::atomic<int> failed{0};
  std::atomic<int> failed_links{0};
  std::string failure;
  fuse* session = nullptr;
  bool mounted = false;
  std::thread loop;
};

namespace {

FaultyMount::State& state() {
  return *static_cast<FaultyMount::State*>(fuse_get_context()->private_data);
}

std::string backing_path(const char* path) { return state().backing + path; }

int result_of(long value) { return value < 0 ? -errno : 0; }

int do_getattr(const char* path, struct stat* info, fuse_file_info* file) {
  if (file != nullptr) return result_of(fstat(static_cast<int>(file->fh), info));
  return result_of(lstat(backing_path(path).c_str(), info));
}

int do_open(const char* path, fuse_file_info* file) {
  const int fd = open(backing_path(path).c_str(), file->flags & ~O_NONBLOCK);
  if (fd < 0) return -errno;
  file->fh = static_cast<std::uint64_t>(fd);
  return 0;
}

int do_create(const char* path, mode_t mode, fuse_file_info* file) {
  const int fd = open(backing_path(path).c_str(), (file->flags & ~O_NONBLOCK) | O_CREAT, mode);
  if (fd < 0) return -errno;
  file->fh = static_cast<std::uint64_t>(fd);
  return 0;
}

int do_read(const char*, char* buffer, size_t size, off_t offset, fuse_file_info* file) {
  const ssize_t n = pread(static_cast<int>(file->fh), buffer, size, offset);
  return n < 0 ? -errno : static_cast<int>(n);
}

int do_write(const char*, const char* bytes, size_t size, off_t offset, fuse_file_info* file) {
  const ssize_t n = pwrite(static_cast<int>(file->fh), bytes, size, offset);
  return n < 0 ? -errno : static_cast<int>(n);
}

int do_truncate(const char* path, off_t length, fuse_file_info* file) {
  if (file != nullptr) return result_of(ftruncate(static_cast<int>(file->fh), length));
  return result_of(truncate(backing_path(path).c_str(), length));
}

int do_unlink(const char* path) { return result_of(unlink(backing_path(path).c_str())); }

// The flags carry RENAME_NOREPLACE, which the backing file system keeps.
int do_rename(const char* from, const char* to, unsigned int flags) {
  return result_of(
      renameat2(AT_FDCWD, backing_path(from).c_str(), AT_FDCWD, backing_path(to).c_str(), flags));
}

int do_link(const char* from, const char* to) {
  const Faults& faults = state().faults;
  if (faults.link_error == 0) {
    return result_of(link(backing_path(from).c_str(), backing_path(to).c_str()));
  }
  if (!faults.rival_at_link.empty()) {
    const int fd = open(backing_path(to).c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (fd >= 0) {
      const ssize_t n = write(fd, faults.rival_at_link.data(), faults.rival_at_link.size());
      close(fd);
      if (n < 0) return -EIO;
    }
  }
  ++state().failed_links;
  return -faults.link_error;
}

int do_chmod(const char* path, mode_t mode, fuse_file_info* file) {
  if (file != nullptr) return result_of(fchmod(static_cast<int>(file->fh), mode));
  return result_of(chmod(backing_path(path).c_str(), mode));
}

// Every close() of a descriptor sends one flush; its error is close()'s.
int do_flush(const char* path, fuse_file_info*) {
  if (state().faults.failing_close_name.empty() || state().failing_path != path) return 0;
  ++state().failed;
  return -state().faults.close_error;
}

int do_release(const char*, fuse_file_info* file) {
  close(static_cast<int>(file->fh));
  return 0;
}

const fuse_operations operations = [] {
  fuse_operations ops{};
  ops.getattr = do_getattr;
  ops.open = do_open;
  ops.create = do_create;
  ops.read = do_read;
  ops.write = do_write;
  ops.truncate = do_truncate;
  ops.unlink = do_unlink;
  ops.rename = do_rename;
  ops.link = do_link;
  ops.chmod = do_chmod;
  ops.flush = do_flush;
  ops.release = do_release;
  return ops;
}();

}  // namespace

FaultyMount::FaultyMount(const std::string& backing, const std::string& mount_point, Faults faults)
    : state_(std::make_unique<State>()) {
  state_->backing = backing;
  state_->failing_path = "/" + faults.failing_close_name;
  state_->faults = std::move(faults);
  if (access("/dev/fuse", R_OK | W_OK) != 0) {
    state_->failure = "/dev/fuse is not available";
    return;
  }
  char program[] = "faulty_fs";
  char* argv[] = {program, nullptr};
  fuse_args args = FUSE_ARGS_INIT(1, argv);
  state_->session = fuse_new(&args, &operations, sizeof operations, state_.get());
  fuse_opt_free_args(&args);
  if (state_->session == nullptr) {
    state_->failure = "the FUSE session could not be made";
    return;
  }
  if (fuse_mount(state_->session, mount_point.c_str()) != 0) {
    state_->failure = "mounting a FUSE file system is not permitted here";
    fuse_destroy(state_->session);
    state_->session = nullptr;
    return;
  }
  state_->mounted = true;
  state_->loop = std::thread([session = state_->session] { fuse_loop(session); });
}

FaultyMount::~FaultyMount() {
  if (!state_->mounted) return;
  fuse_exit(state_->session);
  fuse_unmount(state_->session);  // ends the loop's read of the device
  state_->loop.join();
  fuse_destroy(state_->session);
}

const std::string& FaultyMount::failure() const { return state_->failure; }

int FaultyMount::failed_closes() const { return state_->failed; }

int FaultyMount::failed_links() const { return state_->failed_links; }

}  // namespace testing_support
