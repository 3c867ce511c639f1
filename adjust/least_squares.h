// least_squares.h - one weighted least-squares solve in corrections.
//
// The mass excesses are near 10^5 micro-u and their uncertainties near
// 10^-3: solving for the values themselves would leave about eight digits
// for the answer. The solve is made for corrections to starting values
// instead, from residuals that are small numbers, and the rows are scaled
// by their weights' square roots so that a QR decomposition works on the
// data themselves rather than on the squared condition of normal equations.
// The decomposition is sparse: a datum names two or three nuclides of the
// thousands a whole table holds, and nothing of the size data by data or
// nuclides by nuclides is formed unless the covariance matrix itself is
// asked for.
#pragma once

#include <Eigen/Dense>
#include <Eigen/SparseCore>
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

// A combination of unknowns: index and coefficient, each index at most once.
using Combination = std::vector<std::pair<std::size_t, double>>;

// The triangular factor R of the weighted design matrix with its columns
// permuted, K P = Q R, from which the covariance C = P R^-1 R^-T P^T of
// the solution is read without ever forming it: the variance of a
// combination c of the unknowns is ||R^-T P^T c||^2, a sum of squares that
// cannot cancel, as C_aa + C_bb - 2 C_ab can.
class Factor {
 public:
  Factor() = default;
  Factor(Eigen::SparseMatrix<double, Eigen::RowMajor> R, std::vector<Eigen::Index> position);

  std::size_t unknowns() const { return position_.size(); }
  // c^T C c.
  double variance(const Combination& c) const;
  // R^-T P^T c, sparse: positions in R ascending, and values.
  void solve_transposed(const Combination& c, std::vector<Eigen::Index>& at,
                        std::vector<double>& value) const;
  // The whole of C, unknowns by unknowns: only for the files that print it.
  Eigen::MatrixXd covariance() const;

 private:
  Eigen::SparseMatrix<double, Eigen::RowMajor> R_;
  std::vector<Eigen::Index> position_;  // unknown -> its column of R
  mutable std::vector<double> work_;    // zero between solves
  mutable std::vector<bool> reached_;   // false between solves
};

struct Fit {
  bool full_rank = true;
  bool covariance_positive = true;  // false: the rows' covariance is no covariance
  Eigen::VectorXd x;                // the solution
  Eigen::VectorXd variance;         // the diagonal of C = (K^T W K)^-1
  Factor factor;                    // for any other entry of C
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
// Up to `dense_up_to` unknowns the decomposition is dense: a campaign has
// tens, it costs nothing, and its explicit Q holds the significances and
// influences to rounding however far the weights spread. Beyond, it is
// sparse, and each significance and influence is a pair of solves with R.
inline constexpr std::size_t most_dense_unknowns = 400;
Fit solve_least_squares(const std::vector<Row>& rows, const Eigen::VectorXd& start,
                        const std::vector<RowCovariance>& covariances = {},
                        std::size_t dense_up_to = most_dense_unknowns);

}  // namespace adjust
