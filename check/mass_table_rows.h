// mass_table_rows.h - the rows of the mass table the load leaves out.
//
// A mass table of one's own may have rows that cannot be used (not a row of
// numbers, a symbol that is no element, a nuclide given twice): each is a
// finding at its line, and the comparison goes on without it.
#pragma once

#include <string>

#include "check/check_context.h"
#include "nuclides/mass_table.h"
#include "nuclides/nubase_table.h"

namespace check {

// Loads `masses` from `path` and places a finding for every row left out,
// even when the table as a whole cannot be used. Returns false with a
// one-line reason in `error` then.
bool load_mass_table(nuclides::MassTable& masses, const std::string& path, CheckContext& context,
                     std::string& error);

// The same for the table of nuclear properties (nubase-table-row).
bool load_nubase_table(nuclides::NubaseTable& properties, const std::string& path,
                       CheckContext& context, std::string& error);

}  // namespace check
