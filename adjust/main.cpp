// main.cpp - freq2equat-adjust: the least-squares adjustment of the
// equations that freq2equat wrote, against the mass table.
//
// Every input is read only, through the record layer with every condition
// asked for, so the layer never ends this program. The files it writes
// (--json, --correlations) go to a temporary name first and are renamed
// into place when complete.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "adjust/adjustment.h"
#include "adjust/adjustment_plot.h"
#include "adjust/data_covariance.h"
#include "adjust/equations_file.h"
#include "adjust/options.h"
#include "adjust/report.h"
#include "cli/diagnostics.h"
#include "cli/paths.h"
#include "cli/quoting.h"
#include "cli/replacing_file.h"
#include "cli/standard_output.h"
#include "nuclides/installed_data.h"
#include "nuclides/mass_table.h"
#include "plot/render.h"
#include "recordio/process_start.h"
#include "recordio/units.h"

namespace {

constexpr const char* program = "freq2equat-adjust";
constexpr int adjusted = 0;
constexpr int adjusted_with_flags = 1;
constexpr int could_not_adjust = 2;
// Every equations file is read on this unit in turn.
constexpr std::int32_t equations_unit = 3;

// The whole of `bytes` in `path`, or the old `path` untouched.
bool write_whole_file(const std::string& path, std::string_view bytes, std::string& error) {
  cli::ReplacingFile file;
  if (file.open(path) && file.write(bytes) && file.commit()) return true;
  error = file.error();
  return false;
}

int fail(const std::string& message) {
  std::fprintf(stderr, "%s: %s\n", program, message.c_str());
  return could_not_adjust;
}

// A FIFO or a device given as the table would block the read or never end.
bool is_regular_or_missing(const std::string& path) {
  struct stat about {};
  return ::stat(path.c_str(), &about) != 0 || S_ISREG(about.st_mode);
}

std::string file_end_note(const std::string& file, adjust::FileEnd end) {
  switch (end) {
    case adjust::FileEnd::normal:
      return {};
    case adjust::FileEnd::reading_error:
      return file +
             ": the conversion ended in \"Error in File Reading\": its equations before "
             "the error are used; the measurements after it were never converted";
    case adjust::FileEnd::no_closing:
      return file + ": no closing record, the conversion did not finish: its equations are used";
  }
  return {};
}

int adjust_files(int argc, char** argv) {
  adjust::Options options;
  std::string message;
  switch (adjust::parse_options(argc, argv, options, message)) {
    case adjust::ParseResult::help:
    case adjust::ParseResult::version:
      std::fputs(message.c_str(), stdout);
      return adjusted;
    case adjust::ParseResult::usage_error:
      return fail(message + " (see --help)");
    case adjust::ParseResult::run:
      break;
  }

  const std::string masses_path = options.masses.value_or(nuclides::installed_mass_table());
  std::vector<std::string> inputs = options.files;
  inputs.push_back(masses_path);
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
  // the command line would destroy data.
  const std::pair<const char*, const std::optional<std::string>*> outputs[] = {
      {"--json", &options.json},
      {"--correlations", &options.correlations},
      {"--covariance", &options.covariance},
      {"--plot", &options.plot}};
  for (std::size_t i = 0; i < std::size(outputs); ++i) {
    const auto& [option, output] = outputs[i];
    if (!*output) continue;
    for (const std::string& input : inputs) {
      if (cli::same_file(**output, input)) {
        return fail(std::string(option) + " " + cli::quoted_name(**output) +
                    " names an input file, " + cli::quoted_name(input));
      }
    }
    for (std::size_t j = 0; j < i; ++j) {
      const auto& [other_option, other] = outputs[j];
      if (*other && **other == **output) {
        return fail(std::string(other_option) + " and " + option + " name the same file, " +
                    cli::quoted_name(**output));
      }
    }
  }
  if (options.plot) {
    if (const std::string why = plot::refusal_of(*options.plot); !why.empty()) return fail(why);
  }

  if (!is_regular_or_missing(masses_path)) {
    return fail(cli::quoted_name(masses_path) + " is not a regular file");
  }
  // Rows of the table that cannot be used are findings like those of the
  // equations files, and are left out.
  cli::Diagnostics diagnostics;
  nuclides::MassTable masses;
  if (!masses.load(masses_path, cli::shown_name(masses_path), diagnostics, message))
    return fail(message);

  std::vector<adjust::Equation> equations;
  std::vector<std::string> notes;
  int errors = 0;
  for (const std::string& path : options.files) {
    adjust::EquationsFile file;
    if (!adjust::read_equations_file(path, path, equations_unit, diagnostics, file, message)) {
      return fail(message);
    }
    errors += file.errors;
    for (adjust::Equation& equation : file.equations) {
      equation.file = path;
      equations.push_back(std::move(equation));
    }
    const std::string note = file_end_note(path, file.end);
    if (!note.empty()) notes.push_back(note);
  }
  if (errors > 0) {
    return fail(cli::count_of(errors, "error") + " in the equations files: nothing adjusted");
  }
  if (equations.empty()) return fail("no equations to adjust");

  adjust::AdjustSettings settings;
  settings.threshold = options.threshold;
  settings.reject = options.reject;
  for (const std::string& anchor : options.anchors) {
    if (anchor == "all") {
      settings.anchor_all = true;
    } else {
      settings.anchors.push_back(*adjust::parse_nuclide(anchor));
    }
  }
  if (options.data_covariance) {
    if (!is_regular_or_missing(*options.data_covariance)) {
      return fail(cli::quoted_name(*options.data_covariance) + " is not a regular file");
    }
    if (!adjust::read_data_covariance(*options.data_covariance, *options.data_covariance, equations,
                                      settings.data_covariances, message)) {
      return fail(message);
    }
  }
  for (const std::string& difference : options.differences)
    settings.differences.push_back(*adjust::parse_difference(difference));
  static adjust::Adjustment adjustment;
  if (!adjust::adjust_equations(std::move(equations), masses, settings, adjustment, message)) {
    return fail(message);
  }
  adjustment.warnings.insert(adjustment.warnings.begin(), notes.begin(), notes.end());

  adjust::ReportSettings report;
  report.kev = options.kev;
  report.threshold = options.threshold;
  report.masses_name = cli::base_name(masses_path);
  report.kev_per_micro_u = masses.kev_per_micro_u().value_or(nuclides::kev_per_micro_u_2020);
  if (options.json &&
      !write_whole_file(*options.json, adjust::json_report(adjustment, report), message)) {
    return fail(message);
  }
  if (options.correlations &&
      !write_whole_file(*options.correlations, adjust::correlations_csv(adjustment), message)) {
    return fail(message);
  }
  if (options.covariance &&
      !write_whole_file(*options.covariance, adjust::covariance_csv(adjustment), message)) {
    return fail(message);
  }

  if (options.plot) {
    std::string title = cli::base_name(options.files.front());
    if (options.files.size() > 1)
      title += " and " + std::to_string(options.files.size() - 1) + " more";
    title += ", adjusted";
    const std::string why =
        plot::write_picture(adjust::adjustment_figure(adjustment, title), *options.plot);
    if (!why.empty()) return fail(why);
  }

  const std::string text = adjust::text_report(adjustment, report);
  std::fwrite(text.data(), 1, text.size(), stdout);
  // 0 only when every datum was used and nothing asks for a second look.
  const bool look_again = adjustment.flagged_count() > 0 || adjustment.undetermined_count() > 0 ||
                          !adjustment.warnings.empty();
  return look_again ? adjusted_with_flags : adjusted;
}

}  // namespace

int main(int argc, char** argv) {
  recordio::start_up();
  int status = could_not_adjust;
  try {
    status = adjust_files(argc, argv);
  } catch (const std::bad_alloc&) {
    status = fail("out of memory");
  }
  // A report that did not reach its file is an adjustment nobody sees.
  const std::string lost = cli::close_standard_output();
  if (!lost.empty()) return fail(lost);
  return status;
}
