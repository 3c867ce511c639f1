// options.cpp - GNU-style options: --name VALUE or --name=VALUE, -v, "--".
#include "check/options.h"

#include <string_view>

#include "cli/quoting.h"

namespace check {

namespace {

struct ValueOption {
  std::string_view name;
  std::optional<std::string> Options::*place;
};

constexpr ValueOption value_options[] = {
    {"--freq", &Options::freq},           {"--table", &Options::table},
    {"--masses", &Options::masses},       {"--plot", &Options::plot},
    {"--plot-unit", &Options::plot_unit}, {"--make-table", &Options::make_table}};

}  // namespace

const char* usage_text() {
  return "Usage: freq2equat-check [OPTION]... [DIR]\n"
         "Check DIR/vemo.freq and DIR/ionization.data (DIR is the current directory by\n"
         "default) for the input mistakes that freq2equat turns silently into wrong\n"
         "equations. Nothing is created, changed or removed, except the --plot file\n"
         "and the --make-table file.\n"
         "\n"
         "  --freq FILE        check FILE instead of DIR/vemo.freq\n"
         "  --table FILE       check FILE instead of DIR/ionization.data\n"
         "  --masses FILE|default\n"
         "                     compare every mass excess with FILE (CSV) instead of\n"
         "                     the 2020 table installed with the program ('default')\n"
         "  --no-masses        compare with no mass table\n"
         "  --plot FILE.svg|FILE.pdf|FILE.png\n"
         "                     draw the comparison with the mass table: this file -\n"
         "                     table for every measurement, with the table's\n"
         "                     uncertainty around zero\n"
         "  --plot-unit micro-u|keV\n"
         "                     the picture's unit (default micro-u)\n"
         "  --plot-references  draw the reference lines too (else listed under it)\n"
         "  --make-table FILE  write FILE, a new binding-energy table with a row for\n"
         "                     every ion of DIR/vemo.freq, from the shipped data\n"
         "  -v, --verbose      also print every line as it was read, with its values\n"
         "      --help         display this help and exit\n"
         "      --version      output version information and exit\n"
         "\n"
         "Findings are printed as FILE:LINE:COLUMN: error|warning|note: message, then the\n"
         "line and a caret, on standard error; the summary goes to standard output.\n"
         "Exit status: 0 nothing found, 1 warnings or errors, 2 the files could not be\n"
         "checked. See freq2equat-check(1).\n";
}

std::string parse_options(int argc, const char* const* argv, Options& options) {
  bool directory_given = false;
  bool only_operands = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view word = argv[i];
    if (only_operands || word.empty() || word[0] != '-' || word == "-") {
      // An empty operand is most often a variable that was never set: the
      // files of "/" or of the current directory are not what was meant.
      if (word.empty()) return "the directory operand is empty";
      if (directory_given) return "more than one directory given: " + cli::quoted_name(word);
      options.directory = std::string(word);
      directory_given = true;
      continue;
    }
    if (word == "--") {
      only_operands = true;
    } else if (word == "--no-masses") {
      options.no_masses = true;
    } else if (word == "-v" || word == "--verbose") {
      options.verbose = true;
    } else if (word == "--plot-references") {
      options.plot_references = true;
    } else if (word == "--help") {
      options.help = true;
    } else if (word == "--version") {
      options.version = true;
    } else {
      bool known = false;
      for (const ValueOption& option : value_options) {
        const bool joined = word.size() > option.name.size() &&
                            word.substr(0, option.name.size()) == option.name &&
                            word[option.name.size()] == '=';
        if (word != option.name && !joined) continue;
        known = true;
        std::string value;
        if (joined) {
          value = std::string(word.substr(option.name.size() + 1));
        } else if (i + 1 < argc) {
          value = argv[++i];
        } else {
          return "option " + cli::quoted_name(option.name) + " needs a value";
        }
        if (value.empty()) return "option " + cli::quoted_name(option.name) + " needs a value";
        options.*option.place = value;
        break;
      }
      if (!known) return "unknown option " + cli::quoted_name(word);
    }
  }
  if (options.plot_unit && *options.plot_unit != "micro-u" && *options.plot_unit != "keV") {
    return "option '--plot-unit' takes micro-u or keV, not '" + *options.plot_unit + "'";
  }
  if (options.no_masses && (options.masses || options.plot)) {
    return std::string("--no-masses and ") + (options.masses ? "--masses" : "--plot") +
           " contradict each other";
  }
  return {};
}

}  // namespace check
