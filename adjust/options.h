// options.h - the command line of freq2equat-adjust.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace adjust {

struct Options {
  std::vector<std::string> files;              // FILE...
  std::optional<std::string> masses;           // --masses FILE|default
  std::vector<std::string> anchors;            // --anchor NUCLIDE|all
  bool kev = false;                            // --kev
  std::optional<std::string> correlations;     // --correlations FILE
  double threshold = 3.0;                      // --threshold T
  bool reject = false;                         // --reject
  std::optional<std::string> json;             // --json FILE
  std::optional<std::string> plot;             // --plot FILE.svg|.pdf|.png
  bool plot_kev = false;                       // --plot-unit keV
  bool plot_sigma = false;                     // --plot-scale sigma
  std::string plot_size = "page";              // --plot-size column|page|slide
  bool verbose = false;                        // -v, --verbose
  std::vector<std::string> differences;        // --difference A-B
  std::optional<std::string> covariance;       // --covariance FILE
  std::optional<std::string> data_covariance;  // --data-covariance FILE
  std::optional<std::string> nubase;           // --nubase FILE|default
  bool no_nubase = false;                      // --no-nubase
};

// Fills `options` from the arguments. Returns nothing when the adjustment
// is to run; otherwise the exit status, with --help or --version printed
// or the usage error said (cli/command_line.h).
std::optional<int> parse_options(int argc, const char* const* argv, Options& options);

}  // namespace adjust
