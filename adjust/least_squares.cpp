// least_squares.cpp - the QR solve and what each datum contributes to it.
#include "adjust/least_squares.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <numeric>

#include <Eigen/SPQRSupport>

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

// The rows' order in A is theirs in `order`; gain[r][t] belongs to the
// t-th nonzero of row r of A, in column order.

// Householder QR with column pivoting, dense: what a campaign of tens of
// nuclides takes in no time. With the rows in order of falling size it
// keeps each row's own accuracy however far the weights spread (Cox and
// Higham), and its thin Q, formed explicitly, gives each datum's
// significance as a row norm and its influence as R^-1 q_i.
bool solve_dense(const Eigen::SparseMatrix<double>& sparse, const Eigen::VectorXd& b,
                 Eigen::VectorXd& correction, Factor& factor, std::vector<double>& significance,
                 std::vector<std::vector<double>>& gain) {
  const Eigen::MatrixXd A(sparse);
  const Eigen::Index n = A.rows(), m = A.cols();
  Eigen::ColPivHouseholderQR<Eigen::MatrixXd> qr(n, m);
  qr.setThreshold(std::numeric_limits<double>::min());
  qr.compute(A);
  if (!(qr.matrixR().diagonal().cwiseAbs().minCoeff() > 0.0)) return false;
  correction = qr.solve(b);
  const Eigen::MatrixXd R = qr.matrixR().topLeftCorner(m, m).triangularView<Eigen::Upper>();
  Eigen::MatrixXd Q = Eigen::MatrixXd::Identity(n, m);
  Q.applyOnTheLeft(qr.householderQ());
  // Column i: how the solution moves per unit of weighted datum i, P R^-1 q_i.
  const Eigen::MatrixXd moved =
      qr.colsPermutation() * R.triangularView<Eigen::Upper>().solve(Q.transpose());
  const Eigen::SparseMatrix<double> rows = sparse.transpose();
  for (Eigen::Index r = 0; r < n; ++r) {
    const auto rr = static_cast<std::size_t>(r);
    significance[rr] = Q.row(r).squaredNorm();
    for (Eigen::SparseMatrix<double>::InnerIterator entry(rows, r); entry; ++entry)
      gain[rr].push_back(moved(entry.index(), r));
  }
  std::vector<Eigen::Index> position(static_cast<std::size_t>(m));
  // The permutation is returned by value, a view of the factor's own array:
  // it is kept while its indices are read.
  const auto permutation = qr.colsPermutation();
  const auto& columns = permutation.indices();
  for (Eigen::Index j = 0; j < m; ++j) position[static_cast<std::size_t>(columns(j))] = j;
  factor = Factor(R.sparseView(), std::move(position));
  return true;
}

