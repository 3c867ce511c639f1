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
#include "check/comparison.h"
#include "check/comparison_plot.h"
#include "check/findings_json.h"
#include "check/input_reading.h"
#include "check/isomer_comparison.h"
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

int check_files(int argc, char** argv) {
  check::Options options;
  if (const auto done = check::parse_options(argc, argv, options)) return *done;

  static check::CheckContext context;
  context.verbose = options.verbose;
  context.diagnostics.keep = options.json.has_value();
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

  // The picture is the one file this program writes: it must never be one
  // of the files it reads, or a slip in the command line would destroy data.
  // Nor may it be a FIFO (the write would wait for a reader for ever) or
  // have a name that says no format: both are refused before any reading.
  std::vector<cli::NamedOutput> outputs;
  if (options.plot) outputs.push_back({"--plot", *options.plot});
  if (options.json) outputs.push_back({"--json", *options.json});
  if (!outputs.empty()) {
    const std::string clash = cli::output_clash(
        outputs, {context.freq.path, context.table.path, masses_path, nubase_path});
    if (!clash.empty()) return fail(clash);
  }
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
  // The picture and the JSON get their names only once the listing has
  // reached standard output, so that a failed run leaves the old files.
  cli::OutputSet written;
  check::ReadCounts counts;
  std::string error;
  if (!check::read_inputs(context, table, counts, error)) return fail(error);

  // The isomers' E*, once every line of a block is known: the ground state
  // may come after its isomer.
  std::vector<check::IsomerComparison> isomers;
  if (context.properties != nullptr) {
    isomers = check::compare_isomers(context.state_lines, context.properties);
    for (const check::IsomerComparison& compared : isomers) {
      const check::StateLine& line = context.state_lines[compared.from];
      if (auto finding = check::isomer_finding(compared, nubase.identity().file_name,
                                               {context.freq.shown, line.line, line.text})) {
        finding->column = line.value_column;
        context.diagnostics.add(*finding);
      }
    }
  }
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
    plot::Figure figure = check::comparison_figure(context.compared, settings);
    // The picture says exactly which tables it was compared with.
    figure.footnotes.push_back({"Mass table: " + masses.identity().described(), {}});
    if (context.properties != nullptr)
      figure.footnotes.push_back({"Excitation energies: " + nubase.identity().described(), {}});
    const std::string why = plot::write_picture(figure, *options.plot, &written);
    if (!why.empty()) return fail(why);
  }

  if (options.json) {
    check::CheckedAgainst tables;
    if (context.masses != nullptr) tables.masses = masses.identity();
    if (context.properties != nullptr) tables.nubase = nubase.identity();
    const std::string text =
        check::findings_json(context.diagnostics.kept(), context.compared,
                             {counts.blocks, counts.measurements, table.size()}, isomers, tables);
    if (!written.write_whole(*options.json, cli::OutputMode::replace, text, error))
      return fail(error);
  }

  const int errors = context.diagnostics.errors();
  const int warnings = context.diagnostics.warnings();
  std::printf("%s: %s, %s, %s would be written; %s: %s loaded; %s, %s\n",
              context.freq.shown.c_str(), cli::count_of(counts.blocks, "block").c_str(),
              cli::count_of(counts.measurements, "measurement").c_str(),
              cli::count_of(counts.measurements, "equation").c_str(), context.table.shown.c_str(),
              cli::count_of(table.size(), "row").c_str(), cli::count_of(errors, "error").c_str(),
              cli::count_of(warnings, "warning").c_str());
  if (const std::string lost = written.place_all(); !lost.empty()) return fail(lost);
  return errors + warnings > 0 ? found_something : found_nothing;
}

}  // namespace

int main(int argc, char** argv) {
  return cli::run_program("freq2equat-check", [&] { return check_files(argc, argv); });
}
