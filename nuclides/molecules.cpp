// molecules.cpp - choosing a molecule's isotopes from the mass table.
#include "nuclides/molecules.h"

#include <algorithm>
#include <map>
#include <utility>

namespace nuclides {

namespace {

// Beyond every mass number the table holds (295 for Og).
constexpr std::int32_t highest_mass_number = 320;
// Molecules in a trap are small; a longer formula keeps the search short.
constexpr int most_atoms = 24;

struct Choice {
  double variance = 0.0;
  std::vector<Isotope> isotopes;
};

void add_atom(std::vector<Isotope>& isotopes, std::int32_t A, const std::string& element) {
  for (Isotope& isotope : isotopes) {
    if (isotope.A == A && isotope.element == element) {
      ++isotope.count;
      return;
    }
  }
  isotopes.push_back({A, element, 1});
}

}  // namespace

std::optional<std::vector<Isotope>> molecule_isotopes(const std::vector<Atoms>& atoms,
                                                      std::int32_t A, const MassTable& table) {
  int total = 0;
  for (const Atoms& kind : atoms) total += kind.count;
  if (atoms.empty() || total > most_atoms || A < 1) return std::nullopt;
  // Every partial sum of mass numbers, with its least uncertain choice.
  std::map<std::int32_t, Choice> partial{{0, Choice{}}};
  for (const Atoms& kind : atoms) {
    std::vector<std::pair<std::int32_t, double>> isotopes;
    for (std::int32_t a = 1; a <= std::min(A, highest_mass_number); ++a) {
      if (const auto mass = table.find(a, kind.element))
        isotopes.emplace_back(a, mass->uncertainty * mass->uncertainty);
    }
    for (int n = 0; n < kind.count; ++n) {
      std::map<std::int32_t, Choice> next;
      for (const auto& [sum, choice] : partial) {
        for (const auto& [a, variance] : isotopes) {
          if (sum + a > A) break;
          Choice grown{choice.variance + variance, choice.isotopes};
          add_atom(grown.isotopes, a, kind.element);
          auto [at, added] = next.try_emplace(sum + a, grown);
          if (!added && grown.variance < at->second.variance) at->second = std::move(grown);
        }
      }
      partial = std::move(next);
    }
  }
  const auto found = partial.find(A);
  if (found == partial.end()) return std::nullopt;
  return found->second.isotopes;
}

}  // namespace nuclides
