// findings_json.cpp - the check as a JSON document.
#include "check/findings_json.h"

#include <cmath>
#include <nlohmann/json.hpp>

#include "nuclides/table_identity_json.h"

namespace check {

namespace {

using nlohmann::ordered_json;

// JSON has no NaN or infinity: a value not known is null.
ordered_json number(double value) {
  return std::isfinite(value) ? ordered_json(value) : ordered_json(nullptr);
}

ordered_json finding_json(const Finding& finding) {
  const FindingKindInfo& kind = kind_info(finding.kind);
  ordered_json values = ordered_json::object();
  for (const FindingArgument& argument : finding.arguments) {
    values[argument.name] =
        std::isnan(argument.number) ? ordered_json(argument.text) : number(argument.number);
  }
  return {{"id", kind.id},
          {"severity", severity_word(kind.severity)},
          {"file", finding.file},
          {"line", finding.line},
          {"column", finding.column},
          {"message", message_of(finding)},
          {"values", std::move(values)}};
}

ordered_json compared_json(const Compared& c) {
  const bool with_table = c.table.has_value();
  return {
      {"line", c.line},
      {"block", c.block},
      {"reference", c.reference},
      {"nuclide", c.nuclide},
      {"charge", c.charge},
      {"this_work", number(c.value)},
      {"this_work_uncertainty", number(c.sigma)},
      {"correction", c.reference || !c.corrected ? ordered_json(nullptr) : number(c.correction)},
      {"correction_uncertainty",
       c.correction_sigma ? number(*c.correction_sigma) : ordered_json(nullptr)},
      {"table", with_table ? number(c.table->mass_excess) : ordered_json(nullptr)},
      {"table_uncertainty", with_table ? number(c.table->uncertainty) : ordered_json(nullptr)},
      {"difference", with_table ? number(c.difference()) : ordered_json(nullptr)},
      {"sigma", with_table ? number(c.sigmas()) : ordered_json(nullptr)},
      {"compared_with", c.compared_with},
      {"not_compared", c.not_compared}};
}

ordered_json isomer_json(const IsomerComparison& c) {
  const bool with_table = c.table.has_value();
  return {{"line", c.line},
          {"block", c.block},
          {"nuclide", c.nuclide},
          {"excitation", number(c.measured.value)},
          {"excitation_uncertainty", number(c.measured.uncertainty)},
          {"ground_state_line", c.ground_line > 0 ? ordered_json(c.ground_line) : nullptr},
          {"table", with_table ? number(c.table->value) : ordered_json(nullptr)},
          {"table_uncertainty", with_table ? number(c.table->uncertainty) : ordered_json(nullptr)},
          {"table_estimated", with_table ? ordered_json(c.table->estimated) : nullptr},
          {"difference", with_table ? number(c.difference()) : ordered_json(nullptr)},
          {"sigma", with_table ? number(c.sigmas()) : ordered_json(nullptr)},
          {"order_uncertain", c.order_uncertain},
          {"order_reversed", c.order_reversed},
          {"not_compared", c.not_compared}};
}

ordered_json table_json(const std::optional<nuclides::TableIdentity>& table) {
  return table ? nuclides::table_identity_json(*table) : ordered_json(nullptr);
}

}  // namespace

std::string findings_json(const Findings& findings, const std::vector<Compared>& compared,
                          const CheckSummary& summary, const std::vector<IsomerComparison>& isomers,
                          const CheckedAgainst& tables) {
  ordered_json document = {{"format", "freq2equat-check"}, {"version", 1}};
  ordered_json list = ordered_json::array();
  int counts[4] = {};
  for (const Finding& finding : findings) {
    list.push_back(finding_json(finding));
    const auto severity = static_cast<std::size_t>(kind_info(finding.kind).severity);
    if (severity < 4) ++counts[severity];
  }
  document["findings"] = std::move(list);
  ordered_json rows = ordered_json::array();
  for (const Compared& c : compared) rows.push_back(compared_json(c));
  document["comparison"] = std::move(rows);
  ordered_json isomer_rows = ordered_json::array();
  for (const IsomerComparison& c : isomers) isomer_rows.push_back(isomer_json(c));
  document["isomers"] = std::move(isomer_rows);
  document["tables"] = {{"masses", table_json(tables.masses)},
                        {"nubase", table_json(tables.nubase)}};
  document["summary"] = {{"blocks", summary.blocks},
                         {"measurements", summary.measurements},
                         {"equations", summary.measurements},
                         {"rows", summary.rows},
                         {"errors", counts[0]},
                         {"warnings", counts[1]},
                         {"notes", counts[2]},
                         {"remarks", counts[3]}};
  // Bytes that are no UTF-8 (a symbol as written) are replaced, not refused.
  return document.dump(2, ' ', false, ordered_json::error_handler_t::replace) + "\n";
}

}  // namespace check
