// bounded_file.h - a whole input file read into memory, within a size that
// a sane file of its kind never reaches.
//
// A FIFO, a terminal or /dev/zero named where a data file belongs must not
// block the program or fill its memory: the file is opened without waiting
// for a writer, must be a regular file, and is refused when it holds (or
// goes on to hold) more than the limit.
#pragma once

#include <cstddef>
#include <string>

namespace cli {

// Reads `path` into `bytes`. On failure returns false with the reason in
// `reason`, without the name: the system's text ("No such file or
// directory"), "not a regular file", or "larger than N MiB" for a file of
// more than `limit` bytes (N is `limit` in MiB, rounded up).
bool read_bounded_file(const std::string& path, std::size_t limit, std::string& bytes,
                       std::string& reason);

// What an input file may be besides a regular file.
enum class InputKinds { regular_files, devices_too };

// The guard every input passes before it is read: the reason `path` cannot
// be read as an input, without the name, or an empty string. The system's
// text when it cannot be opened ("No such file or directory", "Permission
// denied"), "Is a directory", else "not a regular file" for a FIFO, a
// socket or (unless `kinds` allows them, as the converter reads them) a
// device. Never blocks: a FIFO is opened without waiting for a writer.
std::string input_refusal(const std::string& path, InputKinds kinds = InputKinds::regular_files);

}  // namespace cli
