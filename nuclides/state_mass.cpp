// state_mass.cpp - a ground state from the mass table, an isomer above it.
#include "nuclides/state_mass.h"

#include <cmath>

#include "conversion/constants.h"

namespace nuclides {

std::optional<TableMass> state_table_mass(const MassTable& masses, const NubaseTable* properties,
                                          std::int32_t A, const StateName& state,
                                          std::string& why_not) {
  const std::string ground_name = std::to_string(A) + state.element;
  const std::optional<TableMass> ground = masses.find(A, state.element);
  if (!ground) {
    why_not = ground_name + " is not in the mass table";
    return std::nullopt;
  }
  if (state.letter == ' ') return ground;
  const std::string name = ground_name + symbol_of_state(state).substr(state.element.size());
  if (properties == nullptr) {
    why_not = "no table of excitation energies for " + name;
    return std::nullopt;
  }
  const NuclearState* found = properties->find(A, state.element, state.letter);
  const std::string table = properties->identity().file_name;
  if (found == nullptr) {
    why_not = name + " is not in " + table;
    return std::nullopt;
  }
  if (found->non_existent) {
    why_not = name + " does not exist by " + table + " (\"non-exist\")";
    return std::nullopt;
  }
  if (!found->excitation) {
    why_not = "no excitation energy of " + name + " in " + table;
    return std::nullopt;
  }
  const double kev_per_micro_u = masses.kev_per_micro_u().value_or(conversion::kev_per_micro_u);
  TableMass mass;
  mass.mass_excess = ground->mass_excess + found->excitation->value / kev_per_micro_u;
  mass.uncertainty =
      std::hypot(ground->uncertainty, found->excitation->uncertainty / kev_per_micro_u);
  mass.estimated = ground->estimated || found->excitation->estimated;
  return mass;
}

}  // namespace nuclides
