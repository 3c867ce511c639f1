// quoting.h - file names in messages, one line whatever the name holds.
//
// A name is the user's bytes: it may hold blanks, quotes, a newline or
// bytes that are not text. Quoted as a POSIX shell reads it back, a message
// stays one line and the name can be pasted into a command; names made of
// printable ASCII alone read as they are within single quotes.
#pragma once

#include <string>
#include <string_view>

namespace cli {

// The name always in quotes: 'vemo.freq', "it's", 'a'$'\n''b'.
std::string quoted_name(std::string_view name);

// The name as it is when it is printable ASCII (blanks and quotes
// included), otherwise quoted_name(name). For the FILE of a FILE:LINE:
// prefix, which editors and scripts read without quotes, as compilers
// print it.
std::string shown_name(std::string_view name);

}  // namespace cli
