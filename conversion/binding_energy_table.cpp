// binding_energy_table.cpp - loading and looking up the binding energies.
#include "conversion/binding_energy_table.h"

#include <cmath>
#include <cstring>

#include "conversion/constants.h"
#include "recordio/input_editing.h"

namespace conversion {

void BindingEnergyTable::load(std::int32_t unit) {
  n_ = 0;
  for (int i = 1;; ++i) {
    TableRow& row = rows_[static_cast<std::size_t>(i - 1)];
    std::int32_t status = 0;
    recordio::StatementRequest request;
    request.unit = unit;
    request.transfer = recordio::Transfer::free_form;
    request.status = &status;
    // The outcomes need no test: with only a status variable every step
    // finishes, and the status says how the row went.
    recordio::begin_read(request);
    recordio::read_item(request, recordio::InputItem::of(row.table_number));
    recordio::read_item(request, recordio::InputItem::text(row.table_symbol.data(), 4));
    recordio::read_item(request, recordio::InputItem::of(row.table_charge));
    recordio::read_item(request, recordio::InputItem::of(row.table_energy));
    recordio::end_read(request);
    // eV to keV, then keV to micro-u, in that order. The row that met end of
    // file is converted too; it is not counted.
    row.table_energy = row.table_energy * 0.001 / kev_per_micro_u;
    if (status < 0) {
      n_ = i - 1;
      return;
    }
    if (i == capacity) {
      n_ = capacity;
      return;
    }
  }
}

Symbol normalised_symbol(Symbol symbol) {
  if (symbol[2] == 'm' || symbol[2] == 'n' || symbol[2] == 'x') {
    symbol[2] = symbol[3];
    symbol[3] = ' ';
    if (symbol[1] == 'x') {
      symbol[1] = symbol[2];
      symbol[2] = ' ';
    }
  }
  return symbol;
}

BindingEnergyTable::Energies BindingEnergyTable::look_up(const Symbol& reference_symbol,
                                                         std::int32_t reference_charge,
                                                         const Symbol& measured_symbol,
                                                         std::int32_t measured_charge) const {
  // Two blank-padded 4-character symbols are equal after dropping trailing
  // blanks exactly when their four bytes are equal. Scanning from the end
  // and stopping at the first match gives the last matching row.
  const Symbol reference = normalised_symbol(reference_symbol);
  const Symbol measured = normalised_symbol(measured_symbol);
  Energies energies;
  bool reference_found = false;
  bool measured_found = false;
  for (int i = n_; i >= 1 && !(reference_found && measured_found); --i) {
    const TableRow& candidate = rows_[static_cast<std::size_t>(i - 1)];
    if (!reference_found && candidate.table_charge == reference_charge &&
        candidate.table_symbol == reference) {
      energies.reference = candidate.table_energy;
      reference_found = true;
    }
    if (!measured_found && candidate.table_charge == measured_charge &&
        candidate.table_symbol == measured) {
      energies.measured = candidate.table_energy;
      measured_found = true;
    }
  }
  return energies;
}

}  // namespace conversion
