// new_file.h - writing a file that must not exist yet, so that it is never
// seen half written and never replaces one that does.
//
// The bytes go to a temporary file beside the target (".NAME.XXXXXX"), which
// is linked to the target's name only when it is complete, and removed. A
// link never replaces a name that exists, so a file made meanwhile by
// someone else is kept; where the file system has no links, a rename that
// refuses to replace does the same.
#pragma once

#include <string>
#include <string_view>

namespace cli {

enum class NewFile { written, exists, failed };

// Writes `bytes` to `path` as a new file (mode 0666 less the umask).
// `exists`: `path` names something already (nothing is changed). `failed`:
// `error` says what could not be done and the system's reason; nothing is
// left behind.
// True when `path` names anything, a dangling symbolic link too: a quick
// refusal before the work of making the bytes.
bool name_exists(const std::string& path);

NewFile write_new_file(const std::string& path, std::string_view bytes, std::string& error);

}  // namespace cli
