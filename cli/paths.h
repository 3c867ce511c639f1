// paths.h - what the programs ask of the paths on their command lines.
#pragma once

#include <string>

namespace cli {

// True when both paths name one existing file (the same inode), however
// they are spelt: a link, "./", a directory given twice.
bool same_file(const std::string& a, const std::string& b);

// The last component of `path`, as a report names a file.
std::string base_name(const std::string& path);

}  // namespace cli
