// table_comparison.h - one mass excess of the file beside the mass table.
//
// An element is compared with its own table value, an isomer with its
// ground state (it must lie above it), a molecule with the sum of its atoms'
// values (it may lie below by its dissociation energy). What does not fit
// is a finding on the line; what cannot be compared says why in the listing.
#pragma once

#include <string>
#include <vector>

#include "check/check_context.h"
#include "cli/diagnostics.h"
#include "nuclides/mass_table.h"
#include "nuclides/symbols.h"

namespace check {

// Sets `entry.table` (with `compared_with` when it is not the nuclide's own
// value) or `entry.not_compared`, from `entry.A`, `entry.kind` and the
// symbol's `meaning`.
void find_table_value(Compared& entry, const nuclides::SymbolMeaning& meaning,
                      const nuclides::MassTable& masses);

struct TableFinding {
  enum class Field { mass_number, symbol, value, uncertainty };
  cli::Severity severity = cli::Severity::warning;
  Field field = Field::value;
  std::string message;
};

// What the comparison of a filled `entry` reveals: a value far from the
// table, an isomer letter that is a slip or an impossible isomer, a molecule
// off its atoms, a nuclide the table does not know, a reference uncertainty
// far from the table's.
std::vector<TableFinding> table_findings(const Compared& entry,
                                         const nuclides::SymbolMeaning& meaning);

}  // namespace check
