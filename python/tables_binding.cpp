// tables_binding.cpp - the shipped tables as the programs read them.
#include <pybind11/stl.h>

#include <memory>
#include <optional>
#include <string>

#include "adjust/nuclide.h"
#include "nuclides/binding_energy_data.h"
#include "nuclides/mass_table.h"
#include "nuclides/nubase_table.h"
#include "python/bindings.h"

namespace freq2equat_python {

namespace {

py::dict identity_of(const nuclides::TableIdentity& identity) {
  py::dict d;
  d["file_name"] = identity.file_name;
  d["edition"] = identity.edition;
  d["checksum"] = identity.checksum;
  d["described"] = identity.described();
  return d;
}

py::list left_out_of(const std::vector<nuclides::LeftOutRow>& rows) {
  py::list list;
  for (const nuclides::LeftOutRow& row : rows) {
    py::dict d;
    d["line"] = row.line;
    d["column"] = row.column;
    d["reason"] = row.reason;
    d["text"] = row.text;
    list.append(d);
  }
  return list;
}

adjust::Nuclide nuclide_named(const std::string& name) {
  const std::optional<adjust::Nuclide> nuclide = adjust::parse_nuclide(name);
  if (!nuclide) throw py::value_error("'" + name + "' is not a nuclide such as \"133Cs\"");
  return *nuclide;
}

template <typename Table>
std::shared_ptr<Table> load_table(const py::object& path, const std::string& shipped) {
  const TableChoice choice(path, shipped);
  if (choice.path.empty()) throw py::value_error(shipped + ": False names no table");
  choice.require_shipped();
  auto table = std::make_shared<Table>();
  std::string error;
  if (!table->load(choice.path, error)) raise_input_error(error, choice.shown(), 0, 0);
  return table;
}

py::object energy_of(const std::optional<nuclides::TableEnergy>& energy) {
  if (!energy) return py::none();
  py::dict d;
  d["value"] = energy->value;
  d["uncertainty"] = energy->uncertainty;
  d["estimated"] = energy->estimated;
  return d;
}

}  // namespace

void bind_tables(py::module_& module) {
  using nuclides::MassTable;
  py::class_<MassTable, std::shared_ptr<MassTable>>(
      module, "MassTable", "A table of atomic mass excesses, as the programs read it.")
      .def(
          "lookup",
          [](const MassTable& table, const std::string& name) -> py::object {
            const adjust::Nuclide nuclide = nuclide_named(name);
            const std::optional<nuclides::TableMass> mass = table.find(nuclide.A, nuclide.symbol);
            if (!mass) return py::none();
            const double kev = table.kev_per_micro_u().value_or(nuclides::kev_per_micro_u_2020);
            py::dict d;
            d["mass_excess"] = mass->mass_excess;
            d["uncertainty"] = mass->uncertainty;
            d["mass_excess_kev"] = mass->mass_excess * kev;
            d["uncertainty_kev"] = mass->uncertainty * kev;
            d["estimated"] = mass->estimated;
            return d;
          },
          py::arg("nuclide"),
          "lookup('133Cs') -> dict or None: mass excess and uncertainty in micro-u\n"
          "and keV (the table's own factor), and whether the value is estimated.")
      .def_property_readonly("identity",
                             [](const MassTable& t) { return identity_of(t.identity()); })
      .def_property_readonly("kev_per_micro_u",
                             [](const MassTable& t) { return t.kev_per_micro_u(); })
      .def_property_readonly("left_out",
                             [](const MassTable& t) { return left_out_of(t.left_out()); })
      .def("__len__", &MassTable::size);

  using nuclides::NubaseTable;
  py::class_<NubaseTable, std::shared_ptr<NubaseTable>>(
      module, "NubaseTable", "The table of nuclear ground-state and isomer properties.")
      .def(
          "lookup",
          [](const NubaseTable& table, const std::string& name) -> py::object {
            adjust::Nuclide nuclide = nuclide_named(name);
            const nuclides::NuclearState* state = table.find(nuclide.A, nuclide.symbol, ' ');
            // "134Csm": the state's letter after the element.
            if (state == nullptr && nuclide.symbol.size() > 1) {
              const char letter = nuclide.symbol.back();
              nuclide.symbol.pop_back();
              state = table.find(nuclide.A, nuclide.symbol, letter);
            }
            if (state == nullptr) return py::none();
            py::dict d;
            d["A"] = state->A;
            d["Z"] = state->Z;
            d["element"] = state->element;
            d["letter"] = std::string(1, state->letter);
            d["mass_excess_kev"] = energy_of(state->mass_excess);
            d["excitation_kev"] = energy_of(state->excitation);
            d["non_existent"] = state->non_existent;
            d["order_uncertain"] = state->order_uncertain;
            d["order_reversed"] = state->order_reversed;
            d["line"] = state->line;
            return d;
          },
          py::arg("state"),
          "lookup('134Csm') -> dict or None: the state's mass excess and excitation\n"
          "energy (keV, each with its uncertainty and whether it is estimated).")
      .def_property_readonly("identity",
                             [](const NubaseTable& t) { return identity_of(t.identity()); })
      .def_property_readonly("left_out",
                             [](const NubaseTable& t) { return left_out_of(t.left_out()); })
      .def("__len__", [](const NubaseTable& t) { return t.states().size(); });

  using nuclides::BindingEnergyData;
  py::class_<BindingEnergyData, std::shared_ptr<BindingEnergyData>>(
      module, "BindingEnergies", "The shipped electron binding energies, in eV.")
      .def(
          "lookup",
          [](const BindingEnergyData& data, const std::string& symbol,
             std::int32_t charge) -> py::object {
            const nuclides::ShippedEnergy* energy = data.find(symbol, charge);
            if (energy == nullptr) return py::none();
            py::dict d;
            d["Z"] = energy->Z;
            d["ionisation"] = energy->ionisation;
            d["ionisation_uncertainty"] = energy->ionisation_uncertainty;
            d["total"] = energy->total;
            d["total_uncertainty"] = energy->total_uncertainty;
            d["total_text"] = energy->total_text;
            return d;
          },
          py::arg("symbol"), py::arg("charge"),
          "lookup('Cs', 1) -> dict or None: the charge state's ionisation energy\n"
          "and the total binding energy of its removed electrons (eV).");

  module.def(
      "mass_table",
      [](const py::object& path) { return load_table<MassTable>(path, "mass-excess-2020.csv"); },
      py::arg("path") = py::none(),
      "mass_table(path=None) -> MassTable\n\n"
      "The mass table the programs compare with: the shipped 2020 table, or the\n"
      "file at `path` (CSV or the published fixed columns). Its `identity` names\n"
      "it by file, stated edition and SHA-256 prefix.");
  module.def(
      "nubase_table",
      [](const py::object& path) { return load_table<NubaseTable>(path, "nubase2020.mas20.txt"); },
      py::arg("path") = py::none(),
      "nubase_table(path=None) -> NubaseTable\n\n"
      "The nuclear-properties table (isomers' excitation energies): the shipped\n"
      "2020 table, or the file at `path`.");
  module.def(
      "binding_energies",
      [](const py::object& path) {
        return load_table<BindingEnergyData>(path, "electron-binding-energies-eV.csv");
      },
      py::arg("path") = py::none(),
      "binding_energies(path=None) -> BindingEnergies\n\n"
      "The shipped electron binding energies every row of ionization.data is\n"
      "held to, or those of the CSV file at `path`.");
}

}  // namespace freq2equat_python
