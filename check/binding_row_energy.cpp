// binding_row_energy.cpp - a row's energy beside the shipped totals.
#include "check/binding_row_energy.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <utility>

#include "nuclides/symbols.h"

namespace check {

namespace {

std::string ordinal(std::int32_t n) {
  const std::int32_t last = n % 10;
  const bool teen = n % 100 >= 11 && n % 100 <= 13;
  const char* suffix = teen ? "th" : last == 1 ? "st" : last == 2 ? "nd" : last == 3 ? "rd" : "th";
  return std::to_string(n) + suffix;
}

std::string shown(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", value);
  return text;
}

// The values of "below 2 x 3.89 eV = 7.78 eV, the least 2 electrons of any
// atom are bound by".
Finding& with_bound(Finding& finding, std::int32_t q) {
  const double bound = q * nuclides::least_binding_per_electron_ev;
  return finding.choice("single", q == 1 ? 1 : 0)
      .with("least", shown(nuclides::least_binding_per_electron_ev),
            nuclides::least_binding_per_electron_ev)
      .with("bound", shown(bound), bound);
}

// Which slip turns the total into the energy written, as the table of
// findings lists them for row-energy.
enum Slip { ionisation_alone = 0, total_in_kev = 1, other_charge = 2, below_bound = 3, digit = 4 };

// The slip that turns the total into `energy_ev`: of those that give a
// value within its tolerance, the closest in units of that tolerance.
void add_likely_slip(Finding& finding, const nuclides::BindingEnergyData& data,
                     std::string_view symbol, std::int32_t q,
                     const nuclides::ShippedEnergy& expected, double energy_ev,
                     std::string_view written) {
  Slip slip = digit;
  const nuclides::ShippedEnergy* other = nullptr;
  std::int32_t other_charge_of = 0;
  double best = 1.0;
  bool found = false;
  const auto consider = [&](double distance, double tolerance, Slip which,
                            const nuclides::ShippedEnergy* total, std::int32_t charge) {
    if (distance <= best * tolerance) {
      best = distance / tolerance;
      slip = which;
      other = total;
      other_charge_of = charge;
      found = true;
    }
  };
  const double rounding = half_unit_of_last_digit(written);
  if (q > 1) {
    consider(std::fabs(energy_ev - expected.ionisation),
             2.0 * expected.ionisation_uncertainty + rounding, ionisation_alone, nullptr, 0);
  }
  consider(std::fabs(energy_ev * 1000.0 - expected.total),
           2.0 * expected.total_uncertainty + 1000.0 * rounding, total_in_kev, nullptr, 0);
  for (std::int32_t charge = 1; charge <= expected.Z; ++charge) {
    const nuclides::ShippedEnergy* total = charge == q ? nullptr : data.find(symbol, charge);
    if (total == nullptr) continue;
    consider(std::fabs(energy_ev - total->total), row_tolerance(total->total_uncertainty, written),
             other_charge, total, charge);
  }
  if (!found && energy_ev < q * nuclides::least_binding_per_electron_ev) slip = below_bound;
  finding.choice("slip", slip);
  if (slip == ionisation_alone) {
    finding.with("ordinal", ordinal(q))
        .with("ionisation", expected.ionisation_text, expected.ionisation);
  } else if (slip == other_charge) {
    finding.count("other", other_charge_of).with("other_total", other->total_text, other->total);
  } else if (slip == below_bound) {
    with_bound(finding, q);
  }
}

}  // namespace

double half_unit_of_last_digit(std::string_view number) {
  std::size_t at = 0;
  if (at < number.size() && (number[at] == '+' || number[at] == '-')) ++at;
  int decimals = 0;
  bool after_point = false;
  for (; at < number.size(); ++at) {
    const char c = number[at];
    if (c == '.' && !after_point) {
      after_point = true;
    } else if (c >= '0' && c <= '9') {
      decimals += after_point ? 1 : 0;
    } else {
      break;
    }
  }
  // The free-form read takes E, D or Q before an exponent, or a sign alone.
  if (at < number.size() && std::string_view("EeDdQq").find(number[at]) != std::string_view::npos)
    ++at;
  if (at < number.size() && number[at] == '+') ++at;
  int exponent = 0;
  if (at < number.size()) {
    const auto [end, ec] =
        std::from_chars(number.data() + at, number.data() + number.size(), exponent);
    if (ec != std::errc()) exponent = 0;
  }
  return 0.5 * std::pow(10.0, exponent - decimals);
}

double row_tolerance(double uncertainty, std::string_view written) {
  return 2.0 * uncertainty + half_unit_of_last_digit(written);
}

Findings row_energy_findings(const nuclides::BindingEnergyData& data,
                             const conversion::Symbol& symbol, std::int32_t q, double energy_ev,
                             std::string_view written, const LinePlace& place,
                             std::int32_t column) {
  if (!std::isfinite(energy_ev) || energy_ev == 0.0 || q <= 0) return {};
  const nuclides::SymbolMeaning meaning = nuclides::classify_symbol(symbol);
  if (meaning.kind == nuclides::SymbolKind::isomer) {
    return {place.at(column, FindingKind::row_isomer)
                .with("symbol", meaning.text)
                .with("looked_up", meaning.looked_up)};
  }
  const auto row = [&](FindingKind kind) {
    return place.at(column, kind)
        .with("element", meaning.text)
        .count("charge", q)
        .with("written", std::string(written), energy_ev);
  };
  const nuclides::ShippedEnergy* expected =
      meaning.kind == nuclides::SymbolKind::element ? data.find(meaning.text, q) : nullptr;
  if (expected == nullptr) {
    const nuclides::ShippedEnergy* first =
        meaning.kind == nuclides::SymbolKind::element ? data.find(meaning.text, 1) : nullptr;
    if (first != nullptr && q > first->Z)
      return {row(FindingKind::row_charge_beyond_z).count("Z", first->Z)};
    if (energy_ev >= q * nuclides::least_binding_per_electron_ev) return {};
    Finding finding = row(FindingKind::row_energy_low);
    with_bound(finding, q)
        .choice("molecule", meaning.kind == nuclides::SymbolKind::molecule ? 1 : 0);
    return {finding};
  }
  if (std::fabs(energy_ev - expected->total) <=
      row_tolerance(expected->total_uncertainty, written)) {
    return {};
  }
  Finding finding =
      row(FindingKind::row_energy)
          .choice("single", q == 1 ? 1 : 0)
          .with("total", expected->total_text, expected->total)
          .with("total_sigma", expected->total_uncertainty_text, expected->total_uncertainty);
  add_likely_slip(finding, data, meaning.text, q, *expected, energy_ev, written);
  return {finding};
}

}  // namespace check
