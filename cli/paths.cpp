// paths.cpp - file identity and names for reports.
#include "cli/paths.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "cli/quoting.h"

namespace cli {

namespace {

// `path` with its existing part resolved: the whole path when it exists,
// else its directory resolved and its last component as written; a
// symbolic link to a file not yet written is followed to the name it
// gives, as a write through it would be.
std::string resolved(const std::string& path, int links_left = 40) {
  struct stat link {};
  if (links_left > 0 && ::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
    std::vector<char> target(static_cast<std::size_t>(link.st_size > 0 ? link.st_size : 255) + 1);
    const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
    if (length > 0 && static_cast<std::size_t>(length) < target.size()) {
      std::string named(target.data(), static_cast<std::size_t>(length));
      const std::size_t slash = path.rfind('/');
      if (named.front() != '/' && slash != std::string::npos)
        named = path.substr(0, slash + 1) + named;
      if (::access(named.c_str(), F_OK) != 0) return resolved(named, links_left - 1);
    }
  }
  if (char* real = ::realpath(path.c_str(), nullptr); real != nullptr) {
    std::string text(real);
    std::free(real);
    return text;
  }
  const std::size_t slash = path.rfind('/');
  const std::string directory = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (char* real = ::realpath(directory.c_str(), nullptr); real != nullptr) {
    std::string text(real);
    std::free(real);
    return text + (text.back() == '/' ? "" : "/") + name;
  }
  return path;
}

}  // namespace

bool same_file(const std::string& a, const std::string& b) {
  struct stat first {
  }, second{};
  const bool a_exists = ::stat(a.c_str(), &first) == 0;
  const bool b_exists = ::stat(b.c_str(), &second) == 0;
  if (a_exists && b_exists) return first.st_dev == second.st_dev && first.st_ino == second.st_ino;
  if (a_exists != b_exists) return false;
  return resolved(a) == resolved(b);
}

std::string base_name(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string output_refusal(const std::string& path) {
  struct stat status {};
  if (::stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode))
    return "cannot write " + quoted_name(path) + ": not a regular file";
  return {};
}

std::string output_clash(const std::vector<NamedOutput>& outputs,
                         const std::vector<std::string>& inputs) {
  for (std::size_t i = 0; i < outputs.size(); ++i) {
    const NamedOutput& output = outputs[i];
    if (std::string why = output_refusal(output.path); !why.empty()) return why;
    for (const std::string& input : inputs) {
      if (!input.empty() && same_file(output.path, input)) {
        return output.option + " " + quoted_name(output.path) + " names an input file, " +
               quoted_name(input);
      }
    }
    for (std::size_t j = 0; j < i; ++j) {
      if (same_file(outputs[j].path, output.path)) {
        return outputs[j].option + " and " + output.option + " name the same file, " +
               quoted_name(output.path);
      }
    }
  }
  return {};
}

std::string NamesInUse::clash_of(const std::string& option, const std::string& path) const {
  std::vector<NamedOutput> all = outputs;
  all.push_back({option, path});
  return output_clash(all, inputs);
}

}  // namespace cli
