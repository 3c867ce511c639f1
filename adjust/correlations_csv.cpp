// correlations_csv.cpp - the correlation and covariance matrices of the
// adjusted mass excesses.
#include <cmath>
#include <cstdio>
#include <vector>

#include "adjust/report.h"

namespace adjust {

namespace {

std::vector<std::size_t> determined(const Adjustment& a) {
  std::vector<std::size_t> shown;
  for (std::size_t k = 0; k < a.nuclides.size(); ++k) {
    if (a.nuclides[k].determined) shown.push_back(k);
  }
  return shown;
}

std::string header(const Adjustment& a, const std::vector<std::size_t>& shown) {
  std::string out = "nuclide";
  for (const std::size_t k : shown) out += "," + a.nuclides[k].nuclide.name();
  return out + "\n";
}

}  // namespace

std::string covariance_csv(const Adjustment& a) {
  const std::vector<std::size_t> shown = determined(a);
  std::string out = header(a, shown);
  for (const std::size_t row : shown) {
    out += a.nuclides[row].nuclide.name();
    for (const std::size_t column : shown) {
      char text[40];
      std::snprintf(
          text, sizeof text, ",%.17g",
          a.covariance(static_cast<Eigen::Index>(row), static_cast<Eigen::Index>(column)));
      out += text;
    }
    out += "\n";
  }
  return out;
}

std::string correlations_csv(const Adjustment& a) {
  const std::vector<std::size_t> shown = determined(a);
  std::string out = header(a, shown);
  for (const std::size_t row : shown) {
    out += a.nuclides[row].nuclide.name();
    for (const std::size_t column : shown) {
      const auto r = static_cast<Eigen::Index>(row);
      const auto c = static_cast<Eigen::Index>(column);
      const double scale = std::sqrt(a.covariance(r, r) * a.covariance(c, c));
      // A fixed nuclide varies with nothing; it is correlated with itself only.
      const double correlation = row == column ? 1.0
                                 : scale > 0.0 ? a.covariance(r, c) / scale
                                               : 0.0;
      char text[32];
      std::snprintf(text, sizeof text, ",%.15f", correlation);
      out += text;
    }
    out += "\n";
  }
  return out;
}

}  // namespace adjust
