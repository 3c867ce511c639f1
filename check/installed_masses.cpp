// installed_masses.cpp - finding the shipped mass table from the program's own place.
#include "check/installed_masses.h"

#include <unistd.h>

namespace check {

// The table lies in share/freq2equat beside bin/ (in the build tree:
// share/freq2equat beside check/ and adjust/), wherever the prefix is, so a
// copied or relocated installation still finds its own table.
std::string installed_mass_table() {
  const std::string name = "share/freq2equat/mass-excess-2020.csv";
  char self[4096];
  const ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (length > 0) {
    std::string directory(self, static_cast<std::size_t>(length));
    directory.erase(directory.rfind('/'));
    const std::string beside = directory + "/../" + name;
    if (::access(beside.c_str(), R_OK) == 0) return beside;
  }
  return FREQ2EQUAT_INSTALLED_MASSES;
}

}  // namespace check
