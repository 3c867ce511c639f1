// json_report.cpp - the results as JSON, with nlohmann-json.
#include <nlohmann/json.hpp>

#include "adjust/report.h"

namespace adjust {

std::string json_report(const Adjustment& a, const ReportTables& tables) {
  using json = nlohmann::ordered_json;
  json out = json::object();
  const auto identity = [](const nuclides::TableIdentity& table) {
    json entry = json::object();
    entry["file"] = table.file_name;
    entry["edition"] = table.edition.empty() ? json(nullptr) : json(table.edition);
    entry["sha256"] = table.checksum;
    return entry;
  };
  out["tables"] = json::object();
  if (!tables.masses.checksum.empty()) out["tables"]["masses"] = identity(tables.masses);
  out["tables"]["nubase"] = tables.nubase ? identity(*tables.nubase) : json(nullptr);
  out["chi2"] = a.chi2;
  out["degrees_of_freedom"] = a.degrees_of_freedom;
  out["birge_ratio"] = a.birge_ratio ? json(*a.birge_ratio) : json(nullptr);

  json nuclides = json::array();
  json undetermined = json::array();
  for (const NuclideResult& nuclide : a.nuclides) {
    if (!nuclide.determined) {
      undetermined.push_back(nuclide.nuclide.name());
      continue;
    }
    json entry = json::object();
    entry["nuclide"] = nuclide.nuclide.name();
    entry["mass_excess"] = nuclide.mass_excess;
    entry["uncertainty"] = nuclide.uncertainty;
    entry["table_mass_excess"] = nuclide.table ? json(nuclide.table->mass_excess) : json(nullptr);
    entry["table_uncertainty"] = nuclide.table ? json(nuclide.table->uncertainty) : json(nullptr);
    entry["anchored"] = nuclide.anchored;
    nuclides.push_back(entry);
  }
  out["nuclides"] = nuclides;

  json data = json::array();
  for (const Datum& datum : a.data) {
    const bool has_result = datum.used || datum.rejected;
    json entry = json::object();
    if (datum.kind == Datum::Kind::equation) {
      const Equation& equation = a.equations[datum.equation];
      entry["kind"] = "equation";
      entry["file"] = equation.file;
      entry["line"] = equation.line;
      entry["equation"] = equation.name();
    } else {
      entry["kind"] = "anchor";
      entry["file"] = nullptr;
      entry["line"] = nullptr;
      entry["nuclide"] = a.nuclides[datum.nuclide].nuclide.name();
    }
    entry["value"] = datum.value;
    entry["uncertainty"] = datum.uncertainty;
    entry["adjusted"] = has_result ? json(datum.adjusted) : json(nullptr);
    entry["normalized_residual"] = has_result ? json(datum.normalized_residual) : json(nullptr);
    entry["significance"] = datum.used ? json(datum.significance) : json(nullptr);
    json influence = json::object();
    for (const auto& [k, value] : datum.influence) influence[a.nuclides[k].nuclide.name()] = value;
    entry["influence"] = influence;
    entry["flagged"] = datum.flagged;
    entry["rejected"] = datum.rejected;
    data.push_back(entry);
  }
  out["data"] = data;
  out["undetermined"] = undetermined;
  out["warnings"] = a.warnings;
  return out.dump(1) + "\n";
}

}  // namespace adjust