// Sparse multifrontal QR (SuiteSparseQR) in a fill-reducing order of the
// columns: the whole table's
// thousands of nuclides and data. Row i of the thin Q is q_i = R^-T P^T k_i,
// its squared norm the significance; the influence on nuclide mu is
// k_i,mu (C k_i)_mu = k_i,mu <R^-T P^T e_mu, q_i>, from the same solves.
bool solve_sparse(const Eigen::SparseMatrix<double>& A, const Eigen::VectorXd& b,
                  Eigen::VectorXd& correction, Factor& factor, std::vector<double>& significance,
                  std::vector<std::vector<double>>& gain) {
  const Eigen::Index n = A.rows(), m = A.cols();
  Eigen::SPQR<Eigen::SparseMatrix<double, Eigen::ColMajor, SuiteSparse_long>> qr;
  // A column is dropped only when it is exactly zero: a datum of
  // U = 1e-15 beside an anchor of 1e3 makes columns 10^18 apart in a
  // system that is perfectly determined.
  qr.setPivotThreshold(std::numeric_limits<double>::min());
  qr.setSPQROrdering(SPQR_ORDERING_METIS);
  qr.compute(Eigen::SparseMatrix<double, Eigen::ColMajor, SuiteSparse_long>(A));
  if (qr.info() != Eigen::Success || qr.rank() < m) return false;
  std::vector<Eigen::Index> position(static_cast<std::size_t>(m));
  // The permutation is returned by value, a view of the factor's own array:
  // it is kept while its indices are read.
  const auto permutation = qr.colsPermutation();
  const auto& columns = permutation.indices();
  for (Eigen::Index j = 0; j < m; ++j) position[static_cast<std::size_t>(columns(j))] = j;
  Eigen::SparseMatrix<double, Eigen::RowMajor> R = qr.matrixR().topLeftCorner(m, m);
  for (Eigen::Index k = 0; k < m; ++k) {
    if (!(std::fabs(R.coeff(k, k)) > 0.0)) return false;
  }
  correction = qr.solve(b);
  factor = Factor(std::move(R), std::move(position));

  std::vector<std::vector<Eigen::Index>> z_at(static_cast<std::size_t>(m));
  std::vector<std::vector<double>> z_value(static_cast<std::size_t>(m));
  for (Eigen::Index mu = 0; mu < m; ++mu) {
    const auto u = static_cast<std::size_t>(mu);
    factor.solve_transposed({{u, 1.0}}, z_at[u], z_value[u]);
  }
  const Eigen::SparseMatrix<double, Eigen::RowMajor> rows = A;
  std::vector<double> scattered(static_cast<std::size_t>(m), 0.0);
  std::vector<Eigen::Index> q_at;
  std::vector<double> q_value;
  Combination terms;
  for (Eigen::Index r = 0; r < n; ++r) {
    const auto rr = static_cast<std::size_t>(r);
    terms.clear();
    for (Eigen::SparseMatrix<double, Eigen::RowMajor>::InnerIterator entry(rows, r); entry; ++entry)
      terms.emplace_back(static_cast<std::size_t>(entry.index()), entry.value());
    factor.solve_transposed(terms, q_at, q_value);
    for (std::size_t k = 0; k < q_at.size(); ++k) {
      significance[rr] += q_value[k] * q_value[k];
      scattered[static_cast<std::size_t>(q_at[k])] = q_value[k];
    }
    for (const auto& [unknown, coefficient] : terms) {
      double moved = 0.0;
      for (std::size_t k = 0; k < z_at[unknown].size(); ++k)
        moved += z_value[unknown][k] * scattered[static_cast<std::size_t>(z_at[unknown][k])];
      gain[rr].push_back(moved);
    }
    for (const Eigen::Index at : q_at) scattered[static_cast<std::size_t>(at)] = 0.0;
  }
  return true;
}

}  // namespace

Fit solve_least_squares(const std::vector<Row>& rows, const Eigen::VectorXd& start,
                        const std::vector<RowCovariance>& covariances, std::size_t dense_up_to) {
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

  // Rows in order of falling size, so that the Householder reflections keep
  // each row's own accuracy when the weights span many orders of
  // magnitude (Cox and Higham, BIT 38 (1998)).
  std::vector<double> sizes(solve_rows.size(), 0.0);
  for (std::size_t g = 0; g < solve_rows.size(); ++g) {
    for (const auto& [unknown, coefficient] : solve_rows[g].terms)
      sizes[g] = std::max(sizes[g], std::fabs(coefficient));
  }
  std::vector<std::size_t> order(solve_rows.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t a, std::size_t b) { return sizes[a] > sizes[b]; });

  const auto n = static_cast<Eigen::Index>(solve_rows.size());
  Eigen::VectorXd b(n);
  std::vector<Eigen::Triplet<double>> entries;
  for (Eigen::Index r = 0; r < n; ++r) {
    const SolveRow& row = solve_rows[order[static_cast<std::size_t>(r)]];
    for (const auto& [unknown, coefficient] : row.terms)
      entries.emplace_back(r, static_cast<Eigen::Index>(unknown), coefficient);
    b(r) = row.b;
  }

  Eigen::VectorXd correction = Eigen::VectorXd::Zero(m);
  fit.variance = Eigen::VectorXd::Zero(m);
  // Per row of the solve (in `order`): its significance, and for each of
  // its terms how the solution moves per unit of the weighted datum.
  std::vector<double> significance(static_cast<std::size_t>(n), 0.0);
  std::vector<std::vector<double>> gain(static_cast<std::size_t>(n));
  if (m > 0) {
    if (n < m || !structurally_full_rank(solve_rows, static_cast<std::size_t>(m))) {
      fit.full_rank = false;
      return fit;
    }
    Eigen::SparseMatrix<double> A(n, m);
    A.setFromTriplets(entries.begin(), entries.end());
    A.makeCompressed();
    const bool solved = static_cast<std::size_t>(m) <= dense_up_to
                            ? solve_dense(A, b, correction, fit.factor, significance, gain)
                            : solve_sparse(A, b, correction, fit.factor, significance, gain);
    if (!solved) {
      fit.full_rank = false;
      return fit;
    }
  }
  fit.x = start + correction;
  for (Eigen::Index mu = 0; mu < m; ++mu)
    fit.variance(mu) = fit.factor.variance({{static_cast<std::size_t>(mu), 1.0}});
  for (Eigen::Index r = 0; r < n; ++r) {
    const auto rr = static_cast<std::size_t>(r);
    const SolveRow& row = solve_rows[order[rr]];
    for (const auto& [i, share] : row.members) {
      RowFit& result = fit.rows[i];
      result.significance = share * significance[rr];
      for (std::size_t t = 0; t < row.terms.size(); ++t) {
        result.influence.emplace_back(row.terms[t].first,
                                      share * gain[rr][t] * row.terms[t].second);
      }
    }
  }
  std::vector<double> white_residual(solve_rows.size(), 0.0);
  for (std::size_t g = 0; g < solve_rows.size(); ++g) {
    if (!solve_rows[g].whitened) continue;
    white_residual[g] = solve_rows[g].b;
    for (const auto& [unknown, coefficient] : solve_rows[g].terms)
      white_residual[g] -= coefficient * correction(static_cast<Eigen::Index>(unknown));
  }
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
        correlated[i] ? white_residual[whitened_row[i]] : residual / row.sigma;
    fit.chi2 += result.normalized_residual * result.normalized_residual;
  }
  return fit;
}

