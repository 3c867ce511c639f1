// options.cpp - parsing the command line with CLI11.
#include "adjust/options.h"

#include <CLI/CLI.hpp>
#include <cmath>
#include <string_view>

#include "adjust/nuclide.h"

namespace adjust {

namespace {

constexpr const char* description =
    "Adjusts the equations that freq2equat wrote (one or more equations files) by weighted least\n"
    "squares, together with anchors from the 2020 mass table, and reports the adjusted mass\n"
    "excesses, chi2 and the Birge ratio, and for each datum its residual, significance and\n"
    "influence.\n"
    "Exit status: 0 adjusted, every datum used; 1 something to look at (a flagged datum, an\n"
    "undetermined nuclide, a warning); 2 could not adjust\n"
    "(a usage error, an unreadable or wrong input, a file that could not be written).\n";

}  // namespace

ParseResult parse_options(int argc, const char* const* argv, Options& options,
                          std::string& message) {
  CLI::App app(description, "freq2equat-adjust");
  app.set_version_flag("--version",
                       std::string("freq2equat-adjust (freq2equat) ") + FREQ2EQUAT_VERSION);
  app.add_option("FILE", options.files, "equations files as freq2equat writes them (vemo.equat)")
      ->required()
      ->type_name("");
  app.add_option("--masses", options.masses,
                 "mass table (CSV, as the shipped 2020 table) for the anchors and the comparison")
      ->type_name("FILE");
  app.add_option(
         "--anchor", options.anchors,
         "anchor NUCLIDE (for example 133Cs) at its table value as well; 'all' anchors every "
         "nuclide the table holds; repeatable")
      ->take_last()
      ->type_name("NUCLIDE|all")
      ->allow_extra_args(false)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  app.add_flag("--kev", options.kev, "show the mass excesses in keV as well");
  app.add_option("--correlations", options.correlations,
                 "write the correlation matrix of the adjusted mass excesses to FILE (CSV)")
      ->type_name("FILE");
  app.add_option("--threshold", options.threshold,
                 "flag a datum whose standardized residual exceeds T (default 3)")
      ->type_name("T");
  app.add_flag("--reject", options.reject,
               "drop the worst flagged datum and adjust again, while one exceeds the threshold");
  app.add_option("--json", options.json, "write the results to FILE as JSON")->type_name("FILE");
  app.add_option("--plot", options.plot,
                 "draw the adjusted values against the table and the data's normalized residuals "
                 "into FILE (.svg, .pdf or .png)")
      ->type_name("FILE");
  app.add_option("--difference", options.differences,
                 "print ME(A) - ME(B) in micro-u, keV and eV with its uncertainty from the full "
                 "covariance (a Q-value, an isomer's excitation energy); repeatable")
      ->type_name("A-B")
      ->allow_extra_args(false)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  app.add_option("--covariance", options.covariance,
                 "write the covariance matrix of the adjusted mass excesses (micro-u^2, 17 "
                 "significant digits) to FILE (CSV)")
      ->type_name("FILE");
  app.add_option("--data-covariance", options.data_covariance,
                 "read covariances between the data (common components, correlations) from FILE")
      ->type_name("FILE");
  try {
    app.parse(argc, argv);
  } catch (const CLI::CallForHelp&) {
    message = app.help();
    return ParseResult::help;
  } catch (const CLI::CallForVersion&) {
    message = app.version() + "\n";
    return ParseResult::version;
  } catch (const CLI::ParseError& error) {
    // A usage error is one line: the parser's text may run over several.
    message.clear();
    for (const char c : std::string_view(error.what())) {
      const bool blank = c == '\n' || c == ' ' || c == '\t';
      if (blank && (message.empty() || message.back() == ' ')) continue;
      message += blank ? ' ' : c;
    }
    while (!message.empty() && message.back() == ' ') message.pop_back();
    return ParseResult::usage_error;
  }
  if (!std::isfinite(options.threshold) || !(options.threshold > 0.0)) {
    message = "--threshold must be a number above 0";
    return ParseResult::usage_error;
  }
  for (const std::string& anchor : options.anchors) {
    if (anchor != "all" && !parse_nuclide(anchor)) {
      message = "--anchor '" + anchor + "' is not a nuclide such as 133Cs, or 'all'";
      return ParseResult::usage_error;
    }
  }
  for (const std::string& difference : options.differences) {
    if (!parse_difference(difference)) {
      message = "--difference '" + difference + "' is not two nuclides such as 187Re-187Os";
      return ParseResult::usage_error;
    }
  }
  return ParseResult::run;
}

}  // namespace adjust
