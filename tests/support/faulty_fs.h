// faulty_fs.h - a directory whose file system fails where real ones do.
//
// Network and FUSE file systems may report a lost write only when the file
// is closed, and some have no hard links (link() fails with EPERM). This
// mounts a small FUSE file system in this process that passes every call
// through to a backing directory, except for the faults asked for: the
// failure comes from the file system itself, as it would on such a mount.
#pragma once

#include <memory>
#include <string>

namespace testing_support {

struct Faults {
  // Every close() of this name (a bare name in the mount's top directory)
  // returns -1 with errno `close_error`; empty: no close fails.
  std::string failing_close_name;
  int close_error = 0;
  // Every link() fails with this errno; 0: links are made.
  int link_error = 0;
  // When set, a failing link() first creates the name it was asked to make,
  // holding these bytes: someone else took the name at that moment.
  std::string rival_at_link;
};

class FaultyMount {
 public:
  // Mounts at `mount_point` (an empty directory) a view of `backing`.
  FaultyMount(const std::string& backing, const std::string& mount_point, Faults faults);
  ~FaultyMount();  // unmounts
  FaultyMount(const FaultyMount&) = delete;
  FaultyMount& operator=(const FaultyMount&) = delete;

  // Empty when mounted; otherwise why the machine could not mount it.
  const std::string& failure() const;
  // How many closes of the failing name have been failed so far.
  int failed_closes() const;
  // How many links have been failed so far.
  int failed_links() const;

  struct State;

 private:
  std::unique_ptr<State> state_;
};

}  // namespace testing_support
