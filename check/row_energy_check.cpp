// row_energy_check.cpp - a row's energy beside the shipped totals.
#include "check/row_energy_check.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <utility>

#include "check/table_check.h"
#include "nuclides/symbols.h"

namespace check {

namespace {

std::string ordinal(std::int32_t n) {
  const std::int32_t last = n % 10;
  const bool teen = n % 100 >= 11 && n % 100 <= 13;
  const char* suffix = teen ? "th" : last == 1 ? "st" : last == 2 ? "nd" : last == 3 ? "rd" : "th";
  return std::to_string(n) + suffix;
}

std::string electrons(std::int32_t q) {
  return std::to_string(q) + (q == 1 ? " electron" : " electrons");
}

std::string shown(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6g", value);
  return text;
}

// "below 2 x 3.89 eV = 7.78 eV, the least 2 electrons of any atom are bound by"
std::string below_bound(std::int32_t q) {
  const std::string least = shown(nuclides::least_binding_per_electron_ev) + " eV";
  if (q == 1) return "below " + least + ", the least an electron of any atom is bound by";
  return "below " + std::to_string(q) + " x " + least + " = " +
         shown(q * nuclides::least_binding_per_electron_ev) + " eV, the least " + electrons(q) +
         " of any atom are bound by";
}

// The slip that turns the total into `energy_ev`: of those that give a
// value within its tolerance, the closest in units of that tolerance.
std::string likely_slip(const nuclides::BindingEnergyData& data, std::string_view symbol,
                        std::int32_t q, const nuclides::ShippedEnergy& expected, double energy_ev,
                        std::string_view written) {
  std::string slip;
  double best = 1.0;
  const auto consider = [&](double distance, double tolerance, std::string text) {
    if (distance <= best * tolerance) {
      best = distance / tolerance;
      slip = std::move(text);
    }
  };
  const double rounding = half_unit_of_last_digit(written);
  if (q > 1) {
    consider(std::fabs(energy_ev - expected.ionisation),
             2.0 * expected.ionisation_uncertainty + rounding,
             "it is the " + ordinal(q) + " ionisation energy alone (" + expected.ionisation_text +
                 " eV); the row holds the sum of the first " + std::to_string(q));
  }
  consider(std::fabs(energy_ev * 1000.0 - expected.total),
           2.0 * expected.total_uncertainty + 1000.0 * rounding,
           "it is the total in keV; the row holds eV");
  for (std::int32_t other = 1; other <= expected.Z; ++other) {
    const nuclides::ShippedEnergy* total = other == q ? nullptr : data.find(symbol, other);
    if (total == nullptr) continue;
    consider(std::fabs(energy_ev - total->total), row_tolerance(total->total_uncertainty, written),
             "it is the total for charge " + std::to_string(other) + " (" + total->total_text +
                 " eV): is the charge wrong?");
  }
  if (!slip.empty()) return slip;
  if (energy_ev < q * nuclides::least_binding_per_electron_ev) return "it is " + below_bound(q);
  return "is a digit wrong?";
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

std::optional<std::string> row_energy_finding(const nuclides::BindingEnergyData& data,
                                              const conversion::Symbol& symbol, std::int32_t q,
                                              double energy_ev, std::string_view written) {
  if (!std::isfinite(energy_ev) || energy_ev == 0.0 || q <= 0) return std::nullopt;
  const nuclides::SymbolMeaning meaning = nuclides::classify_symbol(symbol);
  const std::string name = species(meaning.text, q) + ": " + std::string(written) + " eV";
  if (meaning.kind == nuclides::SymbolKind::isomer) {
    return "a row for '" + meaning.text +
           "' is never found: the converter drops the isomer letter of an ion "
           "before it looks up its energy, so the row must be for '" +
           meaning.looked_up + "'";
  }
  const nuclides::ShippedEnergy* expected =
      meaning.kind == nuclides::SymbolKind::element ? data.find(meaning.text, q) : nullptr;
  if (expected == nullptr) {
    const nuclides::ShippedEnergy* first =
        meaning.kind == nuclides::SymbolKind::element ? data.find(meaning.text, 1) : nullptr;
    if (first != nullptr && q > first->Z) {
      return name + " is for more electrons than " + meaning.text + " has (" +
             std::to_string(first->Z) + "): is the charge wrong?";
    }
    if (energy_ev >= q * nuclides::least_binding_per_electron_ev) return std::nullopt;
    std::string message = name + " is " + below_bound(q) + ": is it in keV?";
    if (meaning.kind == nuclides::SymbolKind::molecule) {
      message +=
          " (a molecule's row that holds its ionisation energy less its dissociation energy may be "
          "that low: man freq2equat, MOLECULAR IONS)";
    }
    return message;
  }
  if (std::fabs(energy_ev - expected->total) <=
      row_tolerance(expected->total_uncertainty, written)) {
    return std::nullopt;
  }
  return name + " is not the total binding energy of the " + electrons(q) + " removed, " +
         expected->total_text + " +/- " + expected->total_uncertainty_text +
         " eV: " + likely_slip(data, meaning.text, q, *expected, energy_ev, written);
}

}  // namespace check
