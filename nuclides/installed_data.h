// installed_data.h - where the data shipped with the programs are.
#pragma once

#include <optional>
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

// The mass table a --masses value names: the installed 2020 table when the
// option is absent or "default", else the file it names.
inline bool is_default_mass_table(const std::optional<std::string>& masses) {
  return !masses || *masses == "default";
}
inline std::string mass_table_named(const std::optional<std::string>& masses) {
  return is_default_mass_table(masses) ? installed_mass_table() : *masses;
}

// The same for the table of nuclear properties a --nubase value names.
inline std::string nubase_table_named(const std::optional<std::string>& nubase) {
  return is_default_mass_table(nubase) ? installed_nubase_table() : *nubase;
}

// The electron binding energies every row of "ionization.data" is held to.
inline std::string installed_binding_energies() {
  return installed_data("electron-binding-energies-eV.csv");
}

}  // namespace nuclides
