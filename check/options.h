// options.h - the command line of freq2equat-check.
#pragma once

#include <optional>
#include <string>

namespace check {

struct Options {
  std::optional<std::string> directory;   // [DIR], the current directory by default
  std::optional<std::string> freq;        // --freq FILE
  std::optional<std::string> table;       // --table FILE
  std::optional<std::string> masses;      // --masses FILE|default
  std::optional<std::string> plot;        // --plot FILE.svg|.pdf|.png
  bool plot_kev = false;                  // --plot-unit keV
  bool plot_references = false;           // --plot-references
  bool plot_sigma = false;                // --plot-scale sigma
  std::string plot_size = "page";         // --plot-size column|page|slide
  bool no_masses = false;                 // --no-masses
  std::optional<std::string> nubase;      // --nubase FILE|default
  bool no_nubase = false;                 // --no-nubase
  std::optional<std::string> make_table;  // --make-table FILE
  std::optional<std::string> make_freq;   // --make-freq CSV
  std::optional<std::string> json;        // --json FILE
  std::optional<std::string> sarif;       // --sarif FILE
  bool verbose = false;                   // -v, --verbose
};

// Fills `options` from the arguments. Returns nothing when the check is to
// run; otherwise the exit status, with --help or --version printed or the
// usage error said (cli/command_line.h).
std::optional<int> parse_options(int argc, const char* const* argv, Options& options);

}  // namespace check
