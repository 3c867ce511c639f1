// failing_close_fs.h - a directory whose files report an error at close().
//
// Network and FUSE file systems may report a lost write only when the file
// is closed. This mounts a small FUSE file system in this process that
// passes every call through to a backing directory, except that the flush
// which each close() of one chosen file name sends fails with a chosen
// error: the close is real and its error comes from the file system.
#pragma once

#include <memory>
#include <string>

namespace testing_support {

class FailingCloseMount {
 public:
  // Mounts at `mount_point` (an empty directory) a view of `backing`. Every
  // close of `failing_name` there returns -1 with errno `error`.
  FailingCloseMount(const std::string& backing, const std::string& mount_point,
                    const std::string& failing_name, int error);
  ~FailingCloseMount();  // unmounts
  FailingCloseMount(const FailingCloseMount&) = delete;
  FailingCloseMount& operator=(const FailingCloseMount&) = delete;

  // Empty when mounted; otherwise why the machine could not mount it.
  const std::string& failure() const;
  // How many closes of the failing name have been failed so far.
  int failed_closes() const;

  struct State;

 private:
  std::unique_ptr<State> state_;
};

}  // namespace testing_support
