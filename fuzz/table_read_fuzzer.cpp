// table_read_fuzzer.cpp - the free-form table read of "ionization.data"
// over arbitrary bytes as a file.
//
// The table is loaded as the run loads it (conversion::BindingEnergyTable
// over a connected unit, each row one free-form read with a status
// variable). Beyond not crashing: nothing in the file ends the process, the
// table never holds more than 450 rows, and a file whose every line is a
// plain row (number, symbol, charge, energy in eV) gives exactly those rows,
// up to 450, with each energy in micro-u.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "conversion/binding_energy_table.h"
#include "conversion/constants.h"
#include "fuzz/fuzz_support.h"
#include "recordio/decimal_conversion.h"
#include "recordio/process_start.h"
#include "recordio/units.h"

namespace {

using fuzz_support::fail;

constexpr std::int32_t unit = 10;

struct PlainRow {
  std::int32_t number = 0;
  std::string symbol;
  std::int32_t charge = 0;
  std::string energy;
};

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

std::vector<std::string_view> words_of(std::string_view line) {
  std::vector<std::string_view> words;
  std::size_t at = 0;
  while (at < line.size()) {
    while (at < line.size() && line[at] == ' ') ++at;
    const std::size_t start = at;
    while (at < line.size() && line[at] != ' ') ++at;
    if (at > start) words.push_back(line.substr(start, at - start));
  }
  return words;
}

bool plain_integer(std::string_view word, std::int32_t& value) {
  bool negative = false;
  if (!word.empty() && word.front() == '-') {
    negative = true;
    word.remove_prefix(1);
  }
  if (word.empty() || word.size() > 9) return false;
  value = 0;
  for (char c : word) {
    if (!is_digit(c)) return false;
    value = value * 10 + (c - '0');
  }
  if (negative) value = -value;
  return true;
}

bool plain_real(std::string_view word) {
  if (!word.empty() && word.front() == '-') word.remove_prefix(1);
  std::size_t digits = 0;
  bool point = false;
  for (char c : word) {
    if (is_digit(c)) {
      ++digits;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  return digits > 0 && digits <= 15;
}

// Every line a plain row, blanks between the words, LF line ends; false
// for anything else (the check then asks nothing of the table's contents).
bool plain_rows(std::string_view file, std::vector<PlainRow>& rows) {
  if (file.empty() || file.back() != '\n') return false;
  std::size_t at = 0;
  while (at < file.size()) {
    const std::size_t lf = file.find('\n', at);
    const std::vector<std::string_view> words = words_of(file.substr(at, lf - at));
    at = lf + 1;
    if (words.size() != 4) return false;
    PlainRow row;
    if (!plain_integer(words[0], row.number) || !plain_integer(words[2], row.charge)) return false;
    if (words[1].size() > 4) return false;
    for (char c : words[1]) {
      if (!is_letter(c)) return false;
    }
    row.symbol = std::string(words[1]);
    row.symbol.resize(4, ' ');
    if (!plain_real(words[3])) return false;
    row.energy = std::string(words[3]);
    rows.push_back(row);
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  recordio::start_up();
  fuzz_support::trap_run_stops();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view file(reinterpret_cast<const char*>(data), size);
  const std::string name = fuzz_support::scratch_file("in.txt");
  if (!fuzz_support::write_file(name, file)) fail("cannot write the input file");

  recordio::StatementRequest connect;
  connect.unit = unit;
  connect.file_name = name;
  connect.status_keyword = "old";
  connect.form_keyword = "formatted";
  std::int32_t status = 0;
  connect.status = &status;
  if (recordio::open_unit(connect) != recordio::Outcome::success)
    fail("cannot connect the input file");
  recordio::find_unit(unit)->tab_width = 8;

  // About 16 KiB; a fresh one per input so that no row carries over.
  const auto table = std::make_unique<conversion::BindingEnergyTable>();
  table->load(unit);

  recordio::StatementRequest release;
  release.unit = unit;
  release.status = &status;
  recordio::close_unit(release);

  if (table->size() < 0 || table->size() > conversion::BindingEnergyTable::capacity) {
    fail("table size out of range", file);
  }
  std::vector<PlainRow> rows;
  if (!plain_rows(file, rows)) return 0;
  const std::size_t expected = rows.size() < 450 ? rows.size() : 450;
  if (static_cast<std::size_t>(table->size()) != expected) {
    fail("table of " + std::to_string(table->size()) + " rows from " + std::to_string(rows.size()) +
             " plain rows",
         file);
  }
  for (int i = 1; i <= table->size(); ++i) {
    const PlainRow& want = rows[static_cast<std::size_t>(i - 1)];
    const conversion::TableRow& got = table->row(i);
    if (got.table_number != want.number || got.table_charge != want.charge ||
        std::string_view(got.table_symbol.data(), 4) != want.symbol) {
      fail("row " + std::to_string(i) + " misread", file);
    }
    const double micro_u =
        recordio::convert_decimal(want.energy) / (1000.0 * conversion::kev_per_micro_u);
    if (!(std::fabs(got.table_energy - micro_u) <= 1e-15 * std::fabs(micro_u))) {
      fail("row " + std::to_string(i) + " energy is not its eV in micro-u", file);
    }
  }
  return 0;
}
