// make_table.h - the rows of "ionization.data" for the ions of
// "vemo.freq", made from the shipped binding energies (--make-table).
//
// One row per element and charge state that a reference or measurement
// line uses, in the free-form shape the converter reads (Z 'Sym' q energy),
// the isomer letter dropped as the converter's lookup drops it, the total
// binding energy with the digits the source gives. A molecule or a symbol
// the data does not know gets no invented value: it is a finding that says
// what its row needs.
#pragma once

#include <string>

#include "check/check_context.h"

namespace check {

struct MadeTable {
  std::string rows;  // the file's bytes
  int row_count = 0;
  int ions_without_row = 0;
};

// Reads the measurements file connected on `context.freq.unit` with the
// converter's walk and makes the rows from `*context.binding`. Ions that
// get no row, and a line the walk cannot read, are findings in
// `context.diagnostics`; a file that cannot be read to its end sets
// `context.unreadable`. `table_name` is the file the rows are for, named
// in a finding about rows the converter would not load.
MadeTable make_table_rows(CheckContext& context, const std::string& table_name);

}  // namespace check
