// options.cpp - the adjustment's options, in the style every program shares.
#include "adjust/options.h"

#include <cmath>

#include "adjust/nuclide.h"
#include "cli/command_line.h"
#include "cli/quoting.h"

namespace adjust {

namespace {

constexpr const char* about =
    "Adjust the equations that freq2equat wrote (one or more equations files) by\n"
    "weighted least squares, together with anchors from the 2020 mass table, and\n"
    "report the adjusted mass excesses, chi2 and the Birge ratio, and for each\n"
    "datum its residual, significance and influence.\n";

constexpr const char* closing =
    "Exit status: 0 adjusted, every datum used; 1 something to look at (a flagged\n"
    "datum, an undetermined nuclide, a warning); 2 could not adjust (a usage error,\n"
    "an unreadable or wrong input, a file that could not be written).\n"
    "See freq2equat-adjust(1).\n";

}  // namespace

std::optional<int> parse_options(int argc, const char* const* argv, Options& options) {
  cli::CommandLine line("freq2equat-adjust", "FILE...", about, closing);
  line.app().add_option("FILE", options.files,
                        "equations files as freq2equat writes them (vemo.equat)");
  line.add_masses(options.masses);
  line.add_nubase(options.nubase);
  line.add_no_nubase(options.no_nubase, options.nubase);
  line.app()
      .add_option("--anchor", options.anchors,
                  "anchor NUCLIDE (for example 133Cs) at its table value as well; 'all' anchors "
                  "every nuclide the table holds; repeatable")
      ->take_last()
      ->type_name("NUCLIDE|all")
      ->allow_extra_args(false)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  line.add_flag("--kev", options.kev, "show the mass excesses in keV as well");
  line.add_value("--correlations", options.correlations, "FILE",
                 "write the correlation matrix of the adjusted mass excesses to FILE (CSV)");
  line.app()
      .add_option("--threshold", options.threshold,
                  "flag a datum whose standardized residual exceeds T (default 3)")
      ->type_name("T");
  line.add_flag("--reject", options.reject,
                "drop the worst flagged datum and adjust again, while one exceeds the threshold");
  line.add_json(options.json, "the results");
  line.add_plot(options.plot,
                "the adjusted values against the table and the data's normalized residuals");
  line.add_plot_unit(options.plot_kev);
  line.add_plot_scale(options.plot_sigma);
  line.add_plot_size(options.plot_size);
  line.add_verbose(options.verbose);
  line.app()
      .add_option("--difference", options.differences,
                  "print ME(A) - ME(B) in micro-u, keV and eV with its uncertainty from the full "
                  "covariance (a Q-value, an isomer's excitation energy); repeatable")
      ->type_name("A-B")
      ->allow_extra_args(false)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  line.add_value("--covariance", options.covariance, "FILE",
                 "write the covariance matrix of the adjusted mass excesses (micro-u^2, 17 "
                 "significant digits) to FILE (CSV)");
  line.add_value("--data-covariance", options.data_covariance, "FILE",
                 "read covariances between the data (common components, correlations) from FILE");
  line.add_rule([&options]() -> std::string {
    // Checked here rather than by CLI11, which would name a missing FILE
    // before a mistyped option, the likelier slip.
    if (options.files.empty()) return "FILE is required";
    if (!std::isfinite(options.threshold) || !(options.threshold > 0.0)) {
      return "--threshold must be a number above 0";
    }
    for (const std::string& anchor : options.anchors) {
      if (anchor != "all" && !parse_nuclide(anchor)) {
        return "--anchor " + cli::quoted_name(anchor) + " is not a nuclide such as 133Cs, or 'all'";
      }
    }
    for (const std::string& difference : options.differences) {
      if (!parse_difference(difference)) {
        return "--difference " + cli::quoted_name(difference) +
               " is not two nuclides such as 187Re-187Os";
      }
    }
    return {};
  });
  return line.parse(argc, argv);
}

}  // namespace adjust
