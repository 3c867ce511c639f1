// output_file.h - a file written whole or not at all.
#pragma once

#include <string>
#include <string_view>

namespace adjust {

// Writes `bytes` to a new temporary file beside `path` and renames it to
// `path` once every byte is on its way to the disk, so that `path` is
// either the old file or the complete new one, never a part. Returns false
// with "cannot write 'PATH': <the system's reason>" in `error`; the
// temporary file is then removed.
bool write_whole_file(const std::string& path, std::string_view bytes, std::string& error);

}  // namespace adjust
