// scratch_dir.h - a fresh temporary directory per test, removed afterwards.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace testing_support {

class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::string& path() const { return path_; }
  std::string file(std::string_view name) const { return path_ + "/" + std::string(name); }

  void write(std::string_view name, std::string_view bytes) const;
  std::optional<std::string> read(std::string_view name) const;
  // Names in the directory, sorted.
  std::vector<std::string> names() const;

 private:
  std::string path_;
};

// Whole-file helpers for paths outside a scratch directory.
std::optional<std::string> read_file(const std::string& path);
void write_file(const std::string& path, std::string_view bytes);

// Runs `body` with the working directory set to `dir`, then restores it.
class WorkingDirectory {
 public:
  explicit WorkingDirectory(const std::string& dir);
  ~WorkingDirectory();
  WorkingDirectory(const WorkingDirectory&) = delete;
  WorkingDirectory& operator=(const WorkingDirectory&) = delete;

 private:
  std::string previous_;
};

}  // namespace testing_support
