// least_squares.cpp - the QR solve and what each datum contributes to it.
#include "adjust/least_squares.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <numeric>

namespace adjust {

namespace {

// Rows that name the same unknowns with the same coefficients measure one
// quantity: their weighted rows are exactly parallel. Adjusted one by one,
// the rounding of the factorization makes them look slightly different, and
// a weakly anchored neighbour (an uncertainty of 10^3 against 10^-5) then
// turns that rounding into influences of order 1. Merged into their
// weighted mean they are one row, and each takes its share of that row's
// significance and influence by its weight: the hat matrix of parallel rows
// splits that way exactly.
// Weights are kept relative to the group's smallest sigma: 1/sigma^2 of an
// uncertainty of 1e300 would be 0.
struct MergedRow {
  const std::vector<std::pair<std::size_t, double>>* terms = nullptr;
  double sigma = 0.0;         // the smallest of the group
  double weight = 0.0;        // sum of (sigma/sigma_i)^2
  double weighted_sum = 0.0;  // sum of (value_i - constant_i) (sigma/sigma_i)^2
  std::vector<std::size_t> members;

  double share(double sigma_i) const { return (sigma / sigma_i) * (sigma / sigma_i) / weight; }
  double root_weight() const { return std::sqrt(weight) / sigma; }
  double mean() const { return weighted_sum / weight; }
};

// A row of the solve: weighted (or whitened) coefficients and right-hand
// side, and the data it stands for with their shares of it.
struct SolveRow {
  std::vector<std::pair<std::size_t, double>> terms;
  double b = 0.0;
  std::vector<std::pair<std::size_t, double>> members;  // row, share
  bool whitened = false;
};

// True when every unknown can be matched to a row of its own that names it
// (Kuhn's augmenting paths): the structural rank is full. Rows of two
// nuclides joined into rooted groups always are; a molecule's row of three
// atoms may not be. Whether the numbers then determine the unknowns is
// not asked of the pivots: a datum of U = 1e-15 beside an anchor of 1e3
// gives pivots 10^18 apart in a system that is perfectly determined.
bool structurally_full_rank(const std::vector<SolveRow>& rows, std::size_t unknowns) {
  std::vector<std::vector<std::size_t>> rows_of(unknowns);
  for (std::size_t r = 0; r < rows.size(); ++r) {
    for (const auto& [unknown, coefficient] : rows[r].terms) rows_of[unknown].push_back(r);
  }
  constexpr std::size_t none = static_cast<std::size_t>(-1);
  std::vector<std::size_t> owner(rows.size(), none);
  std::vector<std::size_t> seen(rows.size(), none);
  std::vector<std::pair<std::size_t, std::size_t>> path;  // unknown, next row index to try
  for (std::size_t start = 0; start < unknowns; ++start) {
    path.assign(1, {start, 0});
    bool matched = false;
    while (!path.empty() && !matched) {
      auto& [unknown, next] = path.back();
      if (next == rows_of[unknown].size()) {
        path.pop_back();
        continue;
      }
      const std::size_t r = rows_of[unknown][next++];
      if (seen[r] == start) continue;
      seen[r] = start;
      if (owner[r] == none) {
        // Flip the path: each unknown on it takes the row it reached.
        owner[r] = unknown;
        for (std::size_t k = path.size() - 1; k > 0; --k) {
          const std::size_t taken = rows_of[path[k - 1].first][path[k - 1].second - 1];
          owner[taken] = path[k - 1].first;
        }
        matched = true;
      } else {
        path.emplace_back(owner[r], 0);
      }
    }
    if (!matched) return false;
  }
  return true;
}

}  // namespace

Fit solve_least_squares(const std::vector<Row>& rows, const Eigen::VectorXd& start,
                        const std::vector<RowCovariance>& covariances) {
  const Eigen::Index m = start.size();
  Fit fit;
  fit.rows.resize(rows.size());

  // Correlated rows in blocks: each block is whitened on its own.
  std::vector<std::size_t> block(rows.size());
  std::iota(block.begin(), block.end(), 0);
  const auto find = [&](std::size_t k) {
    while (block[k] != k) k = block[k] = block[block[k]];
    return k;
  };
  std::vector<bool> correlated(rows.size(), false);
  for (const RowCovariance& c : covariances) {
    if (c.covariance == 0.0 || c.first == c.second) continue;
    correlated[c.first] = correlated[c.second] = true;
    block[find(c.first)] = find(c.second);
  }

  std::vector<SolveRow> solve_rows;
  std::map<std::vector<std::pair<std::size_t, double>>, std::size_t> merged_at;
  std::vector<MergedRow> merged;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const Row& row = rows[i];
    if (row.terms.empty() && !correlated[i]) continue;  // a test only: it adds to chi2
    if (correlated[i]) continue;
    auto [at, added] = merged_at.try_emplace(row.terms, merged.size());
    if (added) merged.push_back({&at->first, row.sigma, 0.0, 0.0, {}});
    MergedRow& into = merged[at->second];
    into.sigma = std::min(into.sigma, row.sigma);
    into.members.push_back(i);
  }
  for (MergedRow& group : merged) {
    for (const std::size_t i : group.members) {
      const double w = (group.sigma / rows[i].sigma) * (group.sigma / rows[i].sigma);
      group.weight += w;
      group.weighted_sum += w * (rows[i].value - rows[i].constant);
    }
    SolveRow solve;
    const double root = group.root_weight();
    double at_start = 0.0;
    for (const auto& [unknown, coefficient] : *group.terms) {
      solve.terms.emplace_back(unknown, coefficient * root);
      at_start += coefficient * start(static_cast<Eigen::Index>(unknown));
    }
    solve.b = (group.mean() - at_start) * root;
    for (const std::size_t i : group.members)
      solve.members.emplace_back(i, group.share(rows[i].sigma));
    solve_rows.push_back(std::move(solve));
  }