Factor::Factor(Eigen::SparseMatrix<double, Eigen::RowMajor> R, std::vector<Eigen::Index> position)
    : R_(std::move(R)),
      position_(std::move(position)),
      work_(position_.size(), 0.0),
      reached_(position_.size(), false) {
  R_.makeCompressed();
}

// R^T is lower triangular, and R row by row gives what each solved entry
// takes from the entries after it: the solve pushes every nonzero forward
// once, so it costs the rows that the right-hand side reaches, not all of R.
void Factor::solve_transposed(const Combination& c, std::vector<Eigen::Index>& at,
                              std::vector<double>& value) const {
  at.clear();
  value.clear();
  const auto m = static_cast<Eigen::Index>(position_.size());
  Eigen::Index first = m;
  for (const auto& [unknown, coefficient] : c) {
    const Eigen::Index k = position_[unknown];
    work_[static_cast<std::size_t>(k)] += coefficient;
    reached_[static_cast<std::size_t>(k)] = true;
    first = std::min(first, k);
  }
  const int* starts = R_.outerIndexPtr();
  const int* columns = R_.innerIndexPtr();
  const double* entries = R_.valuePtr();
  for (Eigen::Index k = first; k < m; ++k) {
    const auto u = static_cast<std::size_t>(k);
    if (!reached_[u]) continue;
    // The diagonal is the first entry of its row: R is upper triangular
    // and its rows are kept in column order.
    const int begin = starts[k], end = starts[k + 1];
    const double y = work_[u] / entries[begin];
    work_[u] = 0.0;
    reached_[u] = false;
    at.push_back(k);
    value.push_back(y);
    for (int e = begin + 1; e < end; ++e) {
      const auto j = static_cast<std::size_t>(columns[e]);
      work_[j] -= entries[e] * y;
      reached_[j] = true;
    }
  }
}

double Factor::variance(const Combination& c) const {
  std::vector<Eigen::Index> at;
  std::vector<double> value;
  solve_transposed(c, at, value);
  double sum = 0.0;
  for (const double v : value) sum += v * v;
  return sum;
}

Eigen::MatrixXd Factor::covariance() const {
  const auto m = static_cast<Eigen::Index>(position_.size());
  Eigen::MatrixXd Z = Eigen::MatrixXd::Zero(m, m);  // column mu: R^-T P^T e_mu
  std::vector<Eigen::Index> at;
  std::vector<double> value;
  for (Eigen::Index mu = 0; mu < m; ++mu) {
    solve_transposed({{static_cast<std::size_t>(mu), 1.0}}, at, value);
    for (std::size_t k = 0; k < at.size(); ++k) Z(at[k], mu) = value[k];
  }
  Eigen::MatrixXd C(m, m);
  C.setZero();
  C.selfadjointView<Eigen::Lower>().rankUpdate(Z.transpose());
  return C.selfadjointView<Eigen::Lower>();
}

}  // namespace adjust
