// main.cpp - freq2equat-adjust: the least-squares adjustment of the
// equations that freq2equat wrote, against the mass table.
//
// Every input is read only, through the record layer with every condition
// asked for, so the layer never ends this program. The files it writes
// (--json, --correlations, --plot) go to temporary names first and are
// renamed into place together, when all of them and the report are complete.
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "adjust/adjust_run.h"
#include "adjust/adjustment.h"
#include "adjust/adjustment_plot.h"
#include "adjust/data_covariance.h"
#include "adjust/equations_file.h"
#include "adjust/options.h"
#include "adjust/report.h"
#include "cli/bounded_file.h"
#include "cli/diagnostics.h"
#include "cli/output_file.h"
#include "cli/paths.h"
#include "cli/program.h"
#include "cli/quoting.h"
#include "conversion/constants.h"
#include "nuclides/installed_data.h"
#include "nuclides/mass_table.h"
#include "nuclides/nubase_table.h"
#include "plot/render.h"

namespace {

constexpr int adjusted = 0;
constexpr int adjusted_with_flags = 1;
// Every equations file is read on this unit in turn.
constexpr std::int32_t equations_unit = 3;

using cli::fail;

// -v: an equation as it was read, at its FILE:LINE.
void print_read(const adjust::Equation& equation) {
  const std::string file = cli::shown_name(equation.file);
  const std::string measured = equation.measured.name();
  const std::string reference = equation.reference.name();
  const char* format = "%s:%lld: ME(%s) - %.15g*ME(%s) = %.15g (%.15g)%s";
  const auto line = static_cast<long long>(equation.line);
  const char* missing =
      equation.binding_energy_missing ? ", without binding-energy correction" : "";
  std::string text(static_cast<std::size_t>(std::snprintf(
                       nullptr, 0, format, file.c_str(), line, measured.c_str(), equation.G,
                       reference.c_str(), equation.V, equation.U, missing)) +
                       1,
                   '\0');
  std::snprintf(text.data(), text.size(), format, file.c_str(), line, measured.c_str(), equation.G,
                reference.c_str(), equation.V, equation.U, missing);
  text.pop_back();
  // A symbol read from a file may hold an escape sequence: shown as <1B>.
  std::printf("%s\n", cli::terminal_text(text).c_str());
}

int adjust_files(int argc, char** argv) {
  adjust::Options options;
  if (const auto done = adjust::parse_options(argc, argv, options)) return *done;

  const std::string masses_path = nuclides::mass_table_named(options.masses);
  const std::string nubase_path =
      options.no_nubase ? std::string() : nuclides::nubase_table_named(options.nubase);
  std::vector<std::string> inputs = options.files;
  inputs.push_back(masses_path);
  if (!nubase_path.empty()) inputs.push_back(nubase_path);
  if (options.data_covariance) inputs.push_back(*options.data_covariance);
  for (std::size_t i = 0; i < options.files.size(); ++i) {
    for (std::size_t j = i + 1; j < options.files.size(); ++j) {
      if (cli::same_file(options.files[i], options.files[j])) {
        return fail(cli::quoted_name(options.files[j]) + " is " +
                    cli::quoted_name(options.files[i]) + " again: its equations would count twice");
      }
    }
  }
  // The files this program writes must never be one it reads, or a slip in
  // the command line would destroy data, nor one another.
  cli::NamesInUse in_use;
  std::vector<cli::NamedOutput>& outputs = in_use.outputs;
  if (options.json) outputs.push_back({"--json", *options.json});
  if (options.correlations) outputs.push_back({"--correlations", *options.correlations});
  if (options.covariance) outputs.push_back({"--covariance", *options.covariance});
  if (options.plot) outputs.push_back({"--plot", *options.plot});
  in_use.inputs = inputs;
  if (const std::string clash = in_use.clash(); !clash.empty()) return fail(clash);
  if (options.plot) {
    if (const std::string why = plot::refusal_of(*options.plot); !why.empty()) return fail(why);
  }
  // A FIFO or a device would block the read or never end: every input is
  // refused before anything is read, the system's reason given.
  for (const std::string& input : inputs) {
    if (const std::string why = cli::input_refusal(input); !why.empty()) {
      return fail("cannot read " + cli::quoted_name(input) + ": " + why);
    }
  }
  // Rows of the table that cannot be used are findings like those of the
  // equations files, and are left out.
  std::string message;
  cli::Diagnostics diagnostics;
  nuclides::MassTable masses;
  if (!masses.load(masses_path, cli::shown_name(masses_path), diagnostics, message))
    return fail(message);
  // The isomers' excitation energies: a table named on the command line
  // must load; the installed one may be missing (a copied binary), which
  // is said once and costs only the isomers' table values.
  static nuclides::NubaseTable nubase;
  bool nubase_loaded = false;
  if (!nubase_path.empty()) {
    if (nubase.load(nubase_path, cli::shown_name(nubase_path), diagnostics, message)) {
      nubase_loaded = true;
    } else if (!nuclides::is_default_mass_table(options.nubase)) {
      return fail(message);
    } else {
      std::fprintf(stderr, "freq2equat-adjust: %s: isomers have no table values\n",
                   message.c_str());
    }
  }

  std::vector<adjust::EquationsSource> sources;
  for (const std::string& path : options.files)
    sources.push_back({path, cli::shown_name(path), path});
  adjust::EquationsRead read;
  if (!adjust::read_equations_files(sources, equations_unit, diagnostics, read, message,
                                    [&](const adjust::Equation& equation) {
                                      if (options.verbose) print_read(equation);
                                    })) {
    return fail(message);
  }
  if (read.errors > 0) {
    return fail(cli::count_of(read.errors, "error") + " in the equations files: nothing adjusted");
  }
  if (read.equations.empty()) return fail("no equations to adjust");

  adjust::AdjustSettings settings;
  settings.properties = nubase_loaded ? &nubase : nullptr;
  settings.threshold = options.threshold;
  settings.reject = options.reject;
  // Nuclides by nuclides: the whole table's would be 100 MB, made only to be printed.
  settings.covariance_matrix = options.correlations || options.covariance;
  for (const std::string& anchor : options.anchors) {
    if (anchor == "all") {
      settings.anchor_all = true;
    } else {
      settings.anchors.push_back(*adjust::parse_nuclide(anchor));
    }
  }
  if (options.data_covariance &&
      !adjust::read_data_covariance(*options.data_covariance,
                                    cli::shown_name(*options.data_covariance), read.equations,
                                    settings.data_covariances, message)) {
    return fail(message);
  }
  for (const std::string& difference : options.differences)
    settings.differences.push_back(*adjust::parse_difference(difference));
  static adjust::Adjustment adjustment;
  if (!adjust::adjust_read_equations(std::move(read), masses, settings, adjustment, message))
    return fail(message);

  adjust::ReportSettings report =
      adjust::report_settings(masses, cli::shown_name(cli::base_name(masses_path)),
                              nubase_loaded ? &nubase : nullptr, options.threshold);
  report.kev = options.kev;
  // Every file or none: a failure of a later one leaves the earlier
  // targets as they were.
  cli::OutputSet written;
  if (options.json && !written.write_whole(*options.json, cli::OutputMode::replace,
                                           adjust::json_report(adjustment, report), message)) {
    return fail(message);
  }
  if (options.correlations && !written.write_whole(*options.correlations, cli::OutputMode::replace,
                                                   adjust::correlations_csv(adjustment), message)) {
    return fail(message);
  }
  if (options.covariance && !written.write_whole(*options.covariance, cli::OutputMode::replace,
                                                 adjust::covariance_csv(adjustment), message)) {
    return fail(message);
  }

  std::vector<std::string> picture_pages;
  if (options.plot) {
    std::string title = cli::base_name(options.files.front());
    if (options.files.size() > 1)
      title += " and " + std::to_string(options.files.size() - 1) + " more";
    title += ", adjusted";
    // keV as the table's own columns give it, as the checker's picture takes it.
    const double kev_per_micro_u = options.plot_kev ? report.kev_per_micro_u : 0.0;
    plot::Figure figure =
        adjust::adjustment_figure(adjustment, title, kev_per_micro_u, options.plot_sigma,
                                  plot::size_named(options.plot_size));
    // The picture says exactly which tables it was compared with.
    if (!report.masses_table.checksum.empty())
      figure.footnotes.push_back({"Mass table: " + report.masses_table.described(), {}});
    if (report.nubase_table)
      figure.footnotes.push_back({"Excitation energies: " + report.nubase_table->described(), {}});
    const std::string why =
        plot::write_picture(figure, *options.plot, &written, &picture_pages, &in_use);
    if (!why.empty()) return fail(why);
  }

  const std::string text = adjust::text_report(adjustment, report);
  // A symbol read from a file may hold an escape sequence: shown as <1B>.
  const std::string shown = cli::terminal_text(text, true);
  std::fwrite(shown.data(), 1, shown.size(), stdout);
  // A picture of several pages is several files: the reader is told which.
  if (picture_pages.size() > 1)
    std::printf("picture: %s\n", plot::listed_names(picture_pages).c_str());
  if (const std::string lost = written.place_all(); !lost.empty()) return fail(lost);
  // 0 only when every datum was used and nothing asks for a second look.
  const bool look_again = adjustment.flagged_count() > 0 || adjustment.undetermined_count() > 0 ||
                          !adjustment.warnings.empty();
  return look_again ? adjusted_with_flags : adjusted;
}

}  // namespace

int main(int argc, char** argv) {
  return cli::run_program("freq2equat-adjust", [&] { return adjust_files(argc, argv); });
}
