// compared.cpp - the file's comparison entries, kept small.
#include "check/compared.h"

#include "check/mass_table_comparison.h"
#include "check/measurement_line_rules.h"

namespace check {

void ComparedRows::add(const Compared& entry, const conversion::Symbol& symbol) {
  Row row;
  row.line = entry.line;
  row.value = entry.value;
  row.sigma = entry.sigma;
  row.correction = entry.correction;
  row.correction_sigma = entry.correction_sigma.value_or(0.0);
  row.block = entry.block;
  row.A = entry.A;
  row.charge = entry.charge;
  row.symbol = symbol;
  row.reference = entry.reference;
  row.corrected = entry.corrected;
  row.has_correction_sigma = entry.correction_sigma.has_value();
  rows_.push_back(row);
}

Compared ComparedRows::at(std::size_t index, const nuclides::MassTable& masses) const {
  const Row& row = rows_[index];
  Compared entry;
  entry.line = row.line;
  entry.block = row.block;
  entry.reference = row.reference;
  entry.nuclide = nuclide_text(row.A, row.symbol);
  entry.A = row.A;
  entry.charge = row.charge;
  entry.corrected = row.corrected;
  entry.value = row.value;
  entry.sigma = row.sigma;
  entry.correction = row.correction;
  if (row.has_correction_sigma) entry.correction_sigma = row.correction_sigma;
  const nuclides::SymbolMeaning meaning = nuclides::classify_symbol(row.symbol);
  entry.kind = meaning.kind;
  find_table_value(entry, meaning, masses);
  return entry;
}

std::vector<Compared> ComparedRows::all(const nuclides::MassTable* masses) const {
  std::vector<Compared> entries;
  if (masses == nullptr) return entries;
  entries.reserve(rows_.size());
  for (std::size_t index = 0; index < rows_.size(); ++index) entries.push_back(at(index, *masses));
  return entries;
}

}  // namespace check
