// comparison.cpp - differences from the mass table, and their listing.
#include "check/comparison.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>

#include "check/sigmas_apart.h"
#include "cli/number_text.h"

namespace check {

// The value's sigma is the converter's, which leaves the binding energies
// out; their share is folded in here, so that a highly charged ion whose
// tabulated energies are poor is not reported as far from the table.
double Compared::combined_sigma() const {
  const double binding = correction_sigma.value_or(0.0);
  return std::sqrt(sigma * sigma + binding * binding + table->uncertainty * table->uncertainty);
}

double Compared::sigmas() const { return sigmas_apart(difference(), combined_sigma()); }

namespace {

// One line of the listing: text cells left-aligned, numbers right-aligned
// so that their points stand under each other.
struct Cell {
  std::string text;
  bool number = true;
};

}  // namespace

void print_comparison(const ComparedRows& compared, const std::string& table_name,
                      const std::string& table_described) {
  std::printf("mass excesses in micro-u beside %s:\n", table_described.c_str());
  const std::vector<Cell> head{{"line"},   {"nuclide", false}, {"block", false}, {"this file"},
                               {"+/-"},    {"correction"},     {"+/-"},          {"table"},
                               {"+/-"},    {"", false},        {"difference"},   {"sigma"},
                               {"", false}};
  bool estimated = false;
  const auto row_of = [&](const Compared& c) {
    std::vector<Cell> row{{std::to_string(c.line)},
                          {c.nuclide, false},
                          {std::to_string(c.block) + (c.reference ? " ref" : ""), false},
                          {cli::fixed(c.value, 6)},
                          {cli::fixed(c.sigma, 6)}};
    // The binding-energy correction in a measured value, with its
    // uncertainty from the shipped binding energies ("?" for an ion they do
    // not hold).
    const bool correction = !c.reference && c.corrected;
    row.insert(row.end(), {{correction ? cli::fixed(c.correction, 6) : ""},
                           {!correction          ? ""
                            : c.correction_sigma ? cli::fixed(*c.correction_sigma, 6)
                                                 : "?"}});
    if (c.table) {
      estimated = estimated || c.table->estimated;
      row.insert(row.end(), {{cli::fixed(c.table->mass_excess, 6)},
                             {cli::fixed(c.table->uncertainty, 6)},
                             {c.table->estimated ? "#" : "", false},
                             {cli::fixed(c.difference(), 6)},
                             {cli::sigma_count(c.sigmas())},
                             {c.compared_with.empty() ? "" : "(" + c.compared_with + ")", false}});
    } else {
      row.push_back({c.not_compared, false});
    }
    return row;
  };
  // The columns are as wide as their widest cell over every row: the rows
  // are made twice, once to measure and once to print, rather than kept.
  const std::size_t columns = head.size();
  std::vector<std::size_t> widths(columns, 0);
  const auto measure = [&](const std::vector<Cell>& row) {
    // A row without a table value ends in a note that runs on freely.
    const std::size_t aligned = row.size() == columns ? columns : row.size() - 1;
    for (std::size_t i = 0; i < aligned; ++i) widths[i] = std::max(widths[i], row[i].text.size());
  };
  measure(head);
  for (std::size_t index = 0; index < compared.size(); ++index) measure(row_of(compared.at(index)));
  std::string line;
  const auto print = [&](const std::vector<Cell>& row) {
    line.clear();
    for (std::size_t i = 0; i < row.size(); ++i) {
      const std::size_t width = row.size() == columns || i + 1 < row.size() ? widths[i] : 0;
      const std::size_t pad = width - std::min(width, row[i].text.size());
      if (i > 0) line += "  ";
      if (row[i].number) line.append(pad, ' ');
      line += row[i].text;
      if (!row[i].number) line.append(pad, ' ');
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    std::printf("%s\n", line.c_str());
  };
  print(head);
  for (std::size_t index = 0; index < compared.size(); ++index) print(row_of(compared.at(index)));
  if (estimated) {
    std::printf(
        "# estimated in %s from systematics, not measured: a difference from it says little\n",
        table_name.c_str());
  }
}

}  // namespace check
