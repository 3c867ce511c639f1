// undetermined_groups.cpp - the groups the measurements leave without an anchor.
#include "check/undetermined_groups.h"

#include <algorithm>
#include <functional>
#include <string>
#include <tuple>

namespace check {

std::size_t EquationNetwork::Hash::operator()(const nuclides::Nuclide& nuclide) const {
  return std::hash<std::string>{}(nuclide.symbol) * 1021 + static_cast<std::size_t>(nuclide.A);
}

std::size_t EquationNetwork::Hash::operator()(const nuclides::TiedEquation& equation) const {
  return (*this)(equation.measured) * 31 + (*this)(equation.reference);
}

bool EquationNetwork::Same::operator()(const nuclides::TiedEquation& a,
                                       const nuclides::TiedEquation& b) const {
  return a.measured == b.measured && a.reference == b.reference && a.G == b.G;
}

void EquationNetwork::add(nuclides::TiedEquation equation, std::int64_t line, std::int32_t column,
                          std::string_view text) {
  for (const nuclides::Nuclide* named : {&equation.measured, &equation.reference}) {
    if (!first_line_.contains(*named))
      first_line_.emplace(*named, FirstLine{line, column, std::string(text)});
  }
  // Every equation of two nuclides that cannot cancel ties them alike: one
  // stands for all of them.
  if (!nuclides::coefficient_can_cancel(equation)) equation.G = 1.0;
  equations_.insert(std::move(equation));
}

Findings EquationNetwork::findings(const nuclides::MassTable& masses,
                                   const nuclides::NubaseTable* properties,
                                   std::string_view freq) const {
  // In one order whatever the hashing: the rule's words name nuclides in order.
  std::vector<nuclides::TiedEquation> equations(equations_.begin(), equations_.end());
  std::sort(equations.begin(), equations.end(), [](const auto& a, const auto& b) {
    return std::tie(a.measured, a.reference, a.G) < std::tie(b.measured, b.reference, b.G);
  });
  const nuclides::TiedNuclides tied = nuclides::tied_nuclides(equations, masses, properties);
  Findings findings;
  for (const std::vector<std::size_t>& group : nuclides::undetermined_groups(tied, equations)) {
    // The first line that names a nuclide of the group, itself or as an
    // atom of its molecule: all its nuclides are then in the group.
    const FirstLine* first = nullptr;
    for (const auto& [named, at] : first_line_) {
      nuclides::Terms terms;
      nuclides::add_term(tied, terms, tied.index.at(named), 1.0);
      const bool member = std::any_of(terms.begin(), terms.end(), [&](const auto& term) {
        return std::find(group.begin(), group.end(), term.first) != group.end();
      });
      if (member && (first == nullptr || at.line < first->line)) first = &at;
    }
    if (first == nullptr) continue;
    std::string names;
    for (const std::size_t k : group) {
      if (!names.empty()) names += ", ";
      names += tied.nuclides[k].nuclide.name();
    }
    findings.push_back(LinePlace{std::string(freq), first->line, first->text}
                           .at(first->column, FindingKind::undetermined_group)
                           .with("nuclides", names)
                           .count("count", static_cast<std::int64_t>(group.size()))
                           .choice("many", group.size() > 1 ? 1 : 0));
  }
  return findings;
}

}  // namespace check
