// nubase_table.h - the table of nuclear ground-state and isomer properties
// in its published fixed-column format (the 2020 edition is shipped).
//
// Lines starting with "#" are the header; every other line is one state:
//   1-3 A, 5-7 Z, 8 i (0 ground state, 1-6 isomers and levels, 8-9 isobaric
//   analogue states), 12-16 A and element, 17 the state's letter (blank
//   for a ground state; m, n, then p, q, r, x; i, j for analogue states),
//   19-31 mass excess and 32-42 its uncertainty (keV), 43-54 excitation
//   energy and 55-65 its uncertainty (keV), 68 "*" when the order of ground
//   state and isomer is uncertain, 69 "&" when it is reversed.
// A value from systematics has "#" for its point; 16 states hold
// "non-exist" for an excitation energy (states once reported and since
// refuted); lines are ragged, a field past a line's end is blank.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "cli/diagnostics.h"
#include "nuclides/mass_table.h"
#include "nuclides/table_identity.h"

namespace nuclides {

struct TableEnergy {
  double value = 0.0;        // keV
  double uncertainty = 0.0;  // keV
  bool estimated = false;    // from systematics ("#")
};

struct NuclearState {
  std::int32_t A = 0;
  std::int32_t Z = 0;
  std::string element;
  char letter = ' ';  // blank for a ground state
  std::optional<TableEnergy> mass_excess;
  std::optional<TableEnergy> excitation;  // for every state but a ground state
  bool non_existent = false;              // "non-exist" where the energy would be
  bool order_uncertain = false;           // "*": which is the ground state is unsure
  bool order_reversed = false;            // "&": the order is the reverse of ENSDF's
  std::int64_t line = 0;
};

class NubaseTable {
 public:
  // The 2020 table is about 760 KB.
  static constexpr std::size_t size_limit = std::size_t{16} << 20;

  // Reads `path`, named `shown` in findings. A row that cannot be used (a
  // mass number, atomic number or element that does not read, a letter no
  // state has, a number that does not read or a negative uncertainty, a
  // state given twice, a tab that leaves its columns unknown) is a warning
  // at FILE:LINE:COLUMN in `findings` and is left out. Returns false with a
  // one-line reason in `error` when the table cannot be used at all: not
  // readable, over `size_limit`, or without a single usable row.
  bool load(const std::string& path, const std::string& shown, cli::Diagnostics& findings,
            std::string& error);
  // The same, with the rows left out kept in left_out() instead, for a
  // program that reports them its own way; kept also when the load fails.
  bool load(const std::string& path, std::string& error);
  const std::vector<LeftOutRow>& left_out() const { return left_out_; }

  // The state of `element` with mass number `A` and `letter` (blank for the
  // ground state), or nullptr.
  const NuclearState* find(std::int32_t A, const std::string& element, char letter) const;

  // Every state read, by mass number, element and letter.
  using Key = std::tuple<std::int32_t, std::string, char>;
  const std::map<Key, NuclearState>& states() const { return states_; }

  std::size_t ground_states() const { return ground_states_; }
  std::size_t other_states() const { return states_.size() - ground_states_; }
  std::size_t non_existent_states() const { return non_existent_; }
  const TableIdentity& identity() const { return identity_; }

 private:
  std::map<Key, NuclearState> states_;
  std::size_t ground_states_ = 0;
  std::size_t non_existent_ = 0;
  TableIdentity identity_;
  std::vector<LeftOutRow> left_out_;
};

}  // namespace nuclides
