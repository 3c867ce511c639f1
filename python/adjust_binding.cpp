// adjust_binding.cpp - freq2equat.adjust(): the least-squares adjustment of
// equations files, its covariance as a numpy array.
//
// The same steps as the program: the tables loaded, every file read with
// the record layer and the converter's format lists, the data covariances
// read, adjust_equations; what the program prints is returned instead, and
// the first error in an equations file raises with its place.
#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "adjust/adjust_run.h"
#include "adjust/adjustment.h"
#include "adjust/data_covariance.h"
#include "adjust/report.h"
#include "cli/diagnostics.h"
#include "cli/quoting.h"
#include "nuclides/mass_table.h"
#include "nuclides/nubase_table.h"
#include "python/bindings.h"

namespace freq2equat_python {

namespace {

constexpr std::int32_t equations_unit = 3;

struct Result {
  adjust::Adjustment adjustment;
  adjust::ReportSettings report;
  double kev = nuclides::kev_per_micro_u_2020;
};

std::vector<std::string> names_of(const py::object& values) {
  if (values.is_none()) return {};
  if (py::isinstance<py::str>(values)) return {values.cast<std::string>()};
  return values.cast<std::vector<std::string>>();
}

adjust::Nuclide nuclide_named(const std::string& name) {
  const auto nuclide = adjust::parse_nuclide(name);
  if (!nuclide) throw py::value_error("'" + name + "' is not a nuclide such as \"133Cs\"");
  return *nuclide;
}

void raise_first_error(const cli::Diagnostics& diagnostics, const std::string& fallback) {
  if (const cli::FindingPlace* place = diagnostics.first_error()) {
    raise_input_error(place->message, place->file, place->line, place->column);
  }
  raise_input_error(fallback, "", 0, 0);
}

std::shared_ptr<Result> run_adjustment(const py::object& files, const py::object& anchors,
                                       double threshold, bool reject,
                                       const py::object& correlations, const py::object& masses,
                                       const py::object& nubase) {
  std::vector<py::object> file_values;
  if (py::isinstance<py::str>(files) || py::isinstance<py::bytes>(files) ||
      py::hasattr(files, "__fspath__")) {
    file_values.push_back(files);
  } else {
    for (const py::handle value : files)
      file_values.push_back(py::reinterpret_borrow<py::object>(value));
  }
  if (file_values.empty()) throw py::value_error("no equations files given");
  std::vector<std::unique_ptr<Input>> inputs;
  for (std::size_t i = 0; i < file_values.size(); ++i) {
    const std::string name =
        file_values.size() == 1 ? "vemo.equat" : "equations-" + std::to_string(i + 1);
    inputs.push_back(std::make_unique<Input>(file_values[i], name));
  }

  auto result = std::make_shared<Result>();
  cli::Diagnostics diagnostics;
  std::string captured, error;
  diagnostics.capture_into(&captured);
  nuclides::MassTable table;
  const TableChoice masses_choice(masses, "mass-excess-2020.csv");
  masses_choice.require_shipped();
  if (!table.load(masses_choice.path, masses_choice.shown(), diagnostics, error))
    raise_input_error(error, masses_choice.shown(), 0, 0);
  // The shipped table of excitation energies may be missing: isomers then
  // have no table values; one named must load.
  auto properties = std::make_shared<nuclides::NubaseTable>();
  bool have_properties = false;
  if (const TableChoice choice(nubase, "nubase2020.mas20.txt"); !choice.path.empty()) {
    if (properties->load(choice.path, choice.shown(), diagnostics, error)) {
      have_properties = true;
    } else if (!choice.shipped) {
      raise_input_error(error, choice.shown(), 0, 0);
    }
  }

  std::vector<adjust::EquationsSource> sources;
  // Named by their shown names in the findings, the notes and the data
  // covariances: a text given as input has no path of its own.
  for (const std::unique_ptr<Input>& input : inputs)
    sources.push_back({input->path(), input->shown(), input->shown()});
  adjust::EquationsRead read;
  if (!adjust::read_equations_files(sources, equations_unit, diagnostics, read, error)) {
    PyErr_SetString(PyExc_OSError, error.c_str());
    throw py::error_already_set();
  }
  if (read.errors > 0) raise_first_error(diagnostics, "the equations file has errors");
  if (read.equations.empty()) raise_input_error("no equations to adjust", "", 0, 0);

  adjust::AdjustSettings settings;
  settings.properties = have_properties ? properties.get() : nullptr;
  settings.threshold = threshold;
  settings.reject = reject;
  for (const std::string& anchor : names_of(anchors)) {
    if (anchor == "all") {
      settings.anchor_all = true;
    } else {
      settings.anchors.push_back(nuclide_named(anchor));
    }
  }
  if (!correlations.is_none()) {
    const Input input(correlations, "data-covariance");
    if (!adjust::read_data_covariance(input.path(), input.shown(), read.equations,
                                      settings.data_covariances, error)) {
      raise_input_error(error, "", 0, 0);
    }
  }
  if (!adjust::adjust_read_equations(std::move(read), table, settings, result->adjustment, error))
    raise_input_error(error, "", 0, 0);
  result->report = adjust::report_settings(table, table.identity().file_name,
                                           have_properties ? properties.get() : nullptr, threshold);
  result->kev = result->report.kev_per_micro_u;
  return result;
}

py::list nuclides_of(const Result& r) {
  py::list list;
  for (const adjust::NuclideResult& n : r.adjustment.nuclides) {
    py::dict d;
    d["nuclide"] = file_text(n.nuclide.name());
    d["A"] = n.nuclide.A;
    d["symbol"] = file_text(n.nuclide.symbol);
    d["mass_excess"] = n.mass_excess;
    d["uncertainty"] = n.uncertainty;
    d["mass_excess_kev"] = n.mass_excess * r.kev;
    d["uncertainty_kev"] = n.uncertainty * r.kev;
    d["anchored"] = n.anchored;
    d["determined"] = n.determined;
    d["fixed"] = n.fixed;
    if (n.table) {
      d["table"] = py::make_tuple(n.table->mass_excess, n.table->uncertainty);
    } else {
      d["table"] = py::none();
    }
    list.append(d);
  }
  return list;
}

py::list data_of(const Result& r) {
  const adjust::Adjustment& a = r.adjustment;
  py::list list;
  for (const adjust::Datum& datum : a.data) {
    py::dict d;
    const bool equation = datum.kind == adjust::Datum::Kind::equation;
    d["kind"] = equation ? "equation" : "anchor";
    d["name"] = file_text(adjust::datum_name(a, datum));
    if (equation) {
      d["file"] = file_text(a.equations[datum.equation].file);
      d["line"] = a.equations[datum.equation].line;
    } else {
      d["file"] = py::none();
      d["line"] = py::none();
    }
    d["value"] = datum.value;
    d["uncertainty"] = datum.uncertainty;
    d["adjusted"] = datum.adjusted;
    d["used"] = datum.used;
    d["rejected"] = datum.rejected;
    d["flagged"] = datum.flagged;
    d["normalized_residual"] = datum.normalized_residual;
    d["standardized_residual"] = datum.standardized_residual;
    d["significance"] = datum.significance;
    py::dict influence;
    for (const auto& [k, value] : datum.influence)
      influence[file_text(a.nuclides[k].nuclide.name())] = value;
    d["influence"] = influence;
    list.append(d);
  }
  return list;
}

py::dict difference(const Result& r, const std::string& minuend, const std::string& subtrahend) {
  const auto found =
      adjust::difference_of(r.adjustment, nuclide_named(minuend), nuclide_named(subtrahend));
  if (!found) {
    throw py::value_error(minuend + " - " + subtrahend + ": no equation names both nuclides");
  }
  py::dict d;
  d["determined"] = found->determined;
  d["value"] = found->value;
  d["uncertainty"] = found->uncertainty;
  d["value_kev"] = found->value * r.kev;
  d["uncertainty_kev"] = found->uncertainty * r.kev;
  return d;
}

}  // namespace

void bind_adjust(py::module_& module) {
  py::class_<Result, std::shared_ptr<Result>>(
      module, "Adjustment",
      "A least-squares adjustment: nuclides, data, covariance, chi2. Mass excesses\n"
      "in micro-u, with keV beside them (the mass table's own factor).")
      .def_property_readonly("nuclides", &nuclides_of,
                             "One dict per nuclide, in the covariance's order.")
      .def_property_readonly(
          "nuclide_names",
          [](const Result& r) {
            py::list names;
            for (const adjust::NuclideResult& n : r.adjustment.nuclides)
              names.append(file_text(n.nuclide.name()));
            return names;
          },
          "The rows and columns of `covariance`.")
      .def_property_readonly(
          "covariance",
          [](const Result& r) {
            const Eigen::MatrixXd& c = r.adjustment.covariance;
            const auto n = static_cast<py::ssize_t>(c.rows());
            py::array_t<double> array({n, static_cast<py::ssize_t>(c.cols())});
            auto view = array.mutable_unchecked<2>();
            for (py::ssize_t i = 0; i < n; ++i) {
              for (py::ssize_t j = 0; j < c.cols(); ++j) view(i, j) = c(i, j);
            }
            return array;
          },
          "The covariance of the adjusted mass excesses (micro-u^2), a numpy array\n"
          "over `nuclide_names`; 0 for fixed and undetermined nuclides.")
      .def_property_readonly("data", &data_of,
                             "The equations in the order given, then the anchors, each with\n"
                             "its residuals, significance and influence on each nuclide.")
      .def_property_readonly("chi2", [](const Result& r) { return r.adjustment.chi2; })
      .def_property_readonly("degrees_of_freedom",
                             [](const Result& r) { return r.adjustment.degrees_of_freedom; })
      .def_property_readonly("birge_ratio",
                             [](const Result& r) { return r.adjustment.birge_ratio; })
      .def_property_readonly("p_value", [](const Result& r) { return r.adjustment.p_value; })
      .def_property_readonly("warnings", [](const Result& r) { return r.adjustment.warnings; })
      .def_property_readonly("notes", [](const Result& r) { return r.adjustment.notes; })
      .def_property_readonly("kev_per_micro_u", [](const Result& r) { return r.kev; })
      .def("difference", &difference, py::arg("minuend"), py::arg("subtrahend"),
           "difference('187Re', '187Os') -> dict\n\n"
           "ME(minuend) - ME(subtrahend), a Q-value or an excitation energy, with\n"
           "its uncertainty from the full covariance; micro-u and keV.")
      .def(
          "report",
          [](const Result& r) { return file_text(adjust::text_report(r.adjustment, r.report)); },
          "The text report freq2equat-adjust prints.")
      .def(
          "json", [](const Result& r) { return adjust::json_report(r.adjustment, r.report); },
          "The JSON freq2equat-adjust writes with --json, as text.");

  module.def("adjust", &run_adjustment, py::arg("files"), py::kw_only(),
             py::arg("anchors") = py::none(), py::arg("threshold") = 3.0, py::arg("reject") = false,
             py::arg("correlations") = py::none(), py::arg("masses") = py::none(),
             py::arg("nubase") = py::none(),
             "adjust(files, *, anchors=None, threshold=3.0, reject=False,\n"
             "       correlations=None, masses=None, nubase=None) -> Adjustment\n\n"
             "Adjusts the equations of `files` (a path or text, or a list of them)\n"
             "against the mass table, as freq2equat-adjust does. `anchors`: nuclides\n"
             "to anchor at their table values ('all' for every one); `threshold` and\n"
             "`reject` as --threshold and --reject; `correlations`: the covariances\n"
             "between data (the --data-covariance file, a path or its text);\n"
             "`masses`/`nubase`: tables other than the shipped ones (nubase=False:\n"
             "none). An error in an equations file raises InputError at its place.");
}

}  // namespace freq2equat_python
