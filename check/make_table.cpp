// make_table.cpp - collecting the ions of the measurements file, then their rows.
#include "check/make_table.h"

#include <algorithm>
#include <cstdio>
#include <deque>
#include <map>
#include <set>
#include <utility>
#include <vector>

#include "check/line_bytes.h"
#include "check/measurement_line_rules.h"
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
  // Ions of charge 0 or below, named in `findings`.
  std::set<std::pair<std::string, std::int32_t>> no_row;
  Findings findings;

 private:
  void add(const conversion::Symbol& symbol, std::int32_t charge) {
    const nuclides::SymbolMeaning meaning = nuclides::classify_symbol(symbol);
    // A blank line needs no row; the check says what is wrong with it.
    if (meaning.kind == nuclides::SymbolKind::blank) return;
    const auto key = std::make_pair(meaning.looked_up, charge);
    if (ions.count(key) != 0 || no_row.count(key) != 0) return;
    // A charge of 0 or below has no row to make, and the converter writes a
    // warning record for it: named as the check names it, once an ion.
    if (charge <= 0) {
      no_row.insert(key);
      const MeasurementLine line{
          {context_.freq.shown, context_.freq.trace.line_number, progress.record}, progress};
      records_.push_back(progress.record);
      for (Finding& finding : line_rules::charge_state(line, charge)) {
        finding.source = records_.back();
        findings.push_back(std::move(finding));
      }
      return;
    }
    ions[key] = {meaning, context_.freq.trace.line_number, progress.field_start[1] + 1,
                 progress.record};
  }

  const CheckContext& context_;
  std::deque<std::string> records_;  // the lines `findings` show
};

std::string row_text(const nuclides::ShippedEnergy& energy, const std::string& symbol,
                     std::int32_t charge) {
  char text[64];
  std::snprintf(text, sizeof text, "%3d %-6s %3d ", energy.Z, ("'" + symbol + "'").c_str(), charge);
  // The shipped total's uncertainty as the fifth value: the converter reads
  // four values of a row and drops the rest of its line, and the checker
  // takes this one for the correction's uncertainty, so a user who has a
  // calculated total puts its own uncertainty here.
  return text + energy.total_text + " " + energy.total_uncertainty_text + "\n";
}

Finding what_the_row_needs(const std::string& file, const FirstUse& use, std::int32_t charge,
                           const nuclides::BindingEnergyData& data) {
  const LinePlace place{file, use.line, use.record};
  if (use.meaning.kind == nuclides::SymbolKind::molecule) {
    return place.at(use.column, FindingKind::made_rows_molecule)
        .with("element", use.meaning.looked_up)
        .count("charge", charge);
  }
  if (use.meaning.kind != nuclides::SymbolKind::element &&
      use.meaning.kind != nuclides::SymbolKind::isomer) {
    return place.at(use.column, FindingKind::made_rows_unknown_symbol)
        .with("symbol", use.meaning.text);
  }
  const nuclides::ShippedEnergy* first = data.find(use.meaning.looked_up, 1);
  const bool beyond = first != nullptr && charge > first->Z;
  return place.at(use.column, FindingKind::made_rows_no_data)
      .with("element", use.meaning.looked_up)
      .count("charge", charge)
      .choice("beyond", beyond ? 1 : 0)
      .count("Z", first != nullptr ? first->Z : 0);
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
    context.diagnostics.add(
        LinePlace{context.freq.shown, context.freq.trace.line_number, collector.progress.record}.at(
            0, FindingKind::made_rows_read_stop));
  }
  context.diagnostics.add(collector.findings);
  // A file with no line to read (empty, or its lines ending in CR alone)
  // names no ion: said as the check says it, so that an empty table is not
  // taken for a made one.
  if (end == conversion::WalkEnd::failure && collector.ions.empty() && collector.no_row.empty()) {
    context.diagnostics.add(
        LinePlace{context.freq.shown, 1, {}}.at(1, FindingKind::no_reference_line));
  }
  const SourceLine tail = context.freq.current_line(context.tab_width);
  context.diagnostics.add(undelivered_tail_findings(context.freq, tail, InputKind::measurements));
  made.ions_without_row += static_cast<int>(collector.no_row.size());
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
    context.diagnostics.add(
        what_the_row_needs(context.freq.shown, use, key.second, *context.binding));
  }
  // In the data's order: by element, then charge.
  std::sort(rows.begin(), rows.end(),
            [](const auto& a, const auto& b) { return a.first->order < b.first->order; });
  for (const auto& row : rows) made.rows += row.second;
  made.row_count = static_cast<int>(rows.size());
  if (made.row_count > conversion::BindingEnergyTable::capacity) {
    context.diagnostics.add(LinePlace{table_name, conversion::BindingEnergyTable::capacity + 1, {}}
                                .at(0, FindingKind::made_rows_over_capacity)
                                .count("rows", made.row_count));
  }
  return made;
}

}  // namespace check
