// least_squares.cpp - the QR solve and what each datum contributes to it.
#include "adjust/least_squares.h"

namespace adjust {

Fit solve_least_squares(const std::vector<Row>& rows, const Eigen::VectorXd& start) {
  const auto n = static_cast<Eigen::Index>(rows.size());
  const Eigen::Index m = start.size();
  Fit fit;
  // Weighted design matrix A = W^1/2 K and weighted residuals of the start.
  Eigen::MatrixXd A = Eigen::MatrixXd::Zero(n, m);
  Eigen::VectorXd b(n);
  for (Eigen::Index i = 0; i < n; ++i) {
    const Row& row = rows[static_cast<std::size_t>(i)];
    double at_start = row.constant;
    for (const auto& [unknown, coefficient] : row.terms) {
      const auto j = static_cast<Eigen::Index>(unknown);
      A(i, j) = coefficient / row.sigma;
      at_start += coefficient * start(j);
    }
    b(i) = (row.value - at_start) / row.sigma;
  }

  Eigen::VectorXd correction = Eigen::VectorXd::Zero(m);
  Eigen::MatrixXd covariance = Eigen::MatrixXd::Zero(m, m);
  if (m > 0) {
    const Eigen::ColPivHouseholderQR<Eigen::MatrixXd> qr(A);
    if (qr.rank() < m) {
      fit.full_rank = false;
      return fit;
    }
    correction = qr.solve(b);
    // C = (A^T A)^-1 = P R^-1 R^-T P^T, from the triangle rather than from
    // the normal matrix, whose condition is the square of A's.
    const Eigen::MatrixXd R = qr.matrixR().topLeftCorner(m, m).triangularView<Eigen::Upper>();
    const Eigen::MatrixXd R_inverse =
        R.triangularView<Eigen::Upper>().solve(Eigen::MatrixXd::Identity(m, m));
    const Eigen::MatrixXd permuted = R_inverse * R_inverse.transpose();
    covariance = qr.colsPermutation() * permuted * qr.colsPermutation().transpose();
  }
  fit.x = start + correction;
  fit.covariance = covariance;

  const Eigen::VectorXd weighted_residual = b - A * correction;
  fit.rows.resize(rows.size());
  for (Eigen::Index i = 0; i < n; ++i) {
    const Row& row = rows[static_cast<std::size_t>(i)];
    RowFit& result = fit.rows[static_cast<std::size_t>(i)];
    result.normalized_residual = weighted_residual(i);
    result.adjusted = row.value - weighted_residual(i) * row.sigma;
    // (C A^T)_mu,i A_i,mu, where row i of A is 0 outside the row's own
    // unknowns: a few products per row rather than a matrix as large as A.
    for (const auto& [unknown, coefficient] : row.terms) {
      const auto mu = static_cast<Eigen::Index>(unknown);
      double gain = 0.0;
      for (const auto& [other, other_coefficient] : row.terms) {
        const auto nu = static_cast<Eigen::Index>(other);
        gain += covariance(mu, nu) * A(i, nu);
      }
      const double influence = gain * A(i, mu);
      result.influence.emplace_back(unknown, influence);
      result.significance += influence;
    }
    fit.chi2 += weighted_residual(i) * weighted_residual(i);
  }
  return fit;
}

}  // namespace adjust
