// equations_file.h - reading the equations a conversion wrote.
//
// Every record is read with the record layer and the converter's own
// format lists, so a value is taken from exactly the columns it was written
// to. A group is the equation record, the micro-u record and the keV
// record; the warning record before an equation, empty records and the
// closing record are recognised and passed over. Anything else is an error
// at its FILE:LINE:COLUMN.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "adjust/nuclide.h"
#include "cli/diagnostics.h"

namespace adjust {

// ME(measured) - G * ME(reference) = V (U), in micro-u, as one line wrote it.
struct Equation {
  std::string file;       // as given on the command line
  std::int64_t line = 0;  // of the equation record
  Nuclide measured;
  Nuclide reference;
  double G = 0.0;
  double V = 0.0;
  double U = 0.0;
  // The micro-u record: the measured mass excess the conversion derived.
  double mass_excess_measured = 0.0;
  // The reference's mass excess the conversion used, (ME - V) / G.
  double reference_used = 0.0;
  bool binding_energy_missing = false;  // a warning record stood before it

  std::string name() const { return measured.name() + "-" + reference.name(); }
};

enum class FileEnd {
  normal,         // "Normal End ..."
  reading_error,  // "Error in File Reading": the conversion stopped early
  no_closing,     // the file ends without a closing record
};

struct EquationsFile {
  std::vector<Equation> equations;
  FileEnd end = FileEnd::no_closing;
  int errors = 0;  // findings reported as errors
};

// Reads `path` (named `shown` in findings) on record-layer unit `unit`.
// Findings go to `diagnostics`. Returns false with a one-line reason in
// `refusal` when the file cannot be read at all (missing, not a regular
// file, a failed read); a file with errors in it is read to its end.
bool read_equations_file(const std::string& path, const std::string& shown, std::int32_t unit,
                         cli::Diagnostics& diagnostics, EquationsFile& file, std::string& refusal);

}  // namespace adjust
