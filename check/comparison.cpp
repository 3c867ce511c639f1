// comparison.cpp - differences from the mass table, and their listing.
#include "check/comparison.h"

#include <cmath>
#include <cstdio>
#include <limits>

#include "check/number_text.h"

namespace check {

double Compared::combined_sigma() const {
  return std::sqrt(sigma * sigma + table->uncertainty * table->uncertainty);
}

double Compared::sigmas() const {
  const double d = difference();
  const double s = combined_sigma();
  if (d == 0.0) return 0.0;
  if (s == 0.0) return std::copysign(std::numeric_limits<double>::infinity(), d);
  return d / s;
}

void print_comparison(const std::vector<Compared>& compared, const std::string& table_name) {
  std::printf("mass excesses in micro-u beside %s:\n", table_name.c_str());
  std::printf("%6s  %-8s %-6s %-28s %-28s %14s %7s\n", "line", "nuclide", "block", "this file",
              "table", "difference", "sigma");
  for (const Compared& c : compared) {
    const std::string block = std::to_string(c.block) + (c.reference ? " ref" : "");
    const std::string value = fixed(c.value, 6) + " +/- " + fixed(c.sigma, 6);
    if (!c.table) {
      std::printf("%6lld  %-8s %-6s %-28s %s\n", static_cast<long long>(c.line), c.nuclide.c_str(),
                  block.c_str(), value.c_str(), c.not_compared.c_str());
      continue;
    }
    const std::string table = fixed(c.table->mass_excess, 6) + " +/- " + fixed(c.table->uncertainty, 6) +
                              (c.table->estimated ? " #" : "");
    std::printf("%6lld  %-8s %-6s %-28s %-28s %14s %7s\n", static_cast<long long>(c.line),
                c.nuclide.c_str(), block.c_str(), value.c_str(), table.c_str(),
                fixed(c.difference(), 6).c_str(), sigma_count(c.sigmas()).c_str());
  }
}

}  // namespace check
