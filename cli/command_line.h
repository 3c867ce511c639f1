// command_line.h - one command-line style for every program of the project.
//
// CLI11 reads the words; this room gives every program the same spelling
// and meaning of the options they share, the same --help layout (GNU's:
// a usage line, a paragraph, the options in two columns, a closing
// paragraph), the same --version line and the same usage-error line:
// "PROGRAM: unknown option '--fast' (see --help)" with exit status 2.
//
//   cli::CommandLine line("freq2equat-check", "[DIR]", about, closing);
//   line.add_verbose(options.verbose);
//   line.add_value("--freq", options.freq, "FILE", "check FILE instead of DIR/vemo.freq");
//   if (const auto done = line.parse(argc, argv)) return *done;
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace cli {

class CommandLine {
 public:
  // `operands` follows "[OPTION]..." in the usage line ("[DIR]",
  // "FILE..."); `about` is the paragraph under it and `closing` the one
  // after the options, each ending in a newline.
  CommandLine(std::string program, std::string operands, std::string about, std::string closing);

  // The options every program spells and means alike. -h/--help and
  // --version are always there.
  void add_verbose(bool& verbose);
  // --masses FILE|default: the mass table (CSV, or the fixed-column file
  // as published) to compare with; "default"
  // names the 2020 table installed with the programs
  // (nuclides::mass_table_named).
  void add_masses(std::optional<std::string>& masses);
  // --no-masses: compare with no table (contradicts --masses and --plot).
  void add_no_masses(bool& no_masses);
  // --nubase FILE|default: the table of nuclear properties (as published)
  // the isomers' excitation energies come from; "default" names the 2020
  // table installed with the programs (nuclides::nubase_table_named).
  void add_nubase(std::optional<std::string>& nubase);
  // --no-nubase: no excitation energies (contradicts --nubase).
  void add_no_nubase(bool& no_nubase, const std::optional<std::string>& nubase);
  // --plot FILE: `what` is drawn into FILE, .svg, .pdf or .png.
  void add_plot(std::optional<std::string>& plot, const std::string& what);
  // --plot-unit micro-u|keV: the picture's unit; anything else is a usage
  // error. `kev` is set for keV.
  void add_plot_unit(bool& kev);
  // --plot-scale unit|sigma: the picture's vertical scale, in the unit or
  // in combined standard deviations; `sigma` is set for sigma.
  void add_plot_scale(bool& sigma);
  // --plot-size column|page|slide: the picture's shape; `size` gets the
  // word (it keeps its value, the default, when the option is not given).
  void add_plot_size(std::string& size);
  // --json FILE: `what` written to FILE as JSON.
  void add_json(std::optional<std::string>& json, const std::string& what);

  // A value option of the program's own, spelt as the shared ones are
  // (--name VALUE or --name=VALUE; the last one given counts; an empty
  // value is a usage error).
  void add_value(const std::string& name, std::optional<std::string>& value,
                 const std::string& type, const std::string& description);
  // A flag of the program's own.
  void add_flag(const std::string& names, bool& flag, const std::string& description);
  // Anything else, straight from CLI11 (operands, typed options).
  CLI::App& app() { return app_; }
  // A rule between options, run after parsing: the one-line usage error,
  // or an empty string.
  void add_rule(std::function<std::string()> rule);

  // Parses the arguments. Returns nothing when the program is to run;
  // otherwise the exit status, with --help or --version printed on
  // standard output (0) or the usage-error line on standard error (2).
  std::optional<int> parse(int argc, const char* const* argv);

  // The --help text.
  std::string help() const;

 private:
  std::string program_;
  std::string operands_;
  std::string about_;
  std::string closing_;
  CLI::App app_;
  std::vector<std::function<std::string()>> rules_;
  std::string usage_error(const std::vector<std::string>& remaining) const;
};

}  // namespace cli
