// mass_table_comparison.h - one mass excess of the measurements file beside
// the mass table.
//
// An element is compared with its own table value, an isomer with its
// ground state (it must lie above it), a molecule with the sum of its atoms'
// values (it may lie below by its dissociation energy). What does not fit
// is a finding on the line; what cannot be compared says why in the listing.
#pragma once

#include <string>
#include <vector>

#include "check/check_context.h"
#include "check/finding.h"
#include "nuclides/mass_table.h"
#include "nuclides/symbols.h"

namespace check {

// Sets `entry.table` (with `compared_with` when it is not the nuclide's own
// value) or `entry.not_compared`, from `entry.A`, `entry.kind` and the
// symbol's `meaning`.
void find_table_value(Compared& entry, const nuclides::SymbolMeaning& meaning,
                      const nuclides::MassTable& masses);

// The columns of a line's fields that the findings point at.
struct ComparedColumns {
  std::int32_t mass_number = 1;
  std::int32_t symbol = 5;
  std::int32_t value = 13;
  std::int32_t uncertainty = 34;
};

// What the comparison of a filled `entry` reveals: a value far from the
// table, an isomer letter that is a slip or an impossible isomer, a molecule
// off its atoms, a nuclide the table does not know, a reference uncertainty
// far from the table's.
// Found on the line at `place`, in the columns of its fields.
Findings mass_table_findings(const Compared& entry, const nuclides::SymbolMeaning& meaning,
                             const LinePlace& place, const ComparedColumns& columns);

}  // namespace check
