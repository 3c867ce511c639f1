// binding_row_effect.cpp - which equations lean on a row, and how hard.
#include "check/binding_row_effect.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace check {

namespace {

std::pair<std::uint32_t, std::int32_t> key_of(const conversion::Symbol& symbol,
                                              std::int32_t charge) {
  std::uint32_t bytes = 0;
  std::memcpy(&bytes, symbol.data(), sizeof bytes);
  return {bytes, charge};
}

}  // namespace

void RowEffects::add(const conversion::Symbol& symbol, std::int32_t charge, double weight,
                     double U) {
  weight = std::fabs(weight);
  if (!std::isfinite(weight)) return;
  // The row is used even where its energy cancels (weight 0).
  const double per_U = weight == 0.0                 ? 0.0
                       : U > 0.0 && std::isfinite(U) ? weight / U
                                                     : std::numeric_limits<double>::infinity();
  Use& use = uses_[key_of(conversion::normalised_symbol(symbol), charge)];
  if (per_U >= use.weight_per_U) use = {per_U, weight, U};
}

void RowEffects::equation_uses(const conversion::Symbol& reference_symbol,
                               std::int32_t reference_charge,
                               const conversion::Symbol& measured_symbol,
                               std::int32_t measured_charge, double k, double U) {
  const conversion::Symbol ref = conversion::normalised_symbol(reference_symbol);
  const conversion::Symbol meas = conversion::normalised_symbol(measured_symbol);
  // One row for both ions (a null equation): its energy enters as (k - 1) E.
  if (ref == meas && reference_charge == measured_charge) {
    add(ref, reference_charge, k - 1.0, U);
    return;
  }
  add(ref, reference_charge, k, U);
  add(meas, measured_charge, 1.0, U);
}

std::optional<RowEffects::Effect> RowEffects::effect(const conversion::Symbol& symbol,
                                                     std::int32_t charge, double difference) const {
  const auto found = uses_.find(key_of(symbol, charge));
  if (found == uses_.end()) return std::nullopt;
  const Use& use = found->second;
  return Effect{std::fabs(difference) * use.weight, use.U};
}

}  // namespace check
