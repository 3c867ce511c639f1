// correction_uncertainty.cpp - the correction's uncertainty from the totals'.
#include "check/correction_uncertainty.h"

#include <algorithm>
#include <cmath>

#include "conversion/binding_energy_table.h"
#include "nuclides/symbols.h"

namespace check {

namespace {

const nuclides::ShippedEnergy* shipped(const nuclides::BindingEnergyData& data,
                                       const conversion::Symbol& symbol, std::int32_t q) {
  const nuclides::SymbolMeaning meaning = nuclides::classify_symbol(symbol);
  if (meaning.kind != nuclides::SymbolKind::element && meaning.kind != nuclides::SymbolKind::isomer)
    return nullptr;
  return data.find(meaning.looked_up, q);
}

}  // namespace

std::optional<double> correction_uncertainty(const nuclides::BindingEnergyData& data,
                                             const conversion::ReferenceRecord& reference,
                                             const conversion::MeasurementRecord& measurement,
                                             const conversion::Equation& equation) {
  if (!equation.correction_applied || !std::isfinite(equation.q)) return std::nullopt;
  const nuclides::ShippedEnergy* ref = shipped(data, reference.symbol_ref, reference.charge_ref);
  const nuclides::ShippedEnergy* meas =
      shipped(data, measurement.symbol_meas, measurement.charge_meas);
  if (ref == nullptr || meas == nullptr) return std::nullopt;
  // C = k E_ref - E_meas.
  const double k = equation.q * measurement.charge_meas / reference.charge_ref;
  const double sigma_ref = conversion::micro_u_from_ev(ref->total_uncertainty);
  const double sigma_meas = conversion::micro_u_from_ev(meas->total_uncertainty);
  const bool same_element = conversion::normalised_symbol(reference.symbol_ref) ==
                            conversion::normalised_symbol(measurement.symbol_meas);
  if (!same_element) return std::hypot(k * sigma_ref, sigma_meas);
  // The higher total is the lower one plus the energies of the electrons
  // between: C = (k - 1) E_low - S when the reference is the lower charge,
  // (k - 1) E_low + k S when it is the higher. The extra electrons' part S
  // is taken as uncertain by what the higher total adds in quadrature; where
  // the source combined one reference linearly that overstates it a little.
  const bool reference_lower = reference.charge_ref <= measurement.charge_meas;
  const double sigma_low = reference_lower ? sigma_ref : sigma_meas;
  const double sigma_high = reference_lower ? sigma_meas : sigma_ref;
  const double sigma_between =
      std::sqrt(std::max(0.0, sigma_high * sigma_high - sigma_low * sigma_low));
  return std::hypot((k - 1.0) * sigma_low, reference_lower ? sigma_between : k * sigma_between);
}

// A U of zero or less is a finding of its own, not a measure to hold the
// correction to.
bool correction_uncertainty_matters(double sigma, double U) { return U > 0.0 && sigma > U / 3.0; }

}  // namespace check
