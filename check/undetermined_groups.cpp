// undetermined_groups.cpp - the groups the measurements leave without an anchor.
#include "check/undetermined_groups.h"

#include <algorithm>

namespace check {

Findings undetermined_group_findings(const std::vector<EquationLine>& equations,
                                     const nuclides::MassTable& masses,
                                     const nuclides::NubaseTable* properties,
                                     std::string_view freq) {
  std::vector<nuclides::TiedEquation> tied_equations;
  for (const EquationLine& line : equations) tied_equations.push_back(line.equation);
  const nuclides::TiedNuclides tied = nuclides::tied_nuclides(tied_equations, masses, properties);
  Findings findings;
  for (const std::vector<std::size_t>& group :
       nuclides::undetermined_groups(tied, tied_equations)) {
    // The first line that names a nuclide of the group, itself or as an
    // atom of its molecule: all its nuclides are then in the group.
    const auto names_member = [&](const EquationLine& line) {
      nuclides::Terms terms;
      nuclides::add_term(tied, terms, tied.index.at(line.equation.measured), 1.0);
      nuclides::add_term(tied, terms, tied.index.at(line.equation.reference), 1.0);
      return std::any_of(terms.begin(), terms.end(), [&](const auto& term) {
        return std::find(group.begin(), group.end(), term.first) != group.end();
      });
    };
    const auto first = std::find_if(equations.begin(), equations.end(), names_member);
    if (first == equations.end()) continue;
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
