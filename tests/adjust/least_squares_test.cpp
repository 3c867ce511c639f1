// least_squares_test.cpp - the sparse decomposition against the dense one
// on the same rows: the two roads must give one adjustment.
#include "adjust/least_squares.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

using adjust::Fit;
using adjust::Row;
using adjust::RowCovariance;

// Unknowns in a row, each tied to one to three neighbours, some anchored
// alone, a pair of rows measuring one link twice (merged), and a few rows
// correlated (whitened): uncertainties spread over `orders` orders.
struct Network {
  std::vector<Row> rows;
  std::vector<RowCovariance> covariances;
};

Network network(std::size_t unknowns, double orders, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> exponent(-orders / 2, orders / 2);
  std::uniform_int_distribution<int> step(1, 3);
  std::normal_distribution<double> noise;
  Network n;
  const auto sigma = [&] { return std::pow(10.0, exponent(random)); };
  for (std::size_t k = 0; k < unknowns; k += 7)
    n.rows.push_back({{{k, 1.0}}, noise(random), 0.0, sigma()});
  for (std::size_t k = 0; k < unknowns; ++k) {
    for (int link = 0; link < 3; ++link) {
      const std::size_t other = (k + static_cast<std::size_t>(step(random))) % unknowns;
      if (other == k) continue;
      const std::size_t a = std::min(k, other), b = std::max(k, other);
      n.rows.push_back({{{a, 1.0}, {b, -0.98}}, noise(random), 0.0, sigma()});
    }
  }
  n.rows.push_back(n.rows.back());
  n.rows.back().sigma *= 2.0;
  for (std::size_t r = 10; r + 1 < n.rows.size(); r += 40)
    n.covariances.push_back({r, r + 1, 0.3 * n.rows[r].sigma * n.rows[r + 1].sigma});
  return n;
}

void expect_near_relative(double got, double want, double tolerance, const char* what,
                          std::size_t at) {
  EXPECT_NEAR(got, want, tolerance * std::max(1.0, std::fabs(want))) << what << " " << at;
}

TEST(LeastSquares, SparseAndDenseRoadsGiveOneAdjustment) {
  for (const double orders : {3.0, 8.0}) {
    const Network n = network(60, orders, 7);
    const Eigen::VectorXd start = Eigen::VectorXd::Zero(60);
    const Fit dense = adjust::solve_least_squares(n.rows, start, n.covariances, 1000);
    const Fit sparse = adjust::solve_least_squares(n.rows, start, n.covariances, 0);
    ASSERT_TRUE(dense.full_rank && sparse.full_rank);
    expect_near_relative(sparse.chi2, dense.chi2, 1e-9, "chi2", 0);
    for (Eigen::Index k = 0; k < 60; ++k) {
      const auto u = static_cast<std::size_t>(k);
      expect_near_relative(sparse.x(k), dense.x(k), 1e-9, "x", u);
      EXPECT_NEAR(sparse.variance(k), dense.variance(k), 1e-9 * dense.variance(k)) << k;
    }
    for (std::size_t r = 0; r < n.rows.size(); ++r) {
      EXPECT_NEAR(sparse.rows[r].significance, dense.rows[r].significance, 1e-9) << r;
      ASSERT_EQ(sparse.rows[r].influence.size(), dense.rows[r].influence.size());
      for (std::size_t t = 0; t < dense.rows[r].influence.size(); ++t) {
        EXPECT_EQ(sparse.rows[r].influence[t].first, dense.rows[r].influence[t].first);
        EXPECT_NEAR(sparse.rows[r].influence[t].second, dense.rows[r].influence[t].second, 1e-9)
            << r;
      }
    }
    // The variance of a difference from one solve, against the covariance
    // matrix's C_aa + C_bb - 2 C_ab on this well-scaled case.
    const Eigen::MatrixXd C = sparse.factor.covariance();
    for (std::size_t a = 0; a + 5 < 60; a += 11) {
      const auto i = static_cast<Eigen::Index>(a), j = i + 5;
      EXPECT_NEAR(sparse.factor.variance({{a, 1.0}, {a + 5, -1.0}}),
                  C(i, i) + C(j, j) - 2 * C(i, j), 1e-9 * (C(i, i) + C(j, j)))
          << a;
      EXPECT_NEAR(C(i, j), dense.factor.covariance()(i, j), 1e-9 * std::sqrt(C(i, i) * C(j, j)));
    }
  }
}

}  // namespace
