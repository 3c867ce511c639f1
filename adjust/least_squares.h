// least_squares.h - one weighted least-squares solve in corrections.
//
// The mass excesses are near 10^5 micro-u and their uncertainties near
// 10^-3: solving for the values themselves would leave about eight digits
// for the answer. The solve is made for corrections to starting values
// instead, from residuals that are small numbers, and the rows are scaled
// by their weights' square roots so that a QR decomposition works on the
// data themselves rather than on the squared condition of normal equations.
#pragma once

#include <Eigen/Dense>
#include <cstddef>
#include <utility>
#include <vector>

namespace adjust {

// value = sum of coefficient * x[unknown] + constant, with its uncertainty.
struct Row {
  // Unknown index and coefficient, each unknown at most once.
  std::vector<std::pair<std::size_t, double>> terms;
  double value = 0.0;
  double constant = 0.0;  // the part of known (fixed) quantities
  double sigma = 1.0;     // above 0
};

// A covariance between the data of two rows (indices into the rows); the
// variances are the rows' sigma^2.
struct RowCovariance {
  std::size_t first = 0;
  std::size_t second = 0;
  double covariance = 0.0;
};

struct RowFit {
  double adjusted = 0.0;  // the row's value from the solution
  // (value - adjusted) / sigma; for correlated rows the residual of the
  // row whitened by the Cholesky factor of their covariance, as are the
  // significance and the influence.
  double normalized_residual = 0.0;
  double significance = 0.0;  // w (K C K^T)_ii
  // (C K^T W)_mu,i K_i,mu for every unknown mu the row names
  std::vector<std::pair<std::size_t, double>> influence;
};

struct Fit {
  bool full_rank = true;
  bool covariance_positive = true;  // false: the rows' covariance is no covariance
  Eigen::VectorXd x;                // the solution
  Eigen::MatrixXd covariance;       // C = (K^T W K)^-1
  std::vector<RowFit> rows;
  double chi2 = 0.0;
};

// Solves for `start.size()` unknowns from `rows`, starting from `start`,
// with the rows' data correlated as `covariances` say (independent
// otherwise). Correlated rows are solved as the rows L^-1 K of the
// Cholesky factor L of their covariance. When the rows do not determine
// every unknown, `full_rank` is false; when their covariance is not
// positive definite, `covariance_positive` is false; then nothing else is
// filled.
Fit solve_least_squares(const std::vector<Row>& rows, const Eigen::VectorXd& start,
                        const std::vector<RowCovariance>& covariances = {});

}  // namespace adjust
