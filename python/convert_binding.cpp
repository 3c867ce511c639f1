// convert_binding.cpp - freq2equat.convert(): the converter's run, in the
// calling process, its records kept in memory.
//
// The inputs are read through the converter's own table load and
// measurements walk, every read with a status variable, and the records
// are written by its own writers to an in-memory file; a file is written
// only when asked, whole and new, as the converter makes vemo.equat.
#include <pybind11/stl.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/diagnostics.h"
#include "cli/output_file.h"
#include "cli/quoting.h"
#include "conversion/binding_energy_table.h"
#include "conversion/equation_arithmetic.h"
#include "conversion/equation_writer.h"
#include "conversion/measurements_file.h"
#include "python/bindings.h"
#include "recordio/units.h"

namespace freq2equat_python {

namespace {

constexpr std::int32_t equations_unit = 1;
constexpr std::int32_t measurements_unit = 3;
constexpr std::int32_t table_unit = 10;

struct ConvertedEquation {
  std::int32_t A_measured = 0;
  std::string symbol_measured;
  std::int32_t charge_measured = 0;
  std::int32_t A_reference = 0;
  std::string symbol_reference;
  std::int32_t charge_reference = 0;
  double ratio = 0.0;  // x 10^6, as read
  double ratio_uncertainty = 0.0;
  conversion::Equation numbers;
  std::int64_t line = 0;  // of the measurement in the measurements file
  std::string source;     // that line, without its line end
  std::string records;    // what the converter writes for it
};

struct Conversion {
  std::vector<ConvertedEquation> equations;
  std::string text;  // the whole equations file
  bool complete = true;
};

std::string symbol_text(const conversion::Symbol& symbol) {
  std::string text(symbol.data(), symbol.size());
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

class Collect final : public conversion::MeasurementsVisitor {
 public:
  Collect(const conversion::BindingEnergyTable& table, const recordio::RecordTrace& trace,
          Conversion& result)
      : table_(table), trace_(trace), result_(result) {}
  void reference(const conversion::ReferenceRecord& /*reference*/) override {}
  void measurement(const conversion::ReferenceRecord& reference,
                   const conversion::MeasurementRecord& measurement) override {
    ConvertedEquation e;
    e.numbers = conversion::equation_for(table_, reference, measurement);
    e.A_measured = measurement.A_meas;
    e.symbol_measured = symbol_text(measurement.symbol_meas);
    e.charge_measured = measurement.charge_meas;
    e.A_reference = reference.A_ref;
    e.symbol_reference = symbol_text(reference.symbol_ref);
    e.charge_reference = reference.charge_ref;
    e.ratio = measurement.ratio_value;
    e.ratio_uncertainty = measurement.sigma_value;
    e.line = trace_.line_number;
    e.source = std::string(trace_.raw.view());
    while (!e.source.empty() && (e.source.back() == '\n' || e.source.back() == '\r'))
      e.source.pop_back();
    if (!e.numbers.correction_applied) conversion::write_warning(equations_unit);
    conversion::write_equation(equations_unit, measurement, reference, e.numbers);
    conversion::write_micro_u(equations_unit, measurement, e.numbers);
    conversion::write_kev(equations_unit, e.numbers);
    result_.equations.push_back(std::move(e));
  }

 private:
  const conversion::BindingEnergyTable& table_;
  const recordio::RecordTrace& trace_;
  Conversion& result_;
};

// Each equation's records, cut from the text in the order they were
// written: the warning when an energy was missing, three records and the
// empty one.
void share_out_records(Conversion& result) {
  std::size_t at = 0;
  for (ConvertedEquation& e : result.equations) {
    const int records = e.numbers.correction_applied ? 4 : 5;
    const std::size_t from = at;
    for (int r = 0; r < records && at < result.text.size(); ++r) {
      const std::size_t end = result.text.find('\n', at);
      at = end == std::string::npos ? result.text.size() : end + 1;
    }
    e.records = result.text.substr(from, at - from);
  }
}

void connect_output(const MemoryFile& output) {
  std::int32_t status = 0;
  recordio::StatementRequest request;
  request.unit = equations_unit;
  request.file_name = output.path();
  request.status_keyword = "old";
  request.form_keyword = "formatted";
  request.status = &status;
  recordio::open_unit(request);
  if (status != 0) {
    const std::string message = "cannot write the equations: " + cli::condition_text(status);
    PyErr_SetString(PyExc_OSError, message.c_str());
    throw py::error_already_set();
  }
}

Conversion convert(const py::object& freq, const py::object& table,
                   const std::optional<std::string>& write) {
  if (write && cli::name_exists(*write)) raise_os_error(EEXIST, *write);
  const Input freq_input(freq, "vemo.freq");
  const Input table_input(table, "ionization.data");

  // About 16 KiB: on the heap.
  const auto energies = std::make_unique<conversion::BindingEnergyTable>();
  connect_for_reading(table_unit, table_input);
  {
    const UnitGuard table_guard{table_unit};
    energies->load(table_unit);
  }

  Conversion result;
  MemoryFile output;
  connect_for_reading(measurements_unit, freq_input);
  const UnitGuard freq_guard{measurements_unit};
  recordio::RecordTrace trace;
  recordio::find_unit(measurements_unit)->trace = &trace;
  connect_output(output);
  std::int32_t status = 0;
  conversion::LineProgress progress;
  conversion::WalkEnd end = conversion::WalkEnd::normal;
  {
    const UnitGuard output_guard{equations_unit};
    Collect collect(*energies, trace, result);
    end = conversion::walk_measurements(measurements_unit, collect, &status, &progress);
    if (end == conversion::WalkEnd::normal) {
      conversion::write_normal_closing(equations_unit);
    } else {
      conversion::write_failure_closing(equations_unit);
    }
  }
  recordio::find_unit(measurements_unit)->trace = nullptr;
  result.text = output.contents();
  share_out_records(result);
  if (end == conversion::WalkEnd::failure) {
    result.complete = false;
    // The field the read stopped in, where one had begun; else the line.
    const int field = progress.fields_read;
    const std::int32_t column = status == -1 || field >= conversion::line_fields
                                    ? 0
                                    : progress.field_start[static_cast<std::size_t>(field)] + 1;
    const std::string why = status == -1 ? "the file ends where a line must follow"
                                         : cli::condition_text(status) +
                                               " (the converter stops with \"Error in File "
                                               "Reading\" here)";
    raise_input_error(why, freq_input.shown(), trace.line_number, column, py::cast(result));
  }
  if (write) {
    std::string error;
    bool name_taken = false;
    if (!cli::write_whole_file(*write, cli::OutputMode::new_only, result.text, error,
                               &name_taken)) {
      if (name_taken) raise_os_error(EEXIST, *write);
      PyErr_SetString(PyExc_OSError, error.c_str());
      throw py::error_already_set();
    }
  }
  return result;
}

}  // namespace

void bind_convert(py::module_& module) {
  py::class_<ConvertedEquation>(module, "Equation",
                                "One measurement's equation, as the converter writes it:\n"
                                "ME(measured) - G * ME(reference) = V (U), in micro-u.")
      .def_readonly("A_measured", &ConvertedEquation::A_measured)
      .def_property_readonly(
          "symbol_measured",
          [](const ConvertedEquation& e) { return file_text(e.symbol_measured); })
      .def_readonly("charge_measured", &ConvertedEquation::charge_measured)
      .def_readonly("A_reference", &ConvertedEquation::A_reference)
      .def_property_readonly(
          "symbol_reference",
          [](const ConvertedEquation& e) { return file_text(e.symbol_reference); })
      .def_readonly("charge_reference", &ConvertedEquation::charge_reference)
      .def_readonly("ratio", &ConvertedEquation::ratio, "The frequency ratio x 10^6, as read.")
      .def_readonly("ratio_uncertainty", &ConvertedEquation::ratio_uncertainty)
      .def_property_readonly("G", [](const ConvertedEquation& e) { return e.numbers.G; })
      .def_property_readonly("V", [](const ConvertedEquation& e) { return e.numbers.V; })
      .def_property_readonly("U", [](const ConvertedEquation& e) { return e.numbers.U; })
      .def_property_readonly(
          "mass_excess", [](const ConvertedEquation& e) { return e.numbers.mass_excess_meas; },
          "The measured nuclide's mass excess, micro-u.")
      .def_property_readonly("mass_excess_uncertainty",
                             [](const ConvertedEquation& e) { return e.numbers.sigma_meas; })
      .def_property_readonly("mass_excess_kev",
                             [](const ConvertedEquation& e) { return e.numbers.mass_excess_kev; })
      .def_property_readonly("mass_excess_kev_uncertainty",
                             [](const ConvertedEquation& e) { return e.numbers.sigma_kev; })
      .def_property_readonly(
          "correction", [](const ConvertedEquation& e) { return e.numbers.C; },
          "The binding-energy correction included in V, micro-u.")
      .def_property_readonly(
          "correction_applied",
          [](const ConvertedEquation& e) { return e.numbers.correction_applied; },
          "False when an ion's binding energy was not found (the warning record).")
      .def_readonly("line", &ConvertedEquation::line, "The measurement's line number.")
      .def_property_readonly(
          "source", [](const ConvertedEquation& e) { return file_text(e.source); },
          "The measurement's line.")
      .def_property_readonly(
          "records", [](const ConvertedEquation& e) { return file_text(e.records); },
          "The records the converter writes for it (CR LF line ends).")
      .def("__repr__", [](const ConvertedEquation& e) {
        return file_text("<Equation line " + std::to_string(e.line) + ": " +
                         e.records.substr(0, e.records.find('\r')) + ">");
      });

  py::class_<Conversion>(module, "Conversion",
                         "The equations of a conversion and the text of its equations file.")
      .def_readonly("equations", &Conversion::equations)
      .def_property_readonly(
          "text", [](const Conversion& c) { return file_text(c.text); },
          "The equations file the converter writes, byte for byte.")
      .def_readonly("complete", &Conversion::complete,
                    "False when a read failure stopped the conversion.")
      .def("__len__", [](const Conversion& c) { return c.equations.size(); })
      .def(
          "__iter__",
          [](const Conversion& c) {
            return py::make_iterator(c.equations.begin(), c.equations.end());
          },
          py::keep_alive<0, 1>())
      .def("__getitem__", [](const Conversion& c, std::ptrdiff_t i) {
        const auto n = static_cast<std::ptrdiff_t>(c.equations.size());
        if (i < 0) i += n;
        if (i < 0 || i >= n) throw py::index_error();
        return c.equations[static_cast<std::size_t>(i)];
      });

  module.def("convert", &convert, py::arg("freq") = "vemo.freq",
             py::arg("table") = "ionization.data", py::kw_only(), py::arg("write") = py::none(),
             "convert(freq='vemo.freq', table='ionization.data', *, write=None) -> Conversion\n\n"
             "Converts the frequency ratios of `freq` with the binding energies of\n"
             "`table` into equations, as the freq2equat program does, in this process.\n"
             "Each input is a path, or the file's text (bytes, or a str with a line\n"
             "end). Nothing is written unless `write` names a file, which must not\n"
             "exist; it is then written whole with the program's bytes.\n\n"
             "Raises FileNotFoundError (or another OSError) for an input that cannot\n"
             "be read or a `write` target that exists, and InputError (a ValueError)\n"
             "at the line and column where the converter's read fails; its `partial`\n"
             "holds the equations before that line and the text the program writes.");
}

}  // namespace freq2equat_python
