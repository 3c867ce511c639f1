// paths.h - what the programs ask of the paths on their command lines.
#pragma once

#include <string>
#include <vector>

namespace cli {

// True when both paths name one file however they are spelt (a link, "./",
// a directory given twice): the same device and inode when both exist,
// else the same path once the directories that exist are resolved, so that
// two outputs not yet written are told apart or caught alike.
bool same_file(const std::string& a, const std::string& b);

// The last component of `path`, as a report names a file.
std::string base_name(const std::string& path);

// A file a program writes, with the option that names it: {"--plot", "p.svg"}.
struct NamedOutput {
  std::string option;
  std::string path;
};

// Why `path` cannot be written, or an empty string: an existing file that
// is not a regular file (a device or a FIFO is not replaced by a plain
// file; a directory cannot be), followed through symbolic links.
//   "cannot write 'n': not a regular file"
std::string output_refusal(const std::string& path);

// The guard every program runs before it reads anything: each output must
// pass output_refusal, an output must
// not be one of its inputs (a slip in the command line would destroy data)
// and two outputs must not name one file (the second would silently
// replace the first). Returns the one-line refusal, or an empty string:
//   "--plot './vemo.freq' names an input file, 'vemo.freq'"
//   "--json and --plot name the same file, 'out.svg'"
std::string output_clash(const std::vector<NamedOutput>& outputs,
                         const std::vector<std::string>& inputs);

// What a program reads and writes, kept for the names it makes later (a
// picture's numbered pages, p-1.png ...), which are checked as the command
// line's were: one of them must not be an input nor another output.
struct NamesInUse {
  std::vector<NamedOutput> outputs;
  std::vector<std::string> inputs;

  // output_clash of the command line's names.
  std::string clash() const { return output_clash(outputs, inputs); }
  // output_clash of one more output, `path`, named by `option`.
  std::string clash_of(const std::string& option, const std::string& path) const;
};

}  // namespace cli
