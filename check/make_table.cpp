// make_table.cpp - collecting the ions of the measurements file, then their rows.
#include "check/make_table.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <utility>
#include <vector>

#include "check/table_check.h"
#include "conversion/binding_energy_table.h"
#include "conversion/measurements_file.h"
#include "nuclides/symbols.h"
#include "recordio/conditions.h"

namespace check {

namespace {

// Where an ion is first used, for the finding when it gets no row.
struct FirstUse {
  nuclides::SymbolMeaning meaning;
  std::int64_t line = 0;
  std::int32_t column = 0;
  std::string record;
};

class IonCollector final : public conversion::MeasurementsVisitor {
 public:
  explicit IonCollector(const CheckContext& context) : context_(context) {}

  void reference(const conversion::ReferenceRecord& reference) override {
    add(reference.symbol_ref, reference.charge_ref);
  }
  void measurement(const conversion::ReferenceRecord& /*reference*/,
                   const conversion::MeasurementRecord& measurement) override {
    add(measurement.symbol_meas, measurement.charge_meas);
  }

  std::int32_t status = 0;
  conversion::LineProgress progress;
  // (symbol as looked up, charge) -> first use, in the order of the file.
  std::map<std::pair<std::string, std::int32_t>, FirstUse> ions;

 private:
  void add(const conversion::Symbol& symbol, std::int32_t charge) {
    const nuclides::SymbolMeaning meaning = nuclides::classify_symbol(symbol);
    // A blank line or a charge of 0 needs no row; the check says what is wrong with it.
    if (meaning.kind == nuclides::SymbolKind::blank || charge <= 0) return;
    const auto key = std::make_pair(meaning.looked_up, charge);
    if (ions.count(key) != 0) return;
    ions[key] = {meaning, context_.freq.trace.line_number, progress.field_start[1] + 1,
                 progress.record};
  }

  const CheckContext& context_;
};

std::string row_text(const nuclides::ShippedEnergy& energy, const std::string& symbol,
                     std::int32_t charge) {
  char text[64];
  std::snprintf(text, sizeof text, "%3d %-6s %3d ", energy.Z, ("'" + symbol + "'").c_str(), charge);
  return text + energy.total_text + "\n";
}

std::string what_the_row_needs(const FirstUse& use, std::int32_t charge,
                               const nuclides::BindingEnergyData& data) {
  const std::string name = species(use.meaning.looked_up, charge);
  if (use.meaning.kind == nuclides::SymbolKind::molecule) {
    return "no row is made for " + name +
           ": a molecule's row holds its ionisation energy less its dissociation energy (its mass "
           "excess "
           "then the sum of its atoms'), or its ionisation energy alone with the dissociation "
           "energy in its "
           "mass excess (man freq2equat, MOLECULAR IONS); add it by hand";
  }
  if (use.meaning.kind != nuclides::SymbolKind::element &&
      use.meaning.kind != nuclides::SymbolKind::isomer) {
    return "no row is made for '" + use.meaning.text +
           "': it is not an element or a molecule as the converter reads it";
  }
  const nuclides::ShippedEnergy* first = data.find(use.meaning.looked_up, 1);
  return "no row is made for " + name + ": the binding-energy data has none" +
         (first != nullptr && charge > first->Z
              ? " (" + use.meaning.looked_up + " has " + std::to_string(first->Z) + " electrons)"
              : std::string());
}

}  // namespace

MadeTable make_table_rows(CheckContext& context, const std::string& table_name) {
  IonCollector collector(context);
  const conversion::WalkEnd end = conversion::walk_measurements(
      context.freq.unit, collector, &collector.status, &collector.progress);
  MadeTable made;
  if (end == conversion::WalkEnd::failure && collector.status != -1) {
    if (collector.status != recordio::code::illegal_numeric_character) {
      context.unreadable = "cannot read " + context.freq.quoted + " to its end (condition " +
                           std::to_string(collector.status) + ")";
      return made;
    }
    context.diagnostics.report(
        cli::Severity::error, context.freq.shown, context.freq.trace.line_number, 0,
        "the converter cannot read this line and stops here: the table holds the "
        "ions of the lines before it only (freq2equat-check without --make-table "
        "says what is wrong)",
        collector.progress.record);
  }
  std::vector<std::pair<const nuclides::ShippedEnergy*, std::string>> rows;
  for (const auto& [key, use] : collector.ions) {
    const nuclides::ShippedEnergy* energy = use.meaning.kind == nuclides::SymbolKind::element ||
                                                    use.meaning.kind == nuclides::SymbolKind::isomer
                                                ? context.binding->find(key.first, key.second)
                                                : nullptr;
    if (energy != nullptr) {
      rows.emplace_back(energy, row_text(*energy, key.first, key.second));
      continue;
    }
    ++made.ions_without_row;
    context.diagnostics.report(cli::Severity::warning, context.freq.shown, use.line, use.column,
                               what_the_row_needs(use, key.second, *context.binding), use.record);
  }
  // In the data's order: by element, then charge.
  std::sort(rows.begin(), rows.end(),
            [](const auto& a, const auto& b) { return a.first->order < b.first->order; });
  for (const auto& row : rows) made.rows += row.second;
  made.row_count = static_cast<int>(rows.size());
  if (made.row_count > conversion::BindingEnergyTable::capacity) {
    context.diagnostics.report(
        cli::Severity::warning, table_name, conversion::BindingEnergyTable::capacity + 1, 0,
        "the ions need " + std::to_string(made.row_count) +
            " rows, but the converter loads 450: this row and the rows after it are "
            "not loaded; split the measurements",
        {});
  }
  return made;
}

}  // namespace check
