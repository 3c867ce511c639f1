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

}  // namespace cli
