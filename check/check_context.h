// check_context.h - what every part of a check shares: the two input files
// with the traces of their lines, the findings, and the mass comparison.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "check/diagnostics.h"
#include "check/mass_table.h"
#include "check/source_line.h"
#include "recordio/record_trace.h"

namespace check {

struct InputFile {
  std::string shown;  // the name findings give
  std::string path;   // as connected
  std::int32_t unit = 0;
  recordio::RecordTrace trace;

  // The line just read, as the converter sees it and with its raw columns.
  SourceLine current_line(int tab_width) const { return expand_line(trace.raw.view(), tab_width); }
};

// One mass excess set beside the table's.
struct Compared {
  std::int64_t line = 0;
  int block = 0;
  bool reference = false;
  std::string nuclide;  // mass number and symbol as written, "133Cs"
  double value = 0.0;   // micro-u, as the converter computes it
  double sigma = 0.0;
  std::optional<TableMass> table;
  std::string not_compared;  // why there is no table value
  double difference() const { return value - table->mass_excess; }
  double combined_sigma() const;
  double sigmas() const;  // difference / combined sigma
};

struct CheckContext {
  Diagnostics diagnostics;
  InputFile freq;
  InputFile table;
  bool verbose = false;
  int tab_width = 8;
  const MassTable* masses = nullptr;
  std::vector<Compared> compared;
  // Set when a file could not be read to its end (a refused read, memory):
  // the check is then incomplete and says why.
  std::optional<std::string> unreadable;
};

}  // namespace check