  // Each block of correlated rows: V = L L^T, rows L^-1 K and L^-1 (y - K x0).
  std::map<std::size_t, std::vector<std::size_t>> blocks;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    if (correlated[i]) blocks[find(i)].push_back(i);
  }
  std::vector<std::size_t> whitened_row(rows.size(), 0);
  for (const auto& [root, members] : blocks) {
    const auto size = static_cast<Eigen::Index>(members.size());
    std::map<std::size_t, Eigen::Index> place;
    for (Eigen::Index k = 0; k < size; ++k) place[members[static_cast<std::size_t>(k)]] = k;
    Eigen::MatrixXd V = Eigen::MatrixXd::Zero(size, size);
    for (Eigen::Index k = 0; k < size; ++k) {
      const double sigma = rows[members[static_cast<std::size_t>(k)]].sigma;
      V(k, k) = sigma * sigma;
    }
    for (const RowCovariance& c : covariances) {
      if (!correlated[c.first] || find(c.first) != root || c.first == c.second) continue;
      V(place.at(c.first), place.at(c.second)) += c.covariance;
      V(place.at(c.second), place.at(c.first)) += c.covariance;
    }
    const Eigen::LLT<Eigen::MatrixXd> llt(V);
    if (llt.info() != Eigen::Success) {
      fit.covariance_positive = false;
      return fit;
    }
    Eigen::MatrixXd K = Eigen::MatrixXd::Zero(size, m);
    Eigen::VectorXd y(size);
    for (Eigen::Index k = 0; k < size; ++k) {
      const Row& row = rows[members[static_cast<std::size_t>(k)]];
      double at_start = row.constant;
      for (const auto& [unknown, coefficient] : row.terms) {
        K(k, static_cast<Eigen::Index>(unknown)) = coefficient;
        at_start += coefficient * start(static_cast<Eigen::Index>(unknown));
      }
      y(k) = row.value - at_start;
    }
    const auto L = llt.matrixL();
    const Eigen::MatrixXd white_K = L.solve(K);
    const Eigen::VectorXd white_y = L.solve(y);
    for (Eigen::Index k = 0; k < size; ++k) {
      SolveRow solve;
      for (Eigen::Index j = 0; j < m; ++j) {
        if (white_K(k, j) != 0.0)
          solve.terms.emplace_back(static_cast<std::size_t>(j), white_K(k, j));
      }
      solve.b = white_y(k);
      solve.members.emplace_back(members[static_cast<std::size_t>(k)], 1.0);
      solve.whitened = true;
      whitened_row[members[static_cast<std::size_t>(k)]] = solve_rows.size();
      solve_rows.push_back(std::move(solve));
    }
  }

  // Rows in order of falling size, so that Householder QR with column
  // pivoting keeps each row's own accuracy when the weights span many
  // orders of magnitude (Cox and Higham, BIT 38 (1998)).
  std::vector<double> sizes(solve_rows.size(), 0.0);
  for (std::size_t g = 0; g < solve_rows.size(); ++g) {
    for (const auto& [unknown, coefficient] : solve_rows[g].terms)
      sizes[g] = std::max(sizes[g], std::fabs(coefficient));
  }
  std::vector<std::size_t> order(solve_rows.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return sizes[a] > sizes[b]; });
  std::vector<std::size_t> position(solve_rows.size());
  for (std::size_t r = 0; r < order.size(); ++r) position[order[r]] = r;

  const auto n = static_cast<Eigen::Index>(solve_rows.size());
  Eigen::MatrixXd A = Eigen::MatrixXd::Zero(n, m);
  Eigen::VectorXd b(n);
  for (Eigen::Index r = 0; r < n; ++r) {
    const SolveRow& row = solve_rows[order[static_cast<std::size_t>(r)]];
    for (const auto& [unknown, coefficient] : row.terms)
      A(r, static_cast<Eigen::Index>(unknown)) = coefficient;
    b(r) = row.b;
  }

  Eigen::VectorXd correction = Eigen::VectorXd::Zero(m);
  Eigen::MatrixXd covariance = Eigen::MatrixXd::Zero(m, m);
  // Column i: how the solution moves per unit of weighted datum i, P R^-1 q_i.
  Eigen::MatrixXd gain = Eigen::MatrixXd::Zero(m, n);
  Eigen::VectorXd significance = Eigen::VectorXd::Zero(n);
  if (m > 0) {
    if (n < m || !structurally_full_rank(solve_rows, static_cast<std::size_t>(m))) {
      fit.full_rank = false;
      return fit;
    }
    Eigen::ColPivHouseholderQR<Eigen::MatrixXd> qr(A.rows(), A.cols());
    qr.setThreshold(std::numeric_limits<double>::min());
    qr.compute(A);
    if (!(qr.matrixR().diagonal().cwiseAbs().minCoeff() > 0.0)) {
      fit.full_rank = false;
      return fit;
    }
    correction = qr.solve(b);
    const auto R = qr.matrixR().topLeftCorner(m, m).triangularView<Eigen::Upper>();
    // C = (A^T A)^-1 = P R^-1 R^-T P^T, from the triangle rather than from
    // the normal matrix, whose condition is the square of A's.
    const Eigen::MatrixXd R_inverse = R.solve(Eigen::MatrixXd::Identity(m, m));
    covariance = qr.colsPermutation() * (R_inverse * R_inverse.transpose()) *
                 qr.colsPermutation().transpose();
    // The thin Q: its row i is datum i seen from the solution. Its squared
    // norm is the significance h_i, a sum of squares that never cancels,
    // and its columns are orthonormal to rounding, so the significances add
    // up to the number of unknowns whatever the condition of A.
    Eigen::MatrixXd Q = Eigen::MatrixXd::Identity(n, m);
    Q.applyOnTheLeft(qr.householderQ());
    significance = Q.rowwise().squaredNorm();
    gain = qr.colsPermutation() * R.solve(Q.transpose());
  }
  fit.x = start + correction;
  fit.covariance = covariance;

  for (Eigen::Index r = 0; r < n; ++r) {
    const SolveRow& row = solve_rows[order[static_cast<std::size_t>(r)]];
    for (const auto& [i, share] : row.members) {
      RowFit& result = fit.rows[i];
      result.significance = share * significance(r);
      for (const auto& [unknown, coefficient] : row.terms) {
        const auto mu = static_cast<Eigen::Index>(unknown);
        result.influence.emplace_back(unknown, share * gain(mu, r) * A(r, mu));
      }
    }
  }
  const Eigen::VectorXd white_residual = b - A * correction;
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const Row& row = rows[i];
    // The residual from the corrections, small numbers, not from the
    // difference of two values near 10^5.
    double at_start = row.constant;
    for (const auto& [unknown, coefficient] : row.terms)
      at_start += coefficient * start(static_cast<Eigen::Index>(unknown));
    double residual = row.value - at_start;
    for (const auto& [unknown, coefficient] : row.terms)
      residual -= coefficient * correction(static_cast<Eigen::Index>(unknown));
    RowFit& result = fit.rows[i];
    result.adjusted = row.value - residual;
    result.normalized_residual =
        correlated[i] ? white_residual(static_cast<Eigen::Index>(position[whitened_row[i]]))
                      : residual / row.sigma;
    fit.chi2 += result.normalized_residual * result.normalized_residual;
  }
  return fit;
}

}  // namespace adjust
