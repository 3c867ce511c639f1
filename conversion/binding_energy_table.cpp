// binding_energy_table.cpp - loading and looking up the binding energies.
#include "conversion/binding_energy_table.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>

#include "conversion/constants.h"
#include "recordio/input_editing.h"

namespace conversion {

void BindingEnergyTable::load(std::int32_t unit, TableLoadObserver* observer) {
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
    const recordio::InputItem items[] = {recordio::InputItem::of(row.table_number),
                                         recordio::InputItem::text(row.table_symbol.data(), 4),
                                         recordio::InputItem::of(row.table_charge),
                                         recordio::InputItem::of(row.table_energy)};
    for (int value = 0; value < 4; ++value) {
      recordio::read_item(request, items[value]);
      if (observer != nullptr) observer->value_read(i, value, row, status);
    }
    recordio::end_read(request);
    // The row that met end of file is converted too; it is not counted.
    row.table_energy = micro_u_from_ev(row.table_energy);
    if (observer != nullptr) observer->row_read(i, row, status);
    const bool stopped = observer != nullptr && !observer->keep_loading();
    if (status < 0 || i == capacity || stopped) {
      n_ = status < 0 ? i - 1 : i;
      build_index();
      return;
    }
  }
}

double micro_u_from_ev(double ev) { return ev * 0.001 / kev_per_micro_u; }

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

// Two blank-padded 4-character symbols are equal after dropping trailing
// blanks exactly when their four bytes are equal, so the bytes are the key.
BindingEnergyTable::Key BindingEnergyTable::key_of(const Symbol& symbol, std::int32_t charge) {
  std::uint32_t bytes = 0;
  std::memcpy(&bytes, symbol.data(), sizeof bytes);
  return {bytes, charge};
}

void BindingEnergyTable::build_index() {
  index_size_ = 0;
  for (int i = 0; i < n_; ++i) {
    const TableRow& row = rows_[static_cast<std::size_t>(i)];
    index_[static_cast<std::size_t>(index_size_++)] = {key_of(row.table_symbol, row.table_charge),
                                                       row.table_energy};
  }
  const auto first = index_.begin();
  const auto last = first + index_size_;
  // Stable, so that among equal keys the rows keep file order and the last
  // one can be kept.
  std::stable_sort(first, last,
                   [](const IndexEntry& a, const IndexEntry& b) { return a.key < b.key; });
  int kept = 0;
  for (int i = 0; i < index_size_; ++i) {
    const bool last_of_key = i + 1 == index_size_ || index_[static_cast<std::size_t>(i + 1)].key !=
                                                         index_[static_cast<std::size_t>(i)].key;
    if (last_of_key) index_[static_cast<std::size_t>(kept++)] = index_[static_cast<std::size_t>(i)];
  }
  index_size_ = kept;
  slots_.fill(0);
  for (int i = 0; i < index_size_; ++i) {
    std::size_t slot = slot_of(index_[static_cast<std::size_t>(i)].key);
    while (slots_[slot] != 0) slot = (slot + 1) % slot_count;
    slots_[slot] = static_cast<std::int16_t>(i + 1);
  }
}

std::size_t BindingEnergyTable::slot_of(const Key& key) {
  const std::uint32_t mixed =
      key.symbol * 0x9E3779B1u ^ static_cast<std::uint32_t>(key.charge) * 0x85EBCA77u;
  return (mixed ^ (mixed >> 15)) % slot_count;
}

double BindingEnergyTable::find(const Key& key) const {
  for (std::size_t slot = slot_of(key); slots_[slot] != 0; slot = (slot + 1) % slot_count) {
    const IndexEntry& entry = index_[static_cast<std::size_t>(slots_[slot] - 1)];
    if (entry.key == key) return entry.energy;
  }
  return 0.0;
}

// key_of(normalised_symbol(symbol), charge), with the symbol's bytes moved
// within the key itself rather than through a copy of the symbol.
BindingEnergyTable::Key BindingEnergyTable::normalised_key(const Symbol& symbol,
                                                           std::int32_t charge) {
  if constexpr (std::endian::native != std::endian::little) {
    return key_of(normalised_symbol(symbol), charge);
  } else {
    std::uint32_t bytes = 0;
    std::memcpy(&bytes, symbol.data(), sizeof bytes);
    // Character i of the symbol is byte i of the key, counted from the lowest.
    constexpr std::uint32_t last_blank = 0x20000000;
    const auto third = static_cast<char>(bytes >> 16);
    if (third == 'm' || third == 'n' || third == 'x') {
      bytes = (bytes & 0xFFFF) | ((bytes >> 8) & 0xFF0000) | last_blank;
      if (static_cast<char>(bytes >> 8) == 'x') {
        bytes = (bytes & 0xFF) | ((bytes >> 8) & 0xFFFF00) | last_blank;
      }
    }
    return {bytes, charge};
  }
}

BindingEnergyTable::Energies BindingEnergyTable::look_up(const Symbol& reference_symbol,
                                                         std::int32_t reference_charge,
                                                         const Symbol& measured_symbol,
                                                         std::int32_t measured_charge) const {
  return {find(normalised_key(reference_symbol, reference_charge)),
          find(normalised_key(measured_symbol, measured_charge))};
}

}  // namespace conversion
