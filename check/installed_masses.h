// installed_masses.h - where the 2020 mass table shipped with the programs is.
#pragma once

#include <string>

namespace check {

// The path of the shipped table: share/freq2equat/mass-excess-2020.csv
// beside the running program's bin/ (or, in the build tree, beside its
// directory) when it is there, otherwise where the installation put it.
std::string installed_mass_table();

}  // namespace check
