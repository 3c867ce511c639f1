// determined_groups.cpp - the groups equations tie together, their anchors by
// the references, and which of them some datum ties to an absolute value.
#include "nuclides/determined_groups.h"

#include <algorithm>
#include <numeric>
#include <string>

#include "nuclides/molecules.h"
#include "nuclides/state_mass.h"
#include "nuclides/symbols.h"

namespace nuclides {

namespace {

class Components {
 public:
  explicit Components(std::size_t n) : parent_(n) { std::iota(parent_.begin(), parent_.end(), 0); }
  std::size_t find(std::size_t k) {
    while (parent_[k] != k) k = parent_[k] = parent_[parent_[k]];
    return k;
  }
  void join(std::size_t a, std::size_t b) { parent_[find(a)] = find(b); }

 private:
  std::vector<std::size_t> parent_;
};

// Each nuclide's group (its representative) and whether the group is
// determined.
struct Groups {
  std::vector<std::size_t> group;
  std::vector<bool> determined;
};

Groups groups_of(std::size_t n, const std::vector<const Terms*>& data,
                 const std::vector<bool>& fixed) {
  Components components(n);
  for (const Terms* terms : data) {
    for (std::size_t t = 1; t < terms->size(); ++t)
      components.join((*terms)[0].first, (*terms)[t].first);
  }
  std::vector<bool> rooted(n, false);
  for (std::size_t k = 0; k < n; ++k) {
    if (fixed[k]) rooted[components.find(k)] = true;
  }
  for (const Terms* terms : data) {
    if (terms->size() == 1) rooted[components.find(terms->front().first)] = true;
  }
  Groups groups;
  groups.group.resize(n);
  groups.determined.resize(n);
  for (std::size_t k = 0; k < n; ++k) {
    groups.group[k] = components.find(k);
    groups.determined[k] = rooted[groups.group[k]];
  }
  return groups;
}

// The tables' value of a nuclide as the equations name it: an isomer
// ("134Csm", "38Kxm") as its ground state plus the excitation energy, so
// that it anchors and is compared like any other.
std::optional<TableMass> table_value(const MassTable& table, const NubaseTable* properties,
                                     const Nuclide& nuclide) {
  const std::optional<StateName> state = state_of_symbol(nuclide.symbol);
  if (!state || state->letter == ' ') return table.find(nuclide.A, nuclide.symbol);
  std::string why_not;
  return state_table_mass(table, properties, nuclide.A, *state, why_not);
}

}  // namespace

TiedNuclides tied_nuclides(const std::vector<TiedEquation>& equations, const MassTable& table,
                           const NubaseTable* properties) {
  TiedNuclides tied;
  for (const TiedEquation& equation : equations) {
    tied.index.emplace(equation.measured, 0);
    tied.index.emplace(equation.reference, 0);
  }
  // A molecule the table lacks, whose formula's isotopes the table holds,
  // becomes the sum of its atoms; the atoms are added to the nuclides.
  std::map<Nuclide, std::vector<Isotope>> molecules;
  for (const auto& [nuclide, at] : tied.index) {
    if (table.find(nuclide.A, nuclide.symbol) || is_element(nuclide.symbol)) continue;
    const std::vector<Atoms> atoms = formula_atoms(nuclide.symbol);
    if (atoms.empty()) continue;
    if (auto isotopes = molecule_isotopes(atoms, nuclide.A, table))
      molecules.emplace(nuclide, std::move(*isotopes));
  }
  for (const auto& [molecule, isotopes] : molecules) {
    for (const Isotope& isotope : isotopes)
      tied.index.emplace(Nuclide{isotope.A, isotope.element}, 0);
  }
  std::size_t k = 0;
  for (auto& [nuclide, at] : tied.index) {
    at = k++;
    tied.nuclides.push_back({nuclide, table_value(table, properties, nuclide), {}});
  }
  for (const auto& [molecule, isotopes] : molecules) {
    TiedNuclide& sum = tied.nuclides[tied.index.at(molecule)];
    for (const Isotope& isotope : isotopes)
      sum.atoms.emplace_back(tied.index.at(Nuclide{isotope.A, isotope.element}), isotope.count);
  }
  const auto mark = [&](bool TiedNuclide::*role, std::size_t at) {
    tied.nuclides[at].*role = true;
    for (const auto& [atom, count] : tied.nuclides[at].atoms) tied.nuclides[atom].*role = true;
  };
  for (const TiedEquation& equation : equations) {
    const std::size_t m = tied.index.at(equation.measured);
    const std::size_t r = tied.index.at(equation.reference);
    if (m == r) continue;
    mark(&TiedNuclide::measured, m);
    mark(&TiedNuclide::referenced, r);
  }
  return tied;
}

void add_term(const TiedNuclides& tied, Terms& terms, std::size_t k, double coefficient) {
  if (!tied.nuclides[k].atoms.empty()) {
    for (const auto& [atom, count] : tied.nuclides[k].atoms)
      add_term(tied, terms, atom, coefficient * count);
    return;
  }
  for (auto& [at, sum] : terms) {
    if (at == k) {
      sum += coefficient;
      return;
    }
  }
  terms.emplace_back(k, coefficient);
}

bool coefficient_can_cancel(const TiedEquation& equation) {
  return equation.measured == equation.reference ||
         !formula_atoms(equation.measured.symbol).empty() ||
         !formula_atoms(equation.reference.symbol).empty();
}

Terms equation_terms(const TiedNuclides& tied, const TiedEquation& equation) {
  Terms terms;
  add_term(tied, terms, tied.index.at(equation.measured), 1.0);
  add_term(tied, terms, tied.index.at(equation.reference), -equation.G);
  std::erase_if(terms, [](const auto& term) { return term.second == 0.0; });
  std::sort(terms.begin(), terms.end());
  return terms;
}

std::vector<LooseGroup> anchor_by_references(const TiedNuclides& tied,
                                             const std::vector<Terms>& equations,
                                             std::vector<bool>& anchored) {
  const std::size_t n = tied.nuclides.size();
  for (std::size_t k = 0; k < n; ++k) {
    const TiedNuclide& nuclide = tied.nuclides[k];
    if (nuclide.atoms.empty() && !is_carbon_12(nuclide.nuclide) && nuclide.referenced &&
        !nuclide.measured && nuclide.table)
      anchored[k] = true;
  }
  // A connected group in which every nuclide is also measured has no
  // reference-only nuclide to anchor it.
  std::vector<const Terms*> data;
  for (const Terms& terms : equations) data.push_back(&terms);
  std::vector<bool> roots(n, false);
  for (std::size_t k = 0; k < n; ++k)
    roots[k] = anchored[k] || is_carbon_12(tied.nuclides[k].nuclide);
  const Groups groups = groups_of(n, data, roots);
  std::map<std::size_t, LooseGroup> loose;
  for (std::size_t k = 0; k < n; ++k) {
    if (tied.nuclides[k].atoms.empty() && !groups.determined[k])
      loose[groups.group[k]].members.push_back(k);
  }
  std::vector<LooseGroup> anchored_groups;
  for (auto& [root, group] : loose) {
    for (const std::size_t k : group.members) {
      const TiedNuclide& nuclide = tied.nuclides[k];
      if (nuclide.referenced && nuclide.table && !nuclide.table->estimated) {
        anchored[k] = true;
        group.anchored.push_back(k);
      }
    }
    if (!group.anchored.empty()) anchored_groups.push_back(std::move(group));
  }
  return anchored_groups;
}

std::vector<bool> determined_nuclides(std::size_t nuclides, const std::vector<const Terms*>& data,
                                      const std::vector<bool>& fixed) {
  return groups_of(nuclides, data, fixed).determined;
}

std::vector<std::vector<std::size_t>> undetermined_groups(
    const TiedNuclides& tied, const std::vector<TiedEquation>& equations) {
  const std::size_t n = tied.nuclides.size();
  std::vector<Terms> terms;
  for (const TiedEquation& equation : equations) terms.push_back(equation_terms(tied, equation));
  std::vector<bool> anchored(n, false);
  anchor_by_references(tied, terms, anchored);
  std::vector<Terms> anchors;
  std::vector<bool> fixed(n, false);
  for (std::size_t k = 0; k < n; ++k) {
    if (anchored[k]) anchors.push_back({{k, 1.0}});
    fixed[k] = is_carbon_12(tied.nuclides[k].nuclide);
  }
  std::vector<const Terms*> data;
  for (const Terms& t : terms) data.push_back(&t);
  for (const Terms& t : anchors) data.push_back(&t);
  const Groups groups = groups_of(n, data, fixed);
  std::map<std::size_t, std::vector<std::size_t>> loose;
  std::vector<std::size_t> order;
  for (std::size_t k = 0; k < n; ++k) {
    if (!tied.nuclides[k].atoms.empty() || groups.determined[k]) continue;
    std::vector<std::size_t>& members = loose[groups.group[k]];
    if (members.empty()) order.push_back(groups.group[k]);
    members.push_back(k);
  }
  std::vector<std::vector<std::size_t>> undetermined;
  for (const std::size_t root : order) undetermined.push_back(std::move(loose[root]));
  return undetermined;
}

}  // namespace nuclides
