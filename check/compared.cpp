// compared.cpp - the file's comparison entries, kept small.
#include "check/compared.h"

#include <cmath>

#include "check/mass_table_comparison.h"
#include "check/measurement_line_rules.h"

namespace check {

std::uint32_t ComparedRows::index_of(std::int32_t A, const conversion::Symbol& symbol,
                                     const nuclides::MassTable& masses) {
  std::uint64_t key = static_cast<std::uint32_t>(A);
  for (const char c : symbol) key = (key << 8) | static_cast<unsigned char>(c);
  const auto [found, first] =
      nuclide_index_.try_emplace(key, static_cast<std::uint32_t>(nuclides_.size()));
  if (first) {
    // Looked up as a finite value would be: a line's value that is not
    // finite is said so where the entry is made whole.
    Compared probe;
    probe.A = A;
    const nuclides::SymbolMeaning meaning = nuclides::classify_symbol(symbol);
    check::find_table_value(probe, meaning, masses);
    nuclides_.push_back({A, nuclide_text(A, symbol), meaning.kind, probe.table, probe.compared_with,
                         probe.not_compared});
  }
  return found->second;
}

// A value that is not finite is compared with nothing; any other with
// what its nuclide's record holds.
void ComparedRows::take_table_value(Compared& entry, const Nuclide& known) {
  entry.table.reset();
  entry.compared_with.clear();
  if (!std::isfinite(entry.value) || !std::isfinite(entry.sigma)) {
    entry.not_compared = "no finite value";
    return;
  }
  entry.table = known.table;
  entry.compared_with = known.compared_with;
  entry.not_compared = known.not_compared;
}

void ComparedRows::find_table_value(Compared& entry, const conversion::Symbol& symbol,
                                    const nuclides::MassTable& masses) {
  take_table_value(entry, nuclides_[index_of(entry.A, symbol, masses)]);
}

void ComparedRows::add(const Compared& entry, const conversion::Symbol& symbol,
                       const nuclides::MassTable& masses) {
  const std::uint32_t index = index_of(entry.A, symbol, masses);
  Row row;
  row.line = entry.line;
  row.value = entry.value;
  row.sigma = entry.sigma;
  row.correction = entry.correction;
  row.correction_sigma = entry.correction_sigma.value_or(0.0);
  row.block = entry.block;
  row.charge = entry.charge;
  row.nuclide = index;
  row.reference = entry.reference;
  row.corrected = entry.corrected;
  row.has_correction_sigma = entry.correction_sigma.has_value();
  rows_.push_back(row);
}

Compared ComparedRows::at(std::size_t index) const {
  const Row& row = rows_[index];
  const Nuclide& nuclide = nuclides_[row.nuclide];
  Compared entry;
  entry.line = row.line;
  entry.block = row.block;
  entry.reference = row.reference;
  entry.nuclide = nuclide.nuclide;
  entry.A = nuclide.A;
  entry.charge = row.charge;
  entry.kind = nuclide.kind;
  entry.corrected = row.corrected;
  entry.value = row.value;
  entry.sigma = row.sigma;
  entry.correction = row.correction;
  if (row.has_correction_sigma) entry.correction_sigma = row.correction_sigma;
  take_table_value(entry, nuclide);
  return entry;
}

std::vector<Compared> ComparedRows::all() const {
  std::vector<Compared> entries;
  entries.reserve(rows_.size());
  for (std::size_t index = 0; index < rows_.size(); ++index) entries.push_back(at(index));
  return entries;
}

}  // namespace check
