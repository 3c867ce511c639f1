// output_file.h - the one owner of every file a program writes, seen whole
// or not at all.
//
// The bytes go to a hidden temporary file (".NAME.XXXXXX") in the target's
// own directory, so that naming it cannot cross file systems; only when
// every byte is written, synced and the file closed without error does it
// get the target's name. A reader of the target therefore sees the old
// file (or none) or the whole new one, and a failure leaves the directory
// as it was. Two modes:
//
//   new_only  the target must not exist; the finished file is linked to
//             the name, and a link never replaces a name taken meanwhile by
//             someone else (where the file system has no links, a rename
//             that refuses to replace does the same).
//   replace   the finished file is renamed over the target; a symbolic link
//             is written through, as an editor saving a file does: the file
//             it names is replaced, the link stays.
//
// Every message quotes the name (cli/quoting.h) and gives the system's own
// reason: "cannot write 'p.png': No space left on device".
#pragma once

#include <string>
#include <string_view>

namespace cli {

enum class OutputMode { new_only, replace };

class OutputFile {
 public:
  OutputFile(std::string target, OutputMode mode);
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  ~OutputFile();  // an uncommitted temporary file is removed

  // Creates the temporary file. False with `error()` set when it cannot be
  // made, or (new_only) when the target's name is taken: `name_taken()`.
  // Sets SIGXFSZ to be ignored for the process, so that a file-size limit
  // is a failed write rather than the end of the program.
  bool open();
  // Appends `bytes`; false (with `error()` set) once any write failed.
  bool write(std::string_view bytes);
  // Syncs, closes and names the file; on any failure removes the temporary
  // file and returns false with `error()` set.
  bool commit();

  // "cannot write 'TARGET': REASON", or empty.
  const std::string& error() const { return error_; }
  // new_only: the target exists (before or at the moment of naming); the
  // error then reads "'TARGET' exists", and nothing was changed.
  bool name_taken() const { return name_taken_; }

 private:
  void fail(int error_number);
  void fail(const std::string& reason);
  void discard();

  std::string target_;  // as the caller names it, for messages
  OutputMode mode_;
  std::string named_;  // the file that gets the bytes: the target, or the file its link names
  std::string temporary_;
  int fd_ = -1;
  bool name_taken_ = false;
  std::string error_;
};

// Writes `bytes` to `path` whole through an OutputFile. False with the
// one-line reason in `error` (and `name_taken` set for an existing name in
// new_only mode).
bool write_whole_file(const std::string& path, OutputMode mode, std::string_view bytes,
                      std::string& error, bool* name_taken = nullptr);

// True when `path` names anything, a dangling symbolic link too: the quick
// refusal of a new_only target before the work of making its bytes.
bool name_exists(const std::string& path);

}  // namespace cli
