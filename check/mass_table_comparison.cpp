// mass_table_comparison.cpp - elements, isomers and molecules beside the mass table.
#include "check/mass_table_comparison.h"

#include <cmath>
#include <map>

#include "cli/number_text.h"
#include "nuclides/isomer_names.h"
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

// Where a finding of the comparison points: the line, and the columns of
// its fields.
struct Place {
  const LinePlace& line;
  const ComparedColumns& columns;
};

Finding unknown_nuclide(const Compared& entry, const nuclides::SymbolMeaning& meaning,
                        const Place& place) {
  const std::string formula = upper_case(meaning.text);
  const bool may_be_molecule = formula != meaning.text && !nuclides::formula_atoms(formula).empty();
  const std::optional<std::string> spelling = nuclides::conventional_spelling(entry.nuclide);
  return place.line.at(place.columns.mass_number, FindingKind::unknown_nuclide)
      .choice("isomer", entry.kind == nuclides::SymbolKind::isomer ? 1 : 0)
      .with("nuclide", entry.nuclide)
      .count("A", entry.A)
      .with("element", meaning.element)
      .choice("formula", may_be_molecule ? 1 : 0)
      .with("upper", formula)
      .choice("hint", spelling ? 1 : 0)
      .with("spelling", spelling.value_or(""));
}

// How far a value lies from the table's: "{sigmas} sigma ({difference} micro-u)".
Finding& with_distance(Finding& finding, double difference, double sigmas) {
  return finding.choice("infinite", std::isinf(sigmas) ? 1 : 0)
      .with("sigmas", cli::sigma_count(std::fabs(sigmas)), sigmas)
      .with("difference", cli::fixed(difference, 6), difference);
}

void element_findings(const Compared& entry, const Place& place, Findings& findings) {
  if (std::fabs(entry.sigmas()) <= nuclides::sigma_limit) return;
  Finding finding =
      place.line.at(place.columns.value, entry.reference ? FindingKind::reference_far_from_table
                                                         : FindingKind::mass_excess_far_from_table);
  finding.with("nuclide", entry.nuclide).with("value", cli::fixed(entry.value, 6), entry.value);
  with_distance(finding, entry.difference(), entry.sigmas())
      .with("table", cli::fixed(entry.table->mass_excess, 6), entry.table->mass_excess);
  findings.push_back(std::move(finding));
}

void isomer_findings(const Compared& entry, const nuclides::SymbolMeaning& meaning,
                     const Place& place, Findings& findings) {
  const double above = entry.difference();
  const double margin = nuclides::sigma_limit * entry.combined_sigma();
  const std::string ground = std::to_string(entry.A) + meaning.element;
  const std::string letter = meaning.text.substr(meaning.looked_up.size());
  if (std::fabs(above) <= margin) {
    findings.push_back(place.line.at(place.columns.symbol, FindingKind::isomer_letter_slip)
                           .with("nuclide", entry.nuclide)
                           .with("ground", ground)
                           .with("difference", cli::fixed(above, 6), above)
                           .with("letter", letter));
  } else if (above < 0.0) {
    Finding finding = place.line.at(place.columns.value, FindingKind::isomer_below_ground);
    finding.with("nuclide", entry.nuclide).with("ground", ground);
    findings.push_back(with_distance(finding, above, entry.sigmas()));
  } else if (above - margin > nuclides::isomer_excitation_limit) {
    const double kev = above * conversion::kev_per_micro_u;
    findings.push_back(place.line.at(place.columns.value, FindingKind::isomer_too_high)
                           .with("nuclide", entry.nuclide)
                           .with("excitation", cli::fixed(kev, 1), kev)
                           .with("ground", ground));
  }
}

void molecule_findings(const Compared& entry, const Place& place, Findings& findings) {
  const double difference = entry.difference();
  const double margin = nuclides::sigma_limit * entry.combined_sigma();
  if (difference <= margin && difference >= -nuclides::dissociation_limit - margin) return;
  findings.push_back(
      place.line.at(place.columns.value, FindingKind::molecule_far_from_atoms)
          .with("nuclide", entry.nuclide)
          .with("value", cli::fixed(entry.value, 6), entry.value)
          .with("difference", cli::fixed(difference, 6), difference)
          .with("atoms", entry.compared_with)
          .with("table", cli::fixed(entry.table->mass_excess, 6), entry.table->mass_excess)
          .choice("reference", entry.reference ? 1 : 0));
}

void reference_uncertainty_findings(const Compared& entry, const Place& place, Findings& findings) {
  const double own = entry.table->uncertainty;
  if (!entry.reference || own <= 0.0 || entry.sigma <= 0.0 ||
      entry.kind != nuclides::SymbolKind::element)
    return;
  // Within a part in 10^9 of the factor: the division may miss it by its
  // last bit.
  const bool large = entry.sigma / own >= nuclides::reference_uncertainty_factor * (1.0 - 1.0e-9);
  if (!large && !(entry.sigma * nuclides::reference_uncertainty_factor < own)) return;
  findings.push_back(
      place.line
          .at(place.columns.uncertainty, large ? FindingKind::reference_uncertainty_large
                                               : FindingKind::reference_uncertainty_small)
          .with("sigma", cli::fixed(entry.sigma, 6), entry.sigma)
          .with("times", cli::sigma_count(entry.sigma / own), entry.sigma / own)
          .with("nuclide", entry.nuclide)
          .with("table", cli::fixed(entry.table->mass_excess, 6), entry.table->mass_excess)
          .with("table_sigma", cli::fixed(own, 6), own));
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

Findings mass_table_findings(const Compared& entry, const nuclides::SymbolMeaning& meaning,
                             const LinePlace& line, const ComparedColumns& columns) {
  const Place place{line, columns};
  Findings findings;
  if (!entry.table) {
    if (!std::isfinite(entry.value)) return findings;
    if (meaning.kind == nuclides::SymbolKind::element ||
        meaning.kind == nuclides::SymbolKind::isomer) {
      findings.push_back(unknown_nuclide(entry, meaning, place));
    } else if (meaning.kind == nuclides::SymbolKind::molecule &&
               entry.not_compared == no_atoms_add_up) {
      findings.push_back(line.at(columns.mass_number, FindingKind::molecule_mass_number)
                             .with("formula", meaning.text)
                             .count("A", entry.A));
    }
    return findings;
  }
  if (meaning.kind == nuclides::SymbolKind::isomer) {
    isomer_findings(entry, meaning, place, findings);
  } else if (meaning.kind == nuclides::SymbolKind::molecule) {
    molecule_findings(entry, place, findings);
  } else {
    element_findings(entry, place, findings);
    // A reference far from the table is likely another nuclide than meant:
    // its uncertainty says nothing then.
    if (findings.empty()) reference_uncertainty_findings(entry, place, findings);
  }
  return findings;
}

}  // namespace check
