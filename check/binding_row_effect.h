// binding_row_effect.h - how far a row of "ionization.data" moves the
// equations of "vemo.freq" that use it.
//
// A row that differs from the shipped total is a slip only when it matters:
// another edition of the data, or a value rounded a digit earlier, may lie
// outside the shipped uncertainty and still move no equation by anything
// its U would notice. The rows are read before the measurements, so what a
// row does is known only once the walk has seen every equation: the walk
// records here which rows each equation leans on and how hard, and the
// rows' findings are judged afterwards.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <utility>

#include "conversion/binding_energy_table.h"

namespace check {

class RowEffects {
 public:
  // An equation made with the correction C = k E_ref - E_meas (both rows
  // found) and uncertainty U, in micro-u. Its rows are those the converter
  // finds for the two ions (an isomer letter dropped).
  void equation_uses(const conversion::Symbol& reference_symbol, std::int32_t reference_charge,
                     const conversion::Symbol& measured_symbol, std::int32_t measured_charge,
                     double k, double U);

  struct Effect {
    double shift = 0.0;  // micro-u: the largest move of an equation's value
    double U = 0.0;      // micro-u: the U of that equation
    bool matters() const { return !(shift <= U / 10.0); }
  };
  // What a row of `symbol` (as written in the row) and `charge` whose
  // energy is `difference` micro-u off does to the equations that use it;
  // none when no equation uses it.
  std::optional<Effect> effect(const conversion::Symbol& symbol, std::int32_t charge,
                               double difference) const;

 private:
  // The row's weight in an equation's value per unit of that equation's U:
  // the largest |dC/dE| / U over the equations, with that equation's
  // |dC/dE| and U. A U of zero or less leans on the row without limit.
  struct Use {
    double weight_per_U = 0.0;
    double weight = 0.0;
    double U = 0.0;
  };
  void add(const conversion::Symbol& symbol, std::int32_t charge, double weight, double U);
  std::map<std::pair<std::uint32_t, std::int32_t>, Use> uses_;
};

}  // namespace check
