// binding_energy_data.cpp - reading the shipped binding energies.
#include "nuclides/binding_energy_data.h"

#include "cli/quoting.h"
#include "nuclides/csv_rows.h"

namespace nuclides {

namespace {

enum Column : std::size_t {
  z_column,
  symbol_column,
  charge_column,
  ionisation_column,
  ionisation_uncertainty_column,
  total_column,
  total_uncertainty_column
};

}  // namespace

bool BindingEnergyData::load(const std::string& path, std::string& error) {
  CsvRows rows;
  if (!rows.open(path,
                 {"Z", "symbol", "charge", "ionisation_energy_eV", "ionisation_uncertainty_eV",
                  "total_binding_eV", "total_uncertainty_eV"},
                 error)) {
    return false;
  }
  int order = 0;
  while (rows.next()) {
    ShippedEnergy energy;
    std::int32_t q = 0;
    if (!rows.number(z_column, energy.Z) || !rows.number(charge_column, q) ||
        !rows.number(ionisation_column, energy.ionisation) ||
        !rows.number(total_column, energy.total) ||
        !rows.number(total_uncertainty_column, energy.total_uncertainty) ||
        rows.field(symbol_column).empty()) {
      error = cli::quoted_name(path) + ": line " + std::to_string(rows.line_number()) +
              " is not a row of Z, symbol, charge, ionisation energy, total binding energy and its "
              "uncertainty";
      return false;
    }
    if (!rows.number(ionisation_uncertainty_column, energy.ionisation_uncertainty)) {
      energy.ionisation_uncertainty = energy.total_uncertainty;
    }
    energy.order = order++;
    energy.ionisation_text = rows.field(ionisation_column);
    energy.total_text = rows.field(total_column);
    energy.total_uncertainty_text = rows.field(total_uncertainty_column);
    energies_[{std::string(rows.field(symbol_column)), q}] = std::move(energy);
  }
  if (energies_.empty()) {
    error = cli::quoted_name(path) + ": no binding energies in it";
    return false;
  }
  return true;
}

const ShippedEnergy* BindingEnergyData::find(std::string_view symbol, std::int32_t q) const {
  const auto found = energies_.find(std::make_pair(std::string(symbol), q));
  return found == energies_.end() ? nullptr : &found->second;
}

}  // namespace nuclides
