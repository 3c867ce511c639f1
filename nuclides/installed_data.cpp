// installed_data.cpp - finding the shipped data from the program's own place.
#include "nuclides/installed_data.h"

#include <unistd.h>

namespace nuclides {

// The data lie in share/freq2equat beside bin/ (in the build tree:
// share/freq2equat beside check/ and adjust/), wherever the prefix is, so a
// copied or relocated installation still finds its own files.
std::string installed_data(const std::string& name) {
  const std::string relative = "share/freq2equat/" + name;
  char self[4096];
  const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (length > 0) {
    std::string directory(self, static_cast<std::size_t>(length));
    directory.erase(directory.rfind('/'));
    const std::string beside = directory + "/../" + relative;
    if (::access(beside.c_str(), R_OK) == 0) return beside;
  }
  return std::string(FREQ2EQUAT_INSTALLED_DATA) + "/" + name;
}

}  // namespace nuclides
