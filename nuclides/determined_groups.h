// determined_groups.h - which nuclides a set of equations ties to an
// absolute value: the adjustment's rule, which the checker applies before
// any adjustment runs, so that both say the same.
//
// An equation ME(measured) - G * ME(reference) = V ties the nuclides it
// names into one group; a molecule the mass table lacks (28CO) stands for
// its atoms (12C + 16O). A group is determined when it holds 12C (0 by the
// definition of the unit) or an anchored nuclide, or when one of its data
// measures a single nuclide (an anchor, or an equation whose other side
// cancels). The references anchor by default: a nuclide that is only a
// reference is anchored at its table value, and a group in which every
// nuclide is also measured (a reciprocal pair, a loop) is anchored by its
// references' measured table values, since those are what the
// measurements were made against; an estimated value (from systematics)
// anchors only when asked for. A group left without an anchor is
// undetermined: the adjustment leaves it out.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "nuclides/mass_table.h"
#include "nuclides/nubase_table.h"
#include "nuclides/nuclide.h"

namespace nuclides {

// The nuclides a datum measures, each with its coefficient.
using Terms = std::vector<std::pair<std::size_t, double>>;

// An equation as the rule sees it: which nuclides, and G.
struct TiedEquation {
  Nuclide measured;
  Nuclide reference;
  double G = 0.0;
};

struct TiedNuclide {
  Nuclide nuclide;
  // The tables' value: an isomer's is its ground state's plus E*.
  std::optional<TableMass> table;
  // A molecule the table lacks: its atoms (indices) and how many of each;
  // empty for an atom.
  std::vector<std::pair<std::size_t, int>> atoms;
  bool measured = false;    // by an equation, or an atom of a measured molecule
  bool referenced = false;  // a reference, or an atom of one
};

struct TiedNuclides {
  std::vector<TiedNuclide> nuclides;  // by mass number, then symbol
  std::map<Nuclide, std::size_t> index;
};

// The nuclides `equations` name, the atoms of their molecules added, with
// the table values of `table` (and, for isomers, `properties`, which may be
// null). An equation of one nuclide against itself measures nothing
// against anything: it marks nothing measured or referenced.
TiedNuclides tied_nuclides(const std::vector<TiedEquation>& equations, const MassTable& table,
                           const NubaseTable* properties);

// Adds nuclide `k` with `coefficient` to `terms`: a molecule as its atoms,
// merged with a term of the same nuclide.
void add_term(const TiedNuclides& tied, Terms& terms, std::size_t k, double coefficient);

// Whether G can change which nuclides `equation` measures: only when a
// nuclide (or an atom) can stand on both sides, where n - G * m may be 0.
// Elsewhere every equation of the same two nuclides ties them alike.
bool coefficient_can_cancel(const TiedEquation& equation);

// The terms of `equation`, merged, sorted by nuclide and without those
// whose coefficient is 0.
Terms equation_terms(const TiedNuclides& tied, const TiedEquation& equation);

// A group that no reference-only nuclide anchors, anchored by its
// references' measured table values.
struct LooseGroup {
  std::vector<std::size_t> members;
  std::vector<std::size_t> anchored;
};

// Anchors (sets `anchored`, by nuclide) every atom that is only a reference
// and has a table value, then the loose groups, which it returns. Atoms
// anchored already (asked for) count as anchors of their groups.
std::vector<LooseGroup> anchor_by_references(const TiedNuclides& tied,
                                             const std::vector<Terms>& equations,
                                             std::vector<bool>& anchored);

// For every nuclide, whether `data` (the terms of each datum taken, anchors
// included as data of one term) and the `fixed` nuclides determine it. A
// molecule is no nuclide of any group: its atoms are.
std::vector<bool> determined_nuclides(std::size_t nuclides, const std::vector<const Terms*>& data,
                                      const std::vector<bool>& fixed);

// The groups of atoms that `equations` leave undetermined when nothing
// but the references anchors (as an adjustment asked for no anchor does):
// each group's members by index, the groups in the order of their first
// member.
std::vector<std::vector<std::size_t>> undetermined_groups(
    const TiedNuclides& tied, const std::vector<TiedEquation>& equations);

}  // namespace nuclides
