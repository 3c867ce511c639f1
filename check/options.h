// options.h - the command line of freq2equat-check.
#pragma once

#include <optional>
#include <string>

namespace check {

struct Options {
  std::string directory = ".";
  std::optional<std::string> freq;        // --freq FILE
  std::optional<std::string> table;       // --table FILE
  std::optional<std::string> masses;      // --masses FILE|default
  std::optional<std::string> plot;        // --plot FILE.svg|.pdf|.png
  std::optional<std::string> plot_unit;   // --plot-unit micro-u|keV
  bool plot_references = false;           // --plot-references
  bool no_masses = false;                 // --no-masses
  std::optional<std::string> make_table;  // --make-table FILE
  bool verbose = false;
  bool help = false;
  bool version = false;
};

// Fills `options` from the arguments. Returns an empty string, or the one
// line that says what is wrong with them.
std::string parse_options(int argc, const char* const* argv, Options& options);

// The text of --help.
const char* usage_text();

}  // namespace check
