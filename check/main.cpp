// main.cpp - freq2equat-check: finds the input mistakes that freq2equat
// turns silently into wrong equations.
//
// Both files are connected for reading only and read through the
// converter's own table load and measurements walk, with every condition
// asked for, so the record layer never ends this program and nothing it

#include <cstdio>
#include <string>
#include <vector>

#include "check/check_context.h"
#include "check/check_run.h"
#include "check/comparison.h"
#include "check/comparison_plot.h"
#include "check/finding_bytes.h"
#include "check/findings_json.h"
#include "check/findings_sarif.h"
#include "check/input_reading.h"
#include "check/isomer_comparison.h"
#include "check/make_freq.h"
#include "check/make_table.h"
#include "check/mass_table_rows.h"
#include "check/options.h"
#include "cli/bounded_file.h"
#include "cli/output_file.h"
#include "cli/paths.h"
#include "cli/program.h"
#include "cli/quoting.h"
#include "conversion/binding_energy_table.h"
#include "conversion/constants.h"
#include "nuclides/binding_energy_data.h"
#include "nuclides/installed_data.h"
#include "plot/render.h"
#include "recordio/text_records.h"
#include "recordio/units.h"

namespace {

constexpr int found_nothing = 0;
constexpr int found_something = 1;

using cli::fail;

std::string in_directory(const std::optional<std::string>& directory, const char* name) {
  if (!directory || *directory == ".") return name;
  // The options refuse an empty directory operand before it comes here.
  return *directory + (directory->back() == '/' ? "" : "/") + name;
}

// --make-table: the rows for the ions of the measurements file, written as
// a new file. Nothing else is read or written.
int make_table(const check::Options& options, check::CheckContext& context) {
  if (options.table || options.masses || options.plot || options.plot_kev ||
      options.plot_references) {
    return fail(
        "--make-table writes a table and checks nothing: it takes no --table, --masses or --plot");
  }
  const std::string& path = *options.make_table;
  const std::string exists =
      cli::quoted_name(path) + " exists: --make-table writes a new file only";
  if (cli::name_exists(path)) return fail(exists);
  // A FIFO would block the read and a directory has no lines: said as what
  // they are, before the record layer sees them.
  if (const std::string why = cli::input_refusal(context.freq.path); !why.empty())
    return fail("cannot read " + context.freq.quoted + ": " + why);
  std::string error;
  if (!check::connect(context.freq, error)) return fail(error);
  recordio::find_unit(context.freq.unit)->trace = &context.freq.trace;
  const check::MadeTable made = check::make_table_rows(context, path);
  check::release(context.freq.unit);
  if (context.unreadable) return fail(*context.unreadable);
  // An empty file, or one whose lines the converter cannot split (CR alone
  // ends them), names no ion: an empty table would pass for a made one.
  if (made.row_count == 0 && made.ions_without_row == 0) {
    cli::say(context.freq.quoted + " names no ion (no reference or measurement line read): " +
             cli::quoted_name(path) + " not written");
    return found_something;
  }
  bool name_taken = false;
  if (!cli::write_whole_file(path, cli::OutputMode::new_only, made.rows, error, &name_taken)) {
    return fail(name_taken ? exists : error);
  }
  std::printf(
      "%s: %s written for the ions of %s%s\n", cli::shown_name(path).c_str(),
      cli::count_of(made.row_count, "row").c_str(), context.freq.shown.c_str(),
      made.ions_without_row == 0
          ? ""
          : ("; " + cli::count_of(made.ions_without_row, "ion") + " without a row").c_str());
  return context.diagnostics.errors() + context.diagnostics.warnings() > 0 ? found_something
                                                                           : found_nothing;
}

// --make-freq: vemo.freq in the current directory from a CSV of ratios.
// Nothing is written when any row is bad.
int make_freq(const check::Options& options) {
  constexpr const char* target = "vemo.freq";
  const std::string exists =
      cli::quoted_name(target) + " exists: --make-freq writes a new file only";
  if (cli::name_exists(target)) return fail(exists);
  // The mass table gives the values a row asks for with "table"; a default
  // table that is missing costs only those rows.
  nuclides::MassTable masses;
  const nuclides::MassTable* loaded = nullptr;
  std::string error;
  const std::string masses_path = nuclides::mass_table_named(options.masses);
  if (masses.load(masses_path, error)) {
    loaded = &masses;
  } else if (!nuclides::is_default_mass_table(options.masses)) {
    return fail(error);
  }
  cli::Diagnostics diagnostics;
  check::MadeFreq made;
  if (!check::make_freq(*options.make_freq, loaded, diagnostics, made, error)) return fail(error);
  if (diagnostics.errors() > 0) {
    cli::say(cli::quoted_name(*options.make_freq) + ": " +
             cli::count_of(diagnostics.errors(), "bad row value") + ": " +
             cli::quoted_name(target) + " not written");
    return found_something;
  }
  bool name_taken = false;
  if (!cli::write_whole_file(target, cli::OutputMode::new_only, made.bytes, error, &name_taken))
    return fail(name_taken ? exists : error);
  std::printf("%s: %s, %s written from %s\n", target, cli::count_of(made.blocks, "block").c_str(),
              cli::count_of(made.measurements, "measurement").c_str(),
              cli::shown_name(*options.make_freq).c_str());
  return found_nothing;
}

int check_files(int argc, char** argv) {
  check::Options options;
  if (const auto done = check::parse_options(argc, argv, options)) return *done;
  if (options.make_freq) return make_freq(options);

  static check::CheckContext context;
  context.verbose = options.verbose;
  context.diagnostics.keep = options.json || options.sarif;
  context.tab_width = recordio::tab_width();
  context.freq.path = options.freq.value_or(in_directory(options.directory, "vemo.freq"));
  context.table.path = options.table.value_or(in_directory(options.directory, "ionization.data"));
  for (check::InputFile* file : {&context.freq, &context.table}) {
    file->shown = cli::shown_name(file->path);
    file->quoted = cli::quoted_name(file->path);
  }
  context.freq.unit = 3;
  context.table.unit = 10;

  // The shipped binding energies: --make-table is made of them; a check
  // holds the rows to them and gives each correction its uncertainty, and
  // goes on without those findings, saying so once, when a copied binary
  // finds no data beside it.
  static nuclides::BindingEnergyData binding;
  {
    std::string error;
    if (binding.load(nuclides::installed_binding_energies(), error)) {
      context.binding = &binding;
    } else if (options.make_table) {
      return fail(error);
    } else {
      cli::say(error + ": the rows of the binding-energy table are not checked against it");
    }
  }
  if (options.make_table) return make_table(options, context);

  // The installed table is compared with by default: a slip in a mass
  // excess shows only beside it. A table named on the command line must
  // load; the default one may be missing (a copied binary), which is said
  // once and costs only the comparison.
  nuclides::MassTable masses;
  std::string masses_path;
  const bool default_table = nuclides::is_default_mass_table(options.masses);
  if (!options.no_masses) masses_path = nuclides::mass_table_named(options.masses);

  // The isomers' excitation energies, found and missed as the mass table is.
  static nuclides::NubaseTable nubase;
  const std::string nubase_path =
      options.no_nubase ? std::string() : nuclides::nubase_table_named(options.nubase);

  // The picture and the reports are the files this program writes: none may
  // be one of the files it reads, or a slip in the command line would
  // destroy data. Nor may the picture be a FIFO (the write would wait for a
  // reader for ever) or have a name that says no format: both are refused
  // before any reading.
  cli::NamesInUse in_use;
  if (options.plot) in_use.outputs.push_back({"--plot", *options.plot});
  if (options.json) in_use.outputs.push_back({"--json", *options.json});
  if (options.sarif) in_use.outputs.push_back({"--sarif", *options.sarif});
  in_use.inputs = {context.freq.path, context.table.path, masses_path, nubase_path};
  if (const std::string clash = in_use.clash(); !clash.empty()) return fail(clash);
  if (options.plot) {
    if (const std::string why = plot::refusal_of(*options.plot); !why.empty()) return fail(why);
  }

  if (!masses_path.empty()) {
    std::string error;
    if (check::load_mass_table(masses, masses_path, context, error)) {
      context.masses = &masses;
    } else if (!default_table || options.plot) {
      return fail(error);
    } else {
      cli::say(error + ": the mass excesses are not compared with a mass table");
      masses_path.clear();
    }
  }

  if (!nubase_path.empty()) {
    std::string error;
    if (check::load_nubase_table(nubase, nubase_path, context, error)) {
      context.properties = &nubase;
    } else if (!nuclides::is_default_mass_table(options.nubase)) {
      return fail(error);
    } else {
      cli::say(error + ": isomers are not compared with excitation energies");
    }
  }

  // About 16 KiB, as in the converter: kept off the stack.
  static conversion::BindingEnergyTable table;
  // The picture, the JSON and the SARIF get their names only once the listing has
  // reached standard output, so that a failed run leaves the old files.
  cli::OutputSet written;
  check::CheckRun run;
  std::string error;
  if (!check::run_check(context, table, run, error)) return fail(error);
  const std::vector<check::IsomerComparison>& isomers = run.isomers;
  if (context.masses != nullptr)
    check::print_comparison(context.compared, cli::shown_name(cli::base_name(masses_path)),
                            masses.identity().described());
  if (!isomers.empty()) check::print_isomer_comparison(isomers, nubase.identity().described());
  if (options.plot) {
    check::ComparisonPlotSettings settings;
    // The table is named as physicists cite it; a table of one's own by its file.
    std::string table_name = default_table ? "AME2020" : cli::base_name(masses_path);
    if (!default_table && table_name.size() > 4 &&
        table_name.substr(table_name.size() - 4) == ".csv") {
      table_name.erase(table_name.size() - 4);
    }
    settings.title = cli::base_name(context.freq.path) + " - " + table_name;
    settings.kev_per_micro_u = masses.kev_per_micro_u().value_or(conversion::kev_per_micro_u);
    settings.in_kev = options.plot_kev;
    settings.references = options.plot_references;
    settings.in_sigma = options.plot_sigma;
    settings.size = plot::size_named(options.plot_size);
    if (context.properties != nullptr) {
      settings.isomers = &isomers;
      settings.state_lines = &context.state_lines;
    }
    plot::Figure figure = check::comparison_figure(context.compared.all(), settings);
    // The picture says exactly which tables it was compared with.
    figure.footnotes.push_back({"Mass table: " + masses.identity().described(), {}});
    if (context.properties != nullptr)
      figure.footnotes.push_back({"Excitation energies: " + nubase.identity().described(), {}});
    std::vector<std::string> pages;
    const std::string why = plot::write_picture(figure, *options.plot, &written, &pages, &in_use);
    if (!why.empty()) return fail(why);
    // A picture of several pages is several files: the reader is told which.
    if (pages.size() > 1) std::printf("picture: %s\n", plot::listed_names(pages).c_str());
  }

  std::vector<check::FindingFile> files;
  if (options.json || options.sarif) {
    files = check::finding_files(context, masses_path, nubase_path);
    check::place_in_bytes(context.diagnostics.kept(), files);
  }
  if (options.json) {
    const std::string text = check::check_json(context, run, table.size());
    if (!written.write_whole(*options.json, cli::OutputMode::replace, text, error))
      return fail(error);
  }
  if (options.sarif) {
    if (!written.write_whole(*options.sarif, cli::OutputMode::replace,
                             check::findings_sarif(context.diagnostics.kept(), files), error))
      return fail(error);
  }

  const int errors = context.diagnostics.errors();
  const int warnings = context.diagnostics.warnings();
  std::printf("%s: %s, %s, %s would be written; %s: %s loaded; %s, %s\n",
              context.freq.shown.c_str(), cli::count_of(run.counts.blocks, "block").c_str(),
              cli::count_of(run.counts.measurements, "measurement").c_str(),
              cli::count_of(run.counts.measurements, "equation").c_str(),
              context.table.shown.c_str(), cli::count_of(table.size(), "row").c_str(),
              cli::count_of(errors, "error").c_str(), cli::count_of(warnings, "warning").c_str());
  if (const std::string lost = written.place_all(); !lost.empty()) return fail(lost);
  return errors + warnings > 0 ? found_something : found_nothing;
}

}  // namespace

int main(int argc, char** argv) {
  return cli::run_program("freq2equat-check", [&] { return check_files(argc, argv); });
}
