// installed_data.h - where the data shipped with the programs are.
#pragma once

#include <string>

namespace nuclides {

// The path of `name` (a file of data/) as shipped: share/freq2equat/NAME
// beside the running program's bin/ (or, in the build tree, beside its
// directory) when it is there, otherwise where the installation put it.
std::string installed_data(const std::string& name);

// The 2020 mass table, compared with by default.
inline std::string installed_mass_table() { return installed_data("mass-excess-2020.csv"); }

// The 2020 table of nuclear properties, the isomers' excitation energies.
inline std::string installed_nubase_table() { return installed_data("nubase2020.mas20.txt"); }

// The electron binding energies every row of "ionization.data" is held to.
inline std::string installed_binding_energies() {
  return installed_data("electron-binding-energies-eV.csv");
}

}  // namespace nuclides
