// scratch_dir.cpp - temporary directories and whole-file helpers for tests.
#include "tests/support/scratch_dir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace testing_support {

namespace fs = std::filesystem;

ScratchDir::ScratchDir() {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/f2e.XXXXXX";
  if (mkdtemp(pattern.data()) == nullptr) {
    ADD_FAILURE() << "cannot create a scratch directory";
  }
  path_ = pattern;
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  // Files a test made read-only must not stop the clean-up.
  for (auto it = fs::recursive_directory_iterator(path_, ec); !ec && it != fs::end(it);
       it.increment(ec)) {
    if (!it->is_symlink(ec))
      fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  }
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(path_, ec);
}

void ScratchDir::write(std::string_view name, std::string_view bytes) const {
  write_file(file(name), bytes);
}

std::optional<std::string> ScratchDir::read(std::string_view name) const {
  return read_file(file(name));
}

std::vector<std::string> ScratchDir::names() const {
  std::vector<std::string> result;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(path_, ec)) {
    result.push_back(entry.path().filename().string());
  }
  std::sort(result.begin(), result.end());
  return result;
}

std::optional<std::string> read_file(const std::string& path) {
  std::error_code ec;
  if (!fs::is_regular_file(path, ec)) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write_file(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) ADD_FAILURE() << "cannot write " << path;
}

WorkingDirectory::WorkingDirectory(const std::string& dir) {
  std::error_code ec;
  previous_ = fs::current_path(ec).string();
  fs::current_path(dir, ec);
  if (ec) ADD_FAILURE() << "cannot enter " << dir;
}

WorkingDirectory::~WorkingDirectory() {
  std::error_code ec;
  fs::current_path(previous_, ec);
}

}  // namespace testing_support
