// binding_energy_data.h - the electron binding energies shipped with the
// program: for every element and charge state q, the q-th ionisation
// energy and the total binding energy of the q electrons removed from the
// neutral atom, each with its uncertainty, in eV.
//
// A row of "ionization.data" should hold the total; these values are what
// rows are made from and checked against. Source and columns: the file's
// own header (data/electron-binding-energies-eV.csv in the source tree).
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>

namespace nuclides {

struct ShippedEnergy {
  int Z = 0;
  int order = 0;                        // the row's place in the file: by element, then charge
  double ionisation = 0.0;              // eV: the q-th ionisation energy alone
  double ionisation_uncertainty = 0.0;  // the total's where the source gives none
  double total = 0.0;                   // eV: the sum of the first q
  double total_uncertainty = 0.0;
  std::string ionisation_text;         // as the source writes it
  std::string total_text;              // the total with the digits the source gives
  std::string total_uncertainty_text;  // likewise
};

// The least first ionisation energy of any element (caesium, 3.894 eV),
// rounded down: every electron of any atom is bound at least this much, so
// a total binding energy for charge q is at least q times it.
inline constexpr double least_binding_per_electron_ev = 3.89;

class BindingEnergyData {
 public:
  // Reads the CSV at `path`; on failure returns false with a one-line
  // reason in `error`.
  bool load(const std::string& path, std::string& error);

  // The values for `symbol` (as the periodic table writes it; D and T are
  // their own rows) and charge `q`; null when the data has none.
  const ShippedEnergy* find(std::string_view symbol, std::int32_t q) const;

 private:
  std::map<std::pair<std::string, std::int32_t>, ShippedEnergy> energies_;
};

}  // namespace nuclides
