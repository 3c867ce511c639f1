// replacing_file.h - a file written whole or not at all.
//
// The bytes go to a temporary file in the target's own directory (so that
// the rename cannot cross file systems); only when every byte is written and
// the file closed without error is it renamed over the target. A reader of
// the target therefore sees the old file or the whole new one, never half
// of one, and a failure leaves the directory as it was.
#pragma once

#include <string>
#include <string_view>

namespace cli {

class ReplacingFile {
 public:
  ReplacingFile() = default;
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;
  ~ReplacingFile();  // an uncommitted temporary file is removed

  // Creates the temporary file for `target` (for the file it names, when it
  // is a symbolic link). False with `error()` set when
  // it cannot be created. Sets SIGXFSZ to be ignored for the process, so
  // that a file-size limit is a failed write rather than the end of it.
  bool open(const std::string& target);
  // Appends `bytes`; false (with `error()` set) once any write failed.
  bool write(std::string_view bytes);
  // Closes the temporary file and renames it over the target; on any
  // failure removes it and returns false with `error()` set.
  bool commit();

  // "cannot write 'TARGET': REASON", the reason as the system gives it.
  const std::string& error() const { return error_; }

 private:
  void fail(const char* reason);
  void discard();

  std::string target_;    // as the caller names it, for messages
  std::string replaced_;  // the file renamed over: the target, or the file its link names
  std::string temporary_;
  int fd_ = -1;
  std::string error_;
};

}  // namespace cli
