// json_report.cpp - the results as JSON, with nlohmann-json.
#include <nlohmann/json.hpp>

#include "adjust/report.h"
#include "nuclides/symbols.h"
#include "nuclides/table_identity_json.h"

namespace adjust {

namespace {

// The symbol as the 4 columns of an equation's field hold it.
conversion::Symbol symbol_field(const std::string& symbol) {
  conversion::Symbol field;
  field.fill(' ');
  for (std::size_t i = 0; i < symbol.size() && i < field.size(); ++i) field[i] = symbol[i];
  return field;
}

}  // namespace

std::string json_report(const Adjustment& a, const ReportSettings& settings) {
  using json = nlohmann::ordered_json;
  const double kev = settings.kev_per_micro_u;
  json out = json::object();
  out["mass_table"] = settings.masses_name;
  out["kev_per_micro_u"] = kev;
  out["tables"] = json::object();
  if (!settings.masses_table.checksum.empty())
    out["tables"]["masses"] = nuclides::table_identity_json(settings.masses_table);
  out["tables"]["nubase"] =
      settings.nubase_table ? nuclides::table_identity_json(*settings.nubase_table) : json(nullptr);
  out["chi2"] = a.chi2;
  out["degrees_of_freedom"] = a.degrees_of_freedom;
  out["birge_ratio"] = a.birge_ratio ? json(*a.birge_ratio) : json(nullptr);
  out["p_value"] = a.p_value ? json(*a.p_value) : json(nullptr);

  json nuclides = json::array();
  json undetermined = json::array();
  for (const NuclideResult& nuclide : a.nuclides) {
    if (!nuclide.determined) {
      undetermined.push_back(nuclide.nuclide.name());
      continue;
    }
    json entry = json::object();
    entry["nuclide"] = nuclide.nuclide.name();
    entry["A"] = nuclide.nuclide.A;
    // An isomer or an excited state is its element with a letter (Csm,
    // Inn, Hfx); a molecule has no Z of its own.
    const conversion::Symbol field = symbol_field(nuclide.nuclide.symbol);
    const nuclides::SymbolMeaning meaning = nuclides::classify_symbol(field);
    const bool atomic = meaning.kind == nuclides::SymbolKind::element ||
                        meaning.kind == nuclides::SymbolKind::isomer;
    const int Z = atomic ? nuclides::atomic_number(meaning.element) : -1;
    entry["Z"] = Z >= 0 ? json(Z) : json(nullptr);
    entry["symbol"] = atomic ? json(meaning.looked_up) : json(nuclide.nuclide.symbol);
    entry["isomer"] = meaning.kind == nuclides::SymbolKind::isomer
                          ? json(meaning.text.substr(meaning.looked_up.size()))
                          : json(nullptr);
    if (!nuclide.atoms.empty()) {
      json atoms = json::object();
      for (const auto& [atom, count] : nuclide.atoms)
        atoms[a.nuclides[atom].nuclide.name()] = count;
      entry["atoms"] = atoms;
    }
    entry["mass_excess"] = nuclide.mass_excess;
    entry["uncertainty"] = nuclide.uncertainty;
    entry["mass_excess_keV"] = nuclide.mass_excess * kev;
    entry["uncertainty_keV"] = nuclide.uncertainty * kev;
    entry["table_mass_excess"] = nuclide.table ? json(nuclide.table->mass_excess) : json(nullptr);
    entry["table_uncertainty"] = nuclide.table ? json(nuclide.table->uncertainty) : json(nullptr);
    entry["estimated"] = nuclide.table ? json(nuclide.table->estimated) : json(nullptr);
    entry["anchored"] = nuclide.anchored;
    entry["fixed"] = nuclide.fixed;
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
  json differences = json::array();
  for (const Difference& d : a.differences) {
    json entry = json::object();
    entry["difference"] = d.minuend.name() + "-" + d.subtrahend.name();
    entry["value"] = d.determined ? json(d.value) : json(nullptr);
    entry["uncertainty"] = d.determined ? json(d.uncertainty) : json(nullptr);
    entry["value_keV"] = d.determined ? json(d.value * kev) : json(nullptr);
    entry["uncertainty_keV"] = d.determined ? json(d.uncertainty * kev) : json(nullptr);
    differences.push_back(entry);
  }
  out["differences"] = differences;
  out["undetermined"] = undetermined;
  out["notes"] = a.notes;
  out["warnings"] = a.warnings;
  // A file name or symbol holding bytes that are not UTF-8 cannot be a JSON
  // string as it is: each such byte is written as U+FFFD.
  return out.dump(1, ' ', false, json::error_handler_t::replace) + "\n";
}

}  // namespace adjust
