// check_binding.cpp - freq2equat.check(): the checker's findings and
// comparison, as its JSON holds them.
//
// The same steps as the program's check: the shipped binding energies, the
// mass table and the nuclear-properties table loaded, both inputs read
// through the converter's load and walk, the isomers compared; the findings
// are kept instead of printed, and the checker's own JSON of them is read
// into Python objects.
#include <pybind11/stl.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "check/check_context.h"
#include "check/check_run.h"
#include "check/mass_table_rows.h"
#include "cli/quoting.h"
#include "conversion/binding_energy_table.h"
#include "nuclides/binding_energy_data.h"
#include "python/bindings.h"
#include "recordio/text_records.h"

namespace freq2equat_python {

namespace {

py::object check(const py::object& freq, const py::object& table, const py::object& masses,
                 const py::object& nubase, bool verbose) {
  const Input freq_input(freq, "vemo.freq");
  const Input table_input(table, "ionization.data");
  const TableChoice masses_choice(masses, "mass-excess-2020.csv");
  const TableChoice nubase_choice(nubase, "nubase2020.mas20.txt");

  auto context = std::make_unique<check::CheckContext>();
  std::string findings_text, listing_text;
  std::vector<std::string> notes;
  context->diagnostics.capture_into(&findings_text);
  context->diagnostics.capture_listing_into(&listing_text);
  context->diagnostics.keep = true;
  context->verbose = verbose;
  context->tab_width = recordio::tab_width();
  const Input* inputs[] = {&freq_input, &table_input};
  check::InputFile* files[] = {&context->freq, &context->table};
  for (int i = 0; i < 2; ++i) {
    files[i]->path = inputs[i]->path();
    files[i]->shown = inputs[i]->shown();
    files[i]->quoted = cli::quoted_name(inputs[i]->shown());
  }
  context->freq.unit = 3;
  context->table.unit = 10;

  std::string error;
  const auto binding = std::make_unique<nuclides::BindingEnergyData>();
  if (binding->load(data_file("electron-binding-energies-eV.csv"), error)) {
    context->binding = binding.get();
  } else {
    notes.push_back(error + ": the rows of the binding-energy table are not checked against it");
  }
  const auto mass_table = std::make_unique<nuclides::MassTable>();
  if (!masses_choice.path.empty()) {
    if (check::load_mass_table(*mass_table, masses_choice.path, *context, error)) {
      context->masses = mass_table.get();
    } else if (!masses_choice.shipped) {
      raise_input_error(error, masses_choice.shown(), 0, 0);
    } else {
      notes.push_back(error + ": the mass excesses are not compared with a mass table");
    }
  }
  const auto properties = std::make_unique<nuclides::NubaseTable>();
  if (!nubase_choice.path.empty()) {
    if (check::load_nubase_table(*properties, nubase_choice.path, *context, error)) {
      context->properties = properties.get();
    } else if (!nubase_choice.shipped) {
      raise_input_error(error, nubase_choice.shown(), 0, 0);
    } else {
      notes.push_back(error + ": isomers are not compared with excitation energies");
    }
  }

  const auto energies = std::make_unique<conversion::BindingEnergyTable>();
  check::CheckRun run;
  if (!check::run_check(*context, *energies, run, error)) {
    PyErr_SetString(PyExc_OSError, error.c_str());
    throw py::error_already_set();
  }
  const std::string json =
      check::check_json(*context, run, energies->size(),
                        check::finding_files(*context, masses_choice.path, nubase_choice.path));
  py::dict result = py::module_::import("json").attr("loads")(json);
  result["text"] = findings_text;
  result["notes"] = py::cast(notes);
  py::list listing;
  for (std::size_t at = 0; at < listing_text.size();) {
    const std::size_t end = listing_text.find('\n', at);
    listing.append(listing_text.substr(at, end - at));
    at = end + 1;
  }
  result["listing"] = listing;
  return result;
}

}  // namespace

void bind_check(py::module_& module) {
  module.def("check", &check, py::arg("freq") = "vemo.freq", py::arg("table") = "ionization.data",
             py::kw_only(), py::arg("masses") = py::none(), py::arg("nubase") = py::none(),
             py::arg("verbose") = false,
             "check(freq='vemo.freq', table='ionization.data', *, masses=None, nubase=None,\n"
             "      verbose=False) -> dict\n\n"
             "Checks both inputs as freq2equat-check does. Returns the checker's JSON\n"
             "document as Python objects: 'findings' (id, severity, file, line, column,\n"
             "message, values), 'comparison' (each mass excess beside the table's, in\n"
             "micro-u), the isomers' excitation energies, the tables compared with and\n"
             "'summary'; with 'text', the findings as the program prints them, 'notes'\n"
             "(a shipped table that could not be read) and, when `verbose`, the\n"
             "program's listing in 'listing'. `masses` and `nubase` name a table (a\n"
             "path or its text); None is the shipped one, False none. Inputs are\n"
             "paths or the files' text, as for convert().");
}

}  // namespace freq2equat_python
