// binding_energy_table.h - electron binding energies per species and charge.
//
// The table is loaded once from "ionization.data": rows of a number (not
// used), a symbol, a charge state and the binding energy in eV of the
// electrons removed to make that ion, stored here in micro-u.
#pragma once

#include <array>
#include <compare>
#include <cstdint>

namespace conversion {

// A 4-character, blank-padded symbol as read from a file.
using Symbol = std::array<char, 4>;

struct TableRow {
  std::int32_t table_number = 0;
  Symbol table_symbol = {' ', ' ', ' ', ' '};
  std::int32_t table_charge = 0;
  double table_energy = 0.0;  // micro-u
};

// Follows a load value by value, for a program that reports on the table
// rather than only using it. Called while the read is in progress, so the
// current record still holds the line a value came from.
class TableLoadObserver {
 public:
  virtual ~TableLoadObserver() = default;
  // After value `value` (0 number, 1 symbol, 2 charge, 3 energy) of row
  // `index` (1 for the first); `status` is the read's status so far and
  // `row` holds what was read, the energy still in eV.
  virtual void value_read(int index, int value, const TableRow& row, std::int32_t status) = 0;
  // After the row's read has ended and its energy is converted.
  virtual void row_read(int index, const TableRow& row, std::int32_t status) = 0;
  // Asked after each row: false ends the load there, the row just read
  // counted. A reporting program stops at a failure it cannot report past;
  // the converter itself has no observer and always reads on.
  virtual bool keep_loading() const { return true; }
};

class BindingEnergyTable {
 public:
  static constexpr int capacity = 450;

  // Reads rows from the connected unit until end of file or 450 rows. A row
  // with bad data keeps its place with what was read of it; nothing stops
  // the run. `observer`, when given, sees every value and row as it is read.
  void load(std::int32_t unit, TableLoadObserver* observer = nullptr);

  // The energies of the two ions, 0.0 where no row matches. Symbols are
  // normalised (an isomer letter dropped) before they are compared; a
  // later matching row wins over an earlier one.
  struct Energies {
    double reference = 0.0;
    double measured = 0.0;
  };
  Energies look_up(const Symbol& reference_symbol, std::int32_t reference_charge,
                   const Symbol& measured_symbol, std::int32_t measured_charge) const;

  int size() const { return n_; }
  const TableRow& row(int index) const { return rows_[static_cast<std::size_t>(index - 1)]; }

 private:
  // One entry per distinct (symbol, charge), holding the energy of the last
  // row with that key, so that a lookup gives what a scan of every row with
  // the last match winning gives; the entries are found through a hash of
  // the key, one or two probes instead of a search per measurement.
  struct Key {
    std::uint32_t symbol;
    std::int32_t charge;
    friend auto operator<=>(const Key&, const Key&) = default;
  };
  struct IndexEntry {
    Key key;
    double energy;
  };
  static Key key_of(const Symbol& symbol, std::int32_t charge);
  static Key normalised_key(const Symbol& symbol, std::int32_t charge);
  static std::size_t slot_of(const Key& key);
  void build_index();
  double find(const Key& key) const;

  // More than twice the entries there can be, a power of two.
  static constexpr std::size_t slot_count = 1024;

  std::array<TableRow, capacity> rows_{};
  int n_ = 0;
  std::array<IndexEntry, capacity> index_{};
  int index_size_ = 0;
  std::array<std::int16_t, slot_count> slots_{};  // entry + 1; 0 for a free slot
};

// An energy of a row, in eV, as the load stores it in micro-u: eV to keV,
// then keV to micro-u, in that order. A program that compares energies
// with the converter's converts them through this.
double micro_u_from_ev(double ev);

// The symbol as it is compared with the table: an isomer or excitation
// marker "m", "n" or "x" in column 3 is removed (Rbm -> Rb), and then an "x"
// in column 2 as well (Hxm -> H).
Symbol normalised_symbol(Symbol symbol);

}  // namespace conversion
