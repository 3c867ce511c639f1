// command_line.cpp - CLI11 under one help layout and one usage-error line.
#include "cli/command_line.h"

#include <cstdio>
#include <string_view>
#include <utility>

#include "cli/program.h"
#include "cli/quoting.h"

namespace cli {

namespace {

// Option names start here in --help, descriptions at description_column;
// lines are wrapped before line_width, as GNU tools print their help.
constexpr std::size_t description_column = 24;
constexpr std::size_t line_width = 80;

// `text` wrapped at blanks into lines that start at `indent` (the first one
// after `lead`, which is `indent` wide or wider and then on its own line).
std::string wrapped(const std::string& lead, const std::string& text) {
  std::string out = lead;
  std::size_t column = lead.size();
  if (column + 2 > description_column) {
    out += '\n';
    column = 0;
  }
  bool first_word = true;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find(' ', at);
    if (end == std::string::npos) end = text.size();
    const std::string_view word(text.data() + at, end - at);
    at = end + 1;
    if (word.empty()) continue;
    if (!first_word && column + 1 + word.size() >= line_width) {
      out += '\n';
      column = 0;
      first_word = true;
    }
    if (first_word) {
      out.append(description_column - column, ' ');
      column = description_column;
    } else {
      out += ' ';
      ++column;
    }
    out += word;
    column += word.size();
    first_word = false;
  }
  return out + "\n";
}

// A parser's message on one line: CLI11's may run over several.
std::string one_line(std::string_view text) {
  std::string line;
  for (const char c : text) {
    const bool blank = c == '\n' || c == ' ' || c == '\t';
    if (blank && (line.empty() || line.back() == ' ')) continue;
    line += blank ? ' ' : c;
  }
  while (!line.empty() && line.back() == ' ') line.pop_back();
  return line;
}

}  // namespace

CommandLine::CommandLine(std::string program, std::string operands, std::string about,
                         std::string closing)
    : program_(std::move(program)),
      operands_(std::move(operands)),
      about_(std::move(about)),
      closing_(std::move(closing)),
      app_(about_, program_) {
  // Words that are no option of the program stay for usage_error, which
  // names them as every program names them.
  app_.allow_extras();
  app_.set_help_flag("-h,--help", "display this help and exit");
  app_.set_version_flag("--version", program_ + " (freq2equat) " + FREQ2EQUAT_VERSION,
                        "output version information and exit");
}

void CommandLine::add_verbose(bool& verbose) {
  add_flag("-v,--verbose", verbose, "also print every line as it was read, with its values");
}

void CommandLine::add_masses(std::optional<std::string>& masses) {
  add_value("--masses", masses, "FILE|default",
            "compare with the mass table FILE (CSV, as the shipped one, or the fixed-column "
            "file as published) instead of the 2020 table installed with the program "
            "('default')");
}

void CommandLine::add_nubase(std::optional<std::string>& nubase) {
  add_value("--nubase", nubase, "FILE|default",
            "take the isomers' excitation energies from FILE (the table of nuclear properties "
            "as published) instead of the 2020 table installed with the program ('default')");
}

void CommandLine::add_no_nubase(bool& no_nubase, const std::optional<std::string>& nubase) {
  add_flag("--no-nubase", no_nubase, "use no table of excitation energies");
  add_rule([&no_nubase, &nubase]() -> std::string {
    return no_nubase && nubase ? "--no-nubase and --nubase contradict each other" : std::string();
  });
}

void CommandLine::add_no_masses(bool& no_masses) {
  add_flag("--no-masses", no_masses, "compare with no mass table");
}

void CommandLine::add_plot(std::optional<std::string>& plot, const std::string& what) {
  add_value("--plot", plot, "FILE", "draw " + what + " into FILE (.svg, .pdf or .png)");
}

void CommandLine::add_plot_unit(bool& kev) {
  auto unit = std::make_shared<std::optional<std::string>>();
  add_value("--plot-unit", *unit, "micro-u|keV", "the picture's unit (default micro-u)");
  add_rule([unit, &kev]() -> std::string {
    if (!*unit) return {};
    if (**unit != "micro-u" && **unit != "keV") {
      return "option '--plot-unit' takes micro-u or keV, not " + quoted_name(**unit);
    }
    kev = **unit == "keV";
    return {};
  });
}

