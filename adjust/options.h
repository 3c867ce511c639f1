// options.h - the command line of freq2equat-adjust.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace adjust {

struct Options {
  std::vector<std::string> files;              // FILE...
  std::optional<std::string> masses;           // --masses FILE
  std::vector<std::string> anchors;            // --anchor NUCLIDE|all
  bool kev = false;                            // --kev
  std::optional<std::string> correlations;     // --correlations FILE
  double threshold = 3.0;                      // --threshold T
  bool reject = false;                         // --reject
  std::optional<std::string> json;             // --json FILE
  std::optional<std::string> plot;             // --plot FILE.svg|.pdf|.png
  std::vector<std::string> differences;        // --difference A-B
  std::optional<std::string> covariance;       // --covariance FILE
  std::optional<std::string> data_covariance;  // --data-covariance FILE
};

enum class ParseResult { run, help, version, usage_error };

// Fills `options` from the arguments. On usage_error `message` is the one
// line that says what is wrong; on help and version, the text to print.
ParseResult parse_options(int argc, const char* const* argv, Options& options,
                          std::string& message);

}  // namespace adjust
