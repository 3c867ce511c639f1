// failing_close_fs.cpp - the FUSE file system of failing_close_fs.h.
#include "tests/support/failing_close_fs.h"

#define FUSE_USE_VERSION 35
#include <fcntl.h>
#include <fuse.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <thread>

namespace testing_support {

struct FailingCloseMount::State {
  std::string backing;
  std::string failing_path;  // "/name", as FUSE names it
  int error = 0;
  std::atomic<int> failed{0};
  std::string failure;
  fuse* session = nullptr;
  bool mounted = false;
  std::thread loop;
};

namespace {

FailingCloseMount::State& state() {
  return *static_cast<FailingCloseMount::State*>(fuse_get_context()->private_data);
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

// Every close() of a descriptor sends one flush; its error is close()'s.
int do_flush(const char* path, fuse_file_info*) {
  if (state().failing_path != path) return 0;
  ++state().failed;
  return -state().error;
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
  ops.flush = do_flush;
  ops.release = do_release;
  return ops;
}();

}  // namespace

FailingCloseMount::FailingCloseMount(const std::string& backing, const std::string& mount_point,
                                     const std::string& failing_name, int error)
    : state_(std::make_unique<State>()) {
  state_->backing = backing;
  state_->failing_path = "/" + failing_name;
  state_->error = error;
  if (access("/dev/fuse", R_OK | W_OK) != 0) {
    state_->failure = "/dev/fuse is not available";
    return;
  }
  char program[] = "failing_close_fs";
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

FailingCloseMount::~FailingCloseMount() {
  if (!state_->mounted) return;
  fuse_exit(state_->session);
  fuse_unmount(state_->session);  // ends the loop's read of the device
  state_->loop.join();
  fuse_destroy(state_->session);
}

const std::string& FailingCloseMount::failure() const { return state_->failure; }

int FailingCloseMount::failed_closes() const { return state_->failed; }

}  // namespace testing_support