void CommandLine::add_plot_scale(bool& sigma) {
  auto scale = std::make_shared<std::optional<std::string>>();
  add_value("--plot-scale", *scale, "unit|sigma",
            "the picture's vertical scale: in its unit (default), or (value - table) / combined "
            "sigma");
  add_rule([scale, &sigma]() -> std::string {
    if (!*scale) return {};
    if (**scale != "unit" && **scale != "sigma") {
      return "option '--plot-scale' takes unit or sigma, not " + quoted_name(**scale);
    }
    sigma = **scale == "sigma";
    return {};
  });
}

void CommandLine::add_plot_size(std::string& size) {
  auto word = std::make_shared<std::optional<std::string>>();
  add_value("--plot-size", *word, "column|page|slide",
            "the picture's shape: one journal column (8.6 cm), a page (17.8 cm, the default) or "
            "a 1920x1080 slide");
  add_rule([word, &size]() -> std::string {
    if (!*word) return {};
    if (**word != "column" && **word != "page" && **word != "slide") {
      return "option '--plot-size' takes column, page or slide, not " + quoted_name(**word);
    }
    size = **word;
    return {};
  });
}

void CommandLine::add_json(std::optional<std::string>& json, const std::string& what) {
  add_value("--json", json, "FILE", "write " + what + " to FILE as JSON");
}

void CommandLine::add_value(const std::string& name, std::optional<std::string>& value,
                            const std::string& type, const std::string& description) {
  app_.add_option(name, value, description)
      ->type_name(type)
      ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
}

void CommandLine::add_flag(const std::string& names, bool& flag, const std::string& description) {
  app_.add_flag(names, flag, description);
}

void CommandLine::add_rule(std::function<std::string()> rule) { rules_.push_back(std::move(rule)); }

std::string CommandLine::usage_error(const std::vector<std::string>& remaining) const {
  for (const std::string& word : remaining) {
    // CLI11 keeps the "--" that ends the options among the words it left.
    if (word == "--") continue;
    if (word.size() > 1 && word[0] == '-') return "unknown option " + quoted_name(word);
    return "extra operand " + quoted_name(word);
  }
  for (const CLI::Option* option : app_.get_options()) {
    if (option->get_expected_min() < 1) continue;
    for (const std::string& value : option->results()) {
      if (value.empty()) {
        return (option->nonpositional()
                    ? "option " + quoted_name(option->get_name()) + " needs a value"
                    : "the " + option->get_name() + " operand is empty");
      }
    }
  }
  for (const auto& rule : rules_) {
    if (std::string wrong = rule(); !wrong.empty()) return wrong;
  }
  return {};
}

std::optional<int> CommandLine::parse(int argc, const char* const* argv) {
  std::string wrong;
  try {
    app_.parse(argc, argv);
    wrong = usage_error(app_.remaining());
  } catch (const CLI::CallForHelp&) {
    std::fputs(help().c_str(), stdout);
    return 0;
  } catch (const CLI::CallForVersion&) {
    std::printf("%s\n", app_.version().c_str());
    return 0;
  } catch (const CLI::ArgumentMismatch& error) {
    // "--freq: 1 required FILE missing": the option given without a value.
    const std::string text = error.what();
    const std::size_t colon = text.find(": ");
    wrong = colon != std::string::npos && text[0] == '-'
                ? "option " + quoted_name(text.substr(0, colon)) + " needs a value"
                : one_line(text);
  } catch (const CLI::ParseError& error) {
    wrong = one_line(error.what());
  }
  if (wrong.empty()) return std::nullopt;
  return fail(wrong + " (see --help)");
}

std::string CommandLine::help() const {
  std::string text = "Usage: " + program_ + " [OPTION]... " + operands_ + "\n" + about_ + "\n";
  std::string help_lines;
  for (const CLI::Option* option : app_.get_options()) {
    if (!option->nonpositional()) continue;
    std::string names = "  ";
    names += option->get_snames().empty() ? "    " : "-" + option->get_snames().front() + ", ";
    names += "--" + option->get_lnames().front();
    if (option->get_expected_min() > 0) names += " " + option->get_type_name();
    const std::string line = wrapped(names, option->get_description());
    // Help and version close the list, as in every GNU tool.
    if (option == app_.get_help_ptr() || option == app_.get_version_ptr()) {
      help_lines += line;
    } else {
      text += line;
    }
  }
  return text + help_lines + "\n" + closing_;
}

}  // namespace cli
