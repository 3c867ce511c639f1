// physical_limits.h - the bounds that tell a slip from a measurement.
//
// Every number here is where a finding starts; each says where it comes
// from, so a reader can judge whether it still holds. Mass excesses are in
// micro-u, as in "vemo.freq".
#pragma once

#include "conversion/constants.h"

namespace nuclides {

// The 2020 table spans -98,393 (118Sn) to +216,178 micro-u (295Og).
// Beyond +/-300,000 a value is
// no mass excess at all: typically a ratio read as a reference after an
// extra NEW line.
inline constexpr double mass_excess_limit = 300000.0;

// An equation ME(measured) - G * ME(reference) = V (U) as the adjustment
// reads it. G is the ratio of two mass numbers, and no nuclide's mass
// number exceeds 300 (the heaviest known is below 300), so neither does G.
// V is a difference of two mass excesses, so it lies within
// mass_excess_limit * (1 + |G|). The most precise frequency ratios (about
// 1e-12 relative, below) on the lightest reference (1 u, 10^6 micro-u) give
// a U of 1e-6 micro-u, under the last of the 5 decimals the equation record
// keeps: the smallest U the converter writes is 0.00001 micro-u, and 0.00000
// says it had none. The least precise masses from frequency ratios
// (short-lived nuclides, storage rings) reach a few hundred keV: a U above
// 1000 micro-u (931 keV) is no such measurement, and more than its field
// (F9.5) holds.
inline constexpr double largest_mass_number_ratio = 300.0;
inline constexpr double smallest_equation_uncertainty = 1.0e-5;
inline constexpr double largest_equation_uncertainty = 1000.0;

// The mass excess per nucleon, ME/A in micro-u per u, over the 2020 table:
// lowest -1161.87 (56Fe), highest 4705.50 among A >= 12 (13Li) and
// 10258.33 among the light nuclides (3Li). Rounded outwards; the test
// physical_limits_test checks them against data/mass-excess-2020.csv.
inline constexpr double lowest_excess_per_nucleon = -1162.0;
inline constexpr double highest_excess_per_nucleon = 4706.0;
inline constexpr double highest_excess_per_nucleon_light = 10259.0;
inline constexpr int light_mass_number = 12;  // below it the light bound holds

// The electron binding energies add at most a few micro-u per u: a bare
// uranium ion has lost about 760 keV of binding, 817 micro-u over 238 u.
// The molecular dissociation energy (below 12 eV, 0.013 micro-u) is lost in
// the same margin.
inline constexpr double binding_energy_per_nucleon = 4.0;

// A measurement's relative uncertainty (sigma over ratio) more than this
// factor from the median of its block's. One block is one reference and
// mostly one setup, whose precisions agree within a factor of a few; real
// files mix precisions within about a factor 30, and a file may join blocks
// 10^4 apart (1e-11 on highly charged ions, 1e-7 on a short-lived nuclide).
// A factor 100 leaves three times the usual mix and still catches a slip of
// a factor 1000 (three decimal places) in a block whose precisions agree
// within a factor 10. A block of fewer than three has no median of its own:
// it is held to the blocks of its kind (the same reference, else the same
// charge regime), never to a file median that mixes campaigns.
inline constexpr double relative_uncertainty_factor = 100.0;
inline constexpr int fewest_in_a_median = 3;

// Charge states from this one on count as highly charged ions for the
// precision they are measured at: on-line Penning traps measure singly and
// doubly charged ions, at 1e-7 to 1e-10; ions of 3+ and more come from an
// electron-beam ion source or are bare light ions in cryogenic traps,
// measured at 1e-10 to a few 1e-12.
inline constexpr int highly_charged = 3;

// The best published Penning-trap mass ratios reach a few 1e-12 relative
// (highly charged ions in cryogenic multi-trap setups, e.g. the 187Re/187Os
// Q-value at 29+ and the 3H/3He ratio, each about 4e-12 to 1e-11). Below
// 1e-12 a ratio is more precise than any measurement yet: a digit of its
// uncertainty has most likely been lost.
inline constexpr double smallest_relative_uncertainty = 1.0e-12;

// A reference uncertainty this factor or more above the table's has
// probably lost a digit (a warning); one below it by more than the same
// factor is a newer, more precise value or a slip (a note only). A slip of
// one decimal place gives the factor exactly, so it counts.
inline constexpr double reference_uncertainty_factor = 10.0;

// A difference from the table beyond this many combined standard deviations
// is a finding: three leaves 0.3 % of good values out by chance.
inline constexpr double sigma_limit = 3.0;

// Isomers lie above their ground state; none known lies more than about
// 10 MeV above it (the highest spin traps are a few MeV).
inline constexpr double isomer_excitation_limit = 10000.0 / conversion::kev_per_micro_u;

// A molecule's mass excess may hold its dissociation energy, at most about
// 12 eV (the triple bond of CO is 11.1 eV), below the sum of its atoms'.
inline constexpr double micro_u_per_ev = 1.0e-3 / conversion::kev_per_micro_u;
inline constexpr double dissociation_limit = 12.0 * micro_u_per_ev;

}  // namespace nuclides
