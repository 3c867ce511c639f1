// options.cpp - the checker's options, in the style every program shares.
#include "check/options.h"

#include "cli/command_line.h"

namespace check {

namespace {

constexpr const char* about =
    "Check DIR/vemo.freq and DIR/ionization.data (DIR is the current directory by\n"
    "default) for the input mistakes that freq2equat turns silently into wrong\n"
    "equations. Nothing is created, changed or removed, except the --plot,\n"
    "--json, --sarif, --make-table and --make-freq files.\n";

constexpr const char* closing =
    "Findings are printed as FILE:LINE:COLUMN: error|warning|note: message, then the\n"
    "line and a caret, on standard error; the summary goes to standard output.\n"
    "Exit status: 0 nothing found, 1 warnings or errors, 2 the files could not be\n"
    "checked. See freq2equat-check(1).\n";

}  // namespace

std::optional<int> parse_options(int argc, const char* const* argv, Options& options) {
  cli::CommandLine line("freq2equat-check", "[DIR]", about, closing);
  line.app().add_option("directory", options.directory, "the directory of the two files");
  line.add_value("--freq", options.freq, "FILE", "check FILE instead of DIR/vemo.freq");
  line.add_value("--table", options.table, "FILE", "check FILE instead of DIR/ionization.data");
  line.add_masses(options.masses);
  line.add_no_masses(options.no_masses);
  line.add_nubase(options.nubase);
  line.add_no_nubase(options.no_nubase, options.nubase);
  line.add_plot(options.plot, "the comparison with the mass table");
  line.add_plot_unit(options.plot_kev);
  line.add_plot_scale(options.plot_sigma);
  line.add_plot_size(options.plot_size);
  line.add_flag("--plot-references", options.plot_references,
                "draw the reference lines too (else listed under the picture)");
  line.add_value("--make-table", options.make_table, "FILE",
                 "write FILE, a new binding-energy table with a row for every ion of "
                 "DIR/vemo.freq, from the shipped data");
  line.add_value("--make-freq", options.make_freq, "CSV",
                 "write vemo.freq, a new file in the current directory, from the ratios of CSV "
                 "(freq2equat-check(1), MAKING VEMO.FREQ)");
  line.add_json(options.json, "the findings, the comparison and the summary");
  line.add_value("--sarif", options.sarif, "FILE",
                 "write the findings to FILE as a SARIF 2.1.0 log, for code scanning");
  line.add_verbose(options.verbose);
  line.add_rule([&options]() -> std::string {
    if (options.make_freq &&
        (options.make_table || options.json || options.sarif || options.plot || options.freq ||
         options.table || options.directory || options.no_masses)) {
      return "--make-freq writes vemo.freq and checks nothing: it takes no --make-table, --json, "
             "--sarif, --plot, --freq, --table, --no-masses or DIR";
    }
    if (options.make_table && (options.json || options.sarif))
      return std::string("--make-table checks nothing: it takes no ") +
             (options.json ? "--json" : "--sarif");
    if (options.no_masses && (options.masses || options.plot)) {
      return std::string("--no-masses and ") + (options.masses ? "--masses" : "--plot") +
             " contradict each other";
    }
    return {};
  });
  return line.parse(argc, argv);
}

}  // namespace check
