// module.cpp - the Python module freq2equat: the programs' core for
// notebooks and scripts, on the same libraries as the programs.
#include "python/bindings.h"
#include "recordio/process_start.h"

PYBIND11_MODULE(freq2equat, module) {
  namespace py = pybind11;
  module.doc() =
      "Frequency ratios to mass-excess equations, their check and their adjustment,\n"
      "computed by the same code as the freq2equat programs, in this process.\n\n"
      "convert()  the equations of a measurements file, digit for digit as vemo.equat\n"
      "check()    the checker's findings and its comparison with the mass table\n"
      "adjust()   the least-squares adjustment of equations files\n"
      "mass_table(), nubase_table(), binding_energies()  the shipped tables\n\n"
      "Bad input raises InputError (a ValueError) with its file, line and column;\n"
      "a missing file raises FileNotFoundError. Nothing is printed.";
  module.attr("__version__") = FREQ2EQUAT_VERSION;
  // Each docstring opens with the call as a user writes it; the generated
  // signatures would show C++ types ("object") in front of it.
  py::options options;
  options.disable_function_signatures();
  // The floating-point mode every printed digit relies on (the
  // interpreter's own already is), and no signal for a failed write.
  recordio::start_up();
  freq2equat_python::define_errors(module);
  freq2equat_python::bind_convert(module);
  freq2equat_python::bind_check(module);
  freq2equat_python::bind_adjust(module);
  freq2equat_python::bind_tables(module);
}
