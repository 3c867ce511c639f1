// correction_uncertainty.cpp - the correction's uncertainty from the totals'.
#include "check/correction_uncertainty.h"

#include <algorithm>
#include <cmath>
#include <cstring>

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

const double* given_for(const GivenUncertainties& given, const conversion::Symbol& symbol,
                        std::int32_t q) {
  const conversion::Symbol looked_up = conversion::normalised_symbol(symbol);
  std::uint32_t bytes = 0;
  std::memcpy(&bytes, looked_up.data(), sizeof bytes);
  const auto found = given.find({bytes, q});
  return found == given.end() ? nullptr : &found->second;
}

}  // namespace

std::optional<double> correction_uncertainty(const nuclides::BindingEnergyData& data,
                                             const GivenUncertainties& given,
                                             const conversion::ReferenceRecord& reference,
                                             const conversion::MeasurementRecord& measurement,
                                             const conversion::Equation& equation,
                                             bool* from_rows) {
  if (from_rows != nullptr) *from_rows = false;
  if (!equation.correction_applied || !std::isfinite(equation.q)) return std::nullopt;
  const nuclides::ShippedEnergy* ref = shipped(data, reference.symbol_ref, reference.charge_ref);
  const nuclides::ShippedEnergy* meas =
      shipped(data, measurement.symbol_meas, measurement.charge_meas);
  const double* given_ref = given_for(given, reference.symbol_ref, reference.charge_ref);
  const double* given_meas = given_for(given, measurement.symbol_meas, measurement.charge_meas);
  if ((ref == nullptr && given_ref == nullptr) || (meas == nullptr && given_meas == nullptr))
    return std::nullopt;
  // C = k E_ref - E_meas.
  const double k = equation.q * measurement.charge_meas / reference.charge_ref;
  const double sigma_ref =
      conversion::micro_u_from_ev(given_ref != nullptr ? *given_ref : ref->total_uncertainty);
  const double sigma_meas =
      conversion::micro_u_from_ev(given_meas != nullptr ? *given_meas : meas->total_uncertainty);
  if (given_ref != nullptr || given_meas != nullptr) {
    if (from_rows != nullptr) *from_rows = true;
    return std::hypot(k * sigma_ref, sigma_meas);
  }
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
