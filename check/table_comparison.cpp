// table_comparison.cpp - elements, isomers and molecules beside the table.
#include "check/table_comparison.h"

#include <cmath>
#include <map>

#include "cli/number_text.h"
#include "nuclides/physical_limits.h"

namespace check {

namespace {

// Beyond every mass number the table holds (295 for Og).
constexpr std::int32_t highest_mass_number = 320;

constexpr const char* no_atoms_add_up = "no isotopes of its atoms add up to its mass number";

// Molecules in a trap are small; a formula of more atoms (H999 fits in four
// columns) is not compared, which keeps the search for its isotopes short.
constexpr int most_atoms = 24;

struct Isotope {
  std::int32_t A = 0;
  nuclides::TableMass mass;
};

// The isotopes of an element in the table, by mass number; looked up once
// per element and table, since a file may hold many molecule lines.
const std::vector<Isotope>& isotopes_of(const std::string& element,
                                        const nuclides::MassTable& masses) {
  static std::map<std::pair<const nuclides::MassTable*, std::string>, std::vector<Isotope>> known;
  const auto [at, added] = known.try_emplace({&masses, element});
  if (added) {
    for (std::int32_t A = 1; A <= highest_mass_number; ++A) {
      if (const auto mass = masses.find(A, element)) at->second.push_back({A, *mass});
    }
  }
  return at->second;
}

// The choice of isotopes for a molecule's atoms whose mass numbers add up
// to `A`, with the smallest combined uncertainty: the stable isotopes, which
// are the ones molecules are made of (12C16O, not 13C15O, for 28CO).
struct AtomChoice {
  double mass_excess = 0.0;
  double variance = 0.0;
  std::string label;
};

std::optional<AtomChoice> sum_of_atoms(const std::vector<nuclides::Atoms>& atoms, std::int32_t A,
                                       const nuclides::MassTable& masses) {
  std::map<std::int32_t, AtomChoice> partial{{0, AtomChoice{}}};
  for (const nuclides::Atoms& kind : atoms) {
    const std::vector<Isotope>& isotopes = isotopes_of(kind.element, masses);
    for (int n = 0; n < kind.count; ++n) {
      std::map<std::int32_t, AtomChoice> next;
      for (const auto& [sum, choice] : partial) {
        for (const Isotope& isotope : isotopes) {
          if (sum + isotope.A > A) break;
          AtomChoice grown{choice.mass_excess + isotope.mass.mass_excess,
                           choice.variance + isotope.mass.uncertainty * isotope.mass.uncertainty,
                           choice.label + (choice.label.empty() ? "" : "+") +
                               std::to_string(isotope.A) + kind.element};
          auto [at, added] = next.try_emplace(sum + isotope.A, grown);
          if (!added && grown.variance < at->second.variance) at->second = grown;
        }
      }
      partial = std::move(next);
    }
  }
  const auto found = partial.find(A);
  if (found == partial.end()) return std::nullopt;
  return found->second;
}

std::string upper_case(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

std::string unknown_nuclide(const Compared& entry, const nuclides::SymbolMeaning& meaning) {
  const std::string nuclide = std::to_string(entry.A) + meaning.element;
  std::string message =
      (entry.kind == nuclides::SymbolKind::isomer ? "the ground state of " + entry.nuclide + ", "
                                                  : "") +
      nuclide + " is not a known nuclide: the mass table, which lists every known one, has no " +
      meaning.element + " with mass number " + std::to_string(entry.A);
  const std::string formula = upper_case(meaning.text);
  if (formula != meaning.text && !nuclides::formula_atoms(formula).empty()) {
    message += " (is it the molecule " + formula + "?)";
  }
  return message;
}

std::string distance(double difference, double sigmas) {
  return (std::isinf(sigmas) ? std::string("infinitely many")
                             : cli::sigma_count(std::fabs(sigmas))) +
         " sigma (" + cli::fixed(difference, 6) + " micro-u)";
}

void element_findings(const Compared& entry, std::vector<TableFinding>& findings) {
  if (std::fabs(entry.sigmas()) <= nuclides::sigma_limit) return;
  const std::string how_far = distance(entry.difference(), entry.sigmas());
  const std::string table = cli::fixed(entry.table->mass_excess, 6);
  findings.push_back({cli::Severity::warning, TableFinding::Field::value,
                      entry.reference ? "the reference mass excess of " + entry.nuclide + " is " +
                                            how_far + " from the mass table's " + table +
                                            ": a typing error in it is more likely than new physics"
                                      : "the mass excess of " + entry.nuclide + ", " +
                                            cli::fixed(entry.value, 6) + " micro-u, is " + how_far +
                                            " from the mass table's " + table +
                                            ": the ratio, the flag or the reference may be wrong"});
}

void isomer_findings(const Compared& entry, const nuclides::SymbolMeaning& meaning,
                     std::vector<TableFinding>& findings) {
  const double above = entry.difference();
  const double margin = nuclides::sigma_limit * entry.combined_sigma();
  const std::string ground = std::to_string(entry.A) + meaning.element;
  const std::string letter = meaning.text.substr(meaning.looked_up.size());
  if (std::fabs(above) <= margin) {
    findings.push_back({cli::Severity::warning, TableFinding::Field::symbol,
                        entry.nuclide + " equals the ground state " + ground +
                            " of the mass table within 3 sigma (" + cli::fixed(above, 6) +
                            " micro-u): is the isomer letter '" + letter + "' a slip?"});
  } else if (above < 0.0) {
    findings.push_back({cli::Severity::warning, TableFinding::Field::value,
                        entry.nuclide + " lies " + distance(above, entry.sigmas()) +
                            " below the ground state " + ground +
                            " of the mass table: an isomer cannot lie below its ground state"});
  } else if (above - margin > nuclides::isomer_excitation_limit) {
    findings.push_back(
        {cli::Severity::warning, TableFinding::Field::value,
         entry.nuclide + " lies " + cli::fixed(above * conversion::kev_per_micro_u, 1) +
             " keV above the ground state " + ground +
             " of the mass table: no isomer lies more than 10 MeV above its ground state"});
  }
}

void molecule_findings(const Compared& entry, std::vector<TableFinding>& findings) {
  const double difference = entry.difference();
  const double margin = nuclides::sigma_limit * entry.combined_sigma();
  if (difference <= margin && difference >= -nuclides::dissociation_limit - margin) return;
  findings.push_back({cli::Severity::warning, TableFinding::Field::value,
                      "the mass excess of the molecule " + entry.nuclide + ", " +
                          cli::fixed(entry.value, 6) + " micro-u, is " + cli::fixed(difference, 6) +
                          " micro-u from the sum of its atoms' table values (" +
                          entry.compared_with + ": " + cli::fixed(entry.table->mass_excess, 6) +
                          "), beyond 3 sigma and the 12 eV its dissociation may take off: " +
                          (entry.reference ? "a typing error is likely"
                                           : "the ratio, the flag or the reference may be wrong")});
}

void reference_uncertainty_findings(const Compared& entry, std::vector<TableFinding>& findings) {
  const double own = entry.table->uncertainty;
  if (!entry.reference || own <= 0.0 || entry.sigma <= 0.0 ||
      entry.kind != nuclides::SymbolKind::element)
    return;
  const std::string table = cli::fixed(entry.table->mass_excess, 6) + " +/- " + cli::fixed(own, 6);
  // Within a part in 10^9 of the factor: the division may miss it by its
  // last bit.
  if (entry.sigma / own >= nuclides::reference_uncertainty_factor * (1.0 - 1.0e-9)) {
    findings.push_back({cli::Severity::warning, TableFinding::Field::uncertainty,
                        "the reference uncertainty " + cli::fixed(entry.sigma, 6) + " micro-u is " +
                            cli::sigma_count(entry.sigma / own) + " times the mass table's for " +
                            entry.nuclide + " (" + table + "): has a digit slipped?"});
  } else if (entry.sigma * nuclides::reference_uncertainty_factor < own) {
    findings.push_back(
        {cli::Severity::note, TableFinding::Field::uncertainty,
         "the reference uncertainty " + cli::fixed(entry.sigma, 6) +
             " micro-u is less than a tenth of the mass table's for " + entry.nuclide +
             ": right for a newer, more precise value; the comparison used the table's " + table});
  }
}

void find_sum_of_atoms(Compared& entry, const nuclides::SymbolMeaning& meaning,
                       const nuclides::MassTable& masses) {
  const std::vector<nuclides::Atoms> atoms = nuclides::formula_atoms(meaning.text);
  int count = 0;
  for (const nuclides::Atoms& kind : atoms) count += kind.count;
  if (count > most_atoms) {
    entry.not_compared = "more atoms than are compared";
  } else if (const auto sum = sum_of_atoms(atoms, entry.A, masses)) {
    entry.table = nuclides::TableMass{sum->mass_excess, std::sqrt(sum->variance), false};
    entry.compared_with = sum->label;
  } else {
    entry.not_compared = no_atoms_add_up;
  }
}

}  // namespace

void find_table_value(Compared& entry, const nuclides::SymbolMeaning& meaning,
                      const nuclides::MassTable& masses) {
  if (!std::isfinite(entry.value) || !std::isfinite(entry.sigma)) {
    entry.not_compared = "no finite value";
    return;
  }
  switch (meaning.kind) {
    case nuclides::SymbolKind::element:
      entry.table = masses.find(entry.A, meaning.element);
      if (!entry.table) entry.not_compared = "not a known nuclide";
      return;
    case nuclides::SymbolKind::isomer:
      entry.table = masses.find(entry.A, meaning.element);
      if (entry.table) {
        entry.compared_with = "ground state " + std::to_string(entry.A) + meaning.element;
      } else {
        entry.not_compared = "no known ground state";
      }
      return;
    case nuclides::SymbolKind::molecule:
      find_sum_of_atoms(entry, meaning, masses);
      return;
    default:
      entry.not_compared = "not an element";
      return;
  }
}

std::vector<TableFinding> table_findings(const Compared& entry,
                                         const nuclides::SymbolMeaning& meaning) {
  std::vector<TableFinding> findings;
  if (!entry.table) {
    if (!std::isfinite(entry.value)) return findings;
    if (meaning.kind == nuclides::SymbolKind::element ||
        meaning.kind == nuclides::SymbolKind::isomer) {
      findings.push_back({cli::Severity::warning, TableFinding::Field::mass_number,
                          unknown_nuclide(entry, meaning)});
    } else if (meaning.kind == nuclides::SymbolKind::molecule &&
               entry.not_compared == no_atoms_add_up) {
      findings.push_back({cli::Severity::warning, TableFinding::Field::mass_number,
                          "no isotopes of the atoms of " + meaning.text +
                              " in the mass table add up to mass number " +
                              std::to_string(entry.A) + ": is the mass number wrong?"});
    }
    return findings;
  }
  if (meaning.kind == nuclides::SymbolKind::isomer) {
    isomer_findings(entry, meaning, findings);
  } else if (meaning.kind == nuclides::SymbolKind::molecule) {
    molecule_findings(entry, findings);
  } else {
    element_findings(entry, findings);
    // A reference far from the table is likely another nuclide than meant:
    // its uncertainty says nothing then.
    if (findings.empty()) reference_uncertainty_findings(entry, findings);
  }
  return findings;
}

}  // namespace check
