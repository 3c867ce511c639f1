// compared.h - the mass excesses of a file set beside the mass table's: one
// entry as the rules and the listing use it, and the file's entries kept in
// a compact form until the listing is printed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "conversion/binding_energy_table.h"
#include "nuclides/mass_table.h"
#include "nuclides/symbols.h"

namespace check {

// One mass excess set beside the table's.
struct Compared {
  std::int64_t line = 0;
  int block = 0;
  bool reference = false;
  std::string nuclide;  // mass number and symbol as written, "133Cs"
  std::int32_t A = 0;
  std::int32_t charge = 0;  // of the ion on the line
  nuclides::SymbolKind kind =
      nuclides::SymbolKind::element;  // isomer and molecule are compared apart
  bool corrected = true;  // the binding-energy correction was made (both energies found)
  double value = 0.0;     // micro-u, as the converter computes it
  double sigma = 0.0;
  // The binding-energy correction in the value and, when the shipped data
  // has both ions, its uncertainty; both micro-u.
  double correction = 0.0;
  std::optional<double> correction_sigma;
  // The table's value to compare with: the nuclide's own; for an isomer its
  // ground state, for a molecule the sum of its atoms' values, when known.
  std::optional<nuclides::TableMass> table;
  // What the table value is when not the nuclide's own: "ground state
  // 134Cs", "12C+16O".
  std::string compared_with;
  std::string not_compared;  // why there is no table value
  double difference() const { return value - table->mass_excess; }
  double combined_sigma() const;
  double sigmas() const;  // difference / combined sigma
};

// Every line's entry of a file, in the order of its lines. A file may hold
// millions of lines and the listing aligns its columns over all of them, so
// each entry is kept as the numbers the walk computed (56 bytes) and an
// index into the nuclides the file names, each with its table value looked
// up once.
class ComparedRows {
 public:
  // `entry` as the walk filled it, the line's symbol as written; the table
  // value of a nuclide not seen before is looked up in `masses`.
  void add(const Compared& entry, const conversion::Symbol& symbol,
           const nuclides::MassTable& masses);
  std::size_t size() const { return rows_.size(); }
  bool empty() const { return rows_.empty(); }
  // Entry `index` whole.
  Compared at(std::size_t index) const;
  // Every entry whole, for a picture or a JSON document.
  std::vector<Compared> all() const;

  // What follows from a line's mass number and symbol alone: the table
  // value of a finite value (find_table_value), looked up in a mass table
  // the first time the nuclide is seen.
  struct Nuclide {
    std::int32_t A = 0;
    std::string nuclide;
    nuclides::SymbolKind kind = nuclides::SymbolKind::element;
    std::optional<nuclides::TableMass> table;
    std::string compared_with;
    std::string not_compared;
  };
  // Sets what `entry` is compared with as find_table_value does, from the
  // nuclide's record.
  void find_table_value(Compared& entry, const conversion::Symbol& symbol,
                        const nuclides::MassTable& masses);

 private:
  static void take_table_value(Compared& entry, const Nuclide& known);
  std::uint32_t index_of(std::int32_t A, const conversion::Symbol& symbol,
                         const nuclides::MassTable& masses);
  struct Row {
    std::int64_t line = 0;
    double value = 0.0;
    double sigma = 0.0;
    double correction = 0.0;
    double correction_sigma = 0.0;
    std::int32_t block = 0;
    std::int32_t charge = 0;
    std::uint32_t nuclide = 0;  // in nuclides_
    bool reference = false;
    bool corrected = false;
    bool has_correction_sigma = false;
  };
  // Blocks of rows, never moved as the file grows.
  std::deque<Row> rows_;
  std::vector<Nuclide> nuclides_;
  // By mass number and symbol bytes.
  std::unordered_map<std::uint64_t, std::uint32_t> nuclide_index_;
};

}  // namespace check
