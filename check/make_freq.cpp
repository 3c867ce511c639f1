// make_freq.cpp - from rows of ratios to the blocks of "vemo.freq".
#include "check/make_freq.h"

#include <map>
#include <optional>
#include <utility>
#include <vector>

#include "check/freq_line.h"
#include "cli/number_text.h"
#include "cli/quoting.h"
#include "nuclides/csv_rows.h"
#include "nuclides/symbols.h"

namespace check {

namespace {

enum Column : std::size_t {
  A,
  symbol,
  charge,
  ratio,
  uncertainty,
  ref_A,
  ref_symbol,
  ref_charge,
  ref_mass_excess,
  ref_uncertainty,
};
const std::vector<std::string_view> column_names = {
    "A",     "symbol",     "charge",     "ratio",           "uncertainty",
    "ref_A", "ref_symbol", "ref_charge", "ref_mass_excess", "ref_uncertainty"};

// The fields of "vemo.freq" a value is checked against, by their index in
// the format list (A, symbol, charge, value, flag, sigma).
constexpr int value_field = 3, sigma_field = 5;

// The ratios are nu_ref/nu_meas; the file holds them x 10^6.
constexpr int ratio_shift = 6;
constexpr int decimals = 8;

struct Block {
  std::string reference;  // its line
  std::int64_t first_row = 0;
  std::vector<std::string> measurements;
};

class RowReader {
 public:
  RowReader(const nuclides::CsvRows& rows, const std::string& shown, cli::Diagnostics& diagnostics,
            std::optional<std::size_t> direction)
      : rows_(rows), shown_(shown), diagnostics_(diagnostics), direction_(direction) {}

  bool failed() const { return failed_; }

  void error(std::int32_t column, const std::string& message) {
    diagnostics_.report(cli::Severity::error, shown_, rows_.line_number(), column, message,
                        rows_.line());
    failed_ = true;
  }
  void error(Column column, const std::string& message) {
    error(rows_.field_column(column), message);
  }

  std::string quoted(Column column) const { return "'" + std::string(rows_.field(column)) + "'"; }

  // A mass number or a charge state, in its I4 columns.
  std::string whole(Column column, int least, const char* what) {
    int value = 0;
    if (!rows_.number(column, value) || value < least || value > 9999) {
      error(column, std::string(column_names[column]) + " " + quoted(column) + " is not " + what);
      return {};
    }
    return std::to_string(value);
  }

  // A symbol the converter reads as an element, an isomer or a molecule.
  std::string symbol_of(Column column, nuclides::SymbolMeaning& meaning) {
    const std::string_view text = rows_.field(column);
    if (text.empty() || text.size() > 4) {
      error(column, std::string(column_names[column]) + " " + quoted(column) +
                        " is no symbol of 1 to 4 characters");
      return {};
    }
    conversion::Symbol written = {' ', ' ', ' ', ' '};
    std::copy(text.begin(), text.end(), written.begin());
    meaning = nuclides::classify_symbol(written);
    if (meaning.kind == nuclides::SymbolKind::unknown ||
        meaning.kind == nuclides::SymbolKind::blank) {
      error(column, std::string(column_names[column]) + " " + quoted(column) +
                        " is not an element, an isomer or a molecule as the converter reads it");
      return {};
    }
    return std::string(text);
  }

  // A number moved by `shift` decimal places into a field of `field`'s width.
  enum class Sign { any, not_negative, positive };
  std::string decimal(Column column, int shift, int field, Sign sign) {
    const std::string name(column_names[column]);
    const ShiftedDecimal shifted = shifted_decimal(rows_.field(column), shift, decimals);
    const std::string scaled = shift == 0 ? name : name + " x 10^" + std::to_string(shift);
    if (!shifted.valid) {
      error(column, name + " " + quoted(column) + " is not a decimal number");
    } else if (shifted.lost > 0) {
      error(column, scaled + " of " + quoted(column) + " has " +
                        cli::count_of(shifted.lost, "digit") + " beyond the " +
                        std::to_string(decimals) + " decimals of its field: they would be lost");
    } else if ((sign != Sign::any && shifted.negative) ||
               (sign == Sign::positive && shifted.zero)) {
      error(column, name + " " + quoted(column) + " must be " +
                        (sign == Sign::positive ? "above 0" : "0 or more"));
    } else if (static_cast<std::int32_t>(shifted.text.size()) > freq_field_width(field)) {
      error(column, scaled + " of " + quoted(column) + " is " + shifted.text + ", " +
                        std::to_string(shifted.text.size()) + " characters: its field holds " +
                        std::to_string(freq_field_width(field)));
    } else {
      return shifted.text;
    }
    return {};
  }

  // "" for the ratio as it stands, the inverse flag for its inverse.
  std::string flag() {
    if (!direction_) return "";
    const std::vector<nuclides::CsvRows::Field>& fields = rows_.fields();
    if (*direction_ >= fields.size()) return "";
    const std::string_view text = fields[*direction_].text;
    if (text.empty() || text == "meas/ref") return "";
    if (text == "ref/meas") return std::string(inverse_flag);
    error(fields[*direction_].column,
          "direction '" + std::string(text) + "' is neither meas/ref nor ref/meas");
    return "";
  }

  // A reference value: its number, or the mass table's with "table".
  std::string reference_value(Column column, int field, const nuclides::MassTable* masses,
                              const nuclides::SymbolMeaning& meaning, const std::string& mass) {
    if (rows_.field(column) != "table")
      return decimal(column, 0, field, field == value_field ? Sign::any : Sign::not_negative);
    std::optional<nuclides::TableMass> found;
    int A_value = 0;
    if (masses != nullptr && meaning.kind == nuclides::SymbolKind::element &&
        nuclides::whole_number(mass, A_value)) {
      found = masses->find(A_value, meaning.element);
    }
    if (!found) {
      error(column, std::string(column_names[column]) + " 'table': " +
                        (masses == nullptr ? std::string("no mass table is loaded")
                                           : "the mass table has no " + mass + meaning.text));
      return {};
    }
    const std::string text =
        cli::fixed(field == value_field ? found->mass_excess : found->uncertainty, decimals);
    if (static_cast<std::int32_t>(text.size()) > freq_field_width(field)) {
      error(column, "the mass table's " + text + " does not fit its field");
      return {};
    }
    return text;
  }

 private:
  const nuclides::CsvRows& rows_;
  const std::string& shown_;
  cli::Diagnostics& diagnostics_;
  std::optional<std::size_t> direction_;
  bool failed_ = false;
};

}  // namespace

ShiftedDecimal shifted_decimal(std::string_view text, int shift, int decimals_wanted) {
  ShiftedDecimal result;
  std::size_t at = 0;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
    result.negative = text[at] == '-';
    ++at;
  }
  std::string digits;
  std::int64_t point = -1;
  for (; at < text.size(); ++at) {
    const char c = text[at];
    if (c >= '0' && c <= '9') {
      digits += c;
    } else if (c == '.' && point < 0) {
      point = static_cast<std::int64_t>(digits.size());
    } else {
      break;
    }
  }
  if (point < 0) point = static_cast<std::int64_t>(digits.size());
  if (digits.empty()) return result;
  if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
    ++at;
    int exponent = 0;
    bool minus = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) minus = text[at++] == '-';
    const std::size_t first = at;
    // No ratio needs an exponent of more than a few digits; a longer one
    // would only make a long string of zeros.
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9' && at - first < 4; ++at)
      exponent = exponent * 10 + (text[at] - '0');
    if (at == first) return result;
    point += minus ? -exponent : exponent;
  }
  if (at != text.size()) return result;
  point += shift;
  result.valid = true;
  // The digits before and after the moved point.
  std::string whole;
  std::string fraction;
  if (point <= 0) {
    fraction = std::string(static_cast<std::size_t>(-point), '0') + digits;
  } else if (point >= static_cast<std::int64_t>(digits.size())) {
    whole = digits + std::string(static_cast<std::size_t>(point) - digits.size(), '0');
  } else {
    whole = digits.substr(0, static_cast<std::size_t>(point));
    fraction = digits.substr(static_cast<std::size_t>(point));
  }
  const std::size_t nonzero = whole.find_first_not_of('0');
  whole = nonzero == std::string::npos ? "0" : whole.substr(nonzero);
  result.zero = digits.find_first_not_of('0') == std::string::npos;
  const auto kept = static_cast<std::size_t>(decimals_wanted);
  if (fraction.size() > kept) {
    const std::size_t last = fraction.find_last_not_of('0');
    if (last != std::string::npos && last >= kept) {
      result.lost = static_cast<int>(last + 1 - kept);
      return result;
    }
  }
  fraction.resize(kept, '0');
  result.text = (result.negative && !result.zero ? "-" : "") + whole + "." + fraction;
  return result;
}

bool make_freq(const std::string& csv_path, const nuclides::MassTable* masses,
               cli::Diagnostics& diagnostics, MadeFreq& made, std::string& error) {
  nuclides::CsvRows rows;
  if (!rows.open(csv_path, column_names, error)) return false;
  std::optional<std::size_t> direction;
  for (std::size_t i = 0; i < rows.fields().size(); ++i) {
    if (rows.fields()[i].text == "direction") direction = i;
  }
  const std::string shown = cli::shown_name(csv_path);
  std::vector<Block> blocks;
  std::map<std::string, std::size_t> block_of;  // reference line -> block
  // The reference ion -> its line and the CSV line it was first given on:
  // one ion with two mass excesses is a slip, not two blocks.
  std::map<std::string, std::pair<std::string, std::int64_t>> reference_of;
  bool any_row = false;
  RowReader reader(rows, shown, diagnostics, direction);
  while (rows.next()) {
    any_row = true;
    const int errors_before = diagnostics.errors();
    nuclides::SymbolMeaning meaning;
    nuclides::SymbolMeaning ref_meaning;
    const std::string a = reader.whole(A, 1, "a mass number from 1 to 9999");
    const std::string sym = reader.symbol_of(symbol, meaning);
    const std::string q = reader.whole(charge, 1, "a charge state from 1 to 9999");
    const std::string value =
        reader.decimal(ratio, ratio_shift, value_field, RowReader::Sign::positive);
    const std::string flag = reader.flag();
    const std::string sigma =
        reader.decimal(uncertainty, ratio_shift, sigma_field, RowReader::Sign::positive);
    const std::string ra = reader.whole(ref_A, 1, "a mass number from 1 to 9999");
    const std::string rsym = reader.symbol_of(ref_symbol, ref_meaning);
    const std::string rq = reader.whole(ref_charge, 1, "a charge state from 1 to 9999");
    if (diagnostics.errors() != errors_before) {
      // The reference values need a known reference ion.
      continue;
    }
    const std::string rvalue =
        reader.reference_value(ref_mass_excess, value_field, masses, ref_meaning, ra);
    const std::string rsigma =
        reader.reference_value(ref_uncertainty, sigma_field, masses, ref_meaning, ra);
    if (diagnostics.errors() != errors_before) continue;
    // Every text was held to its field's width above.
    const std::string reference = freq_line({ra, rsym, rq, rvalue, "", rsigma}).value_or("");
    const std::string measurement = freq_line({a, sym, q, value, flag, sigma}).value_or("");
    const std::string ion = ra + rsym + " " + rq + "+";
    const auto given = reference_of.try_emplace(ion, reference, rows.line_number());
    if (given.first->second.first != reference) {
      reader.error(ref_mass_excess, "the reference " + ion +
                                        " has another mass excess or "
                                        "uncertainty on line " +
                                        std::to_string(given.first->second.second) +
                                        ": one reference ion, one value");
      continue;
    }
    const auto [it, added] = block_of.try_emplace(reference, blocks.size());
    if (added) blocks.push_back({reference, rows.line_number(), {}});
    blocks[it->second].measurements.push_back(measurement);
  }
  if (!any_row) {
    error = cli::quoted_name(csv_path) + " has no row below its header";
    return false;
  }
  if (reader.failed()) return true;
  const std::string marker = freq_line({"", "NEW", "", "", "", ""}).value_or("");
  for (std::size_t i = 0; i < blocks.size(); ++i) {
    if (i > 0) made.bytes += marker + "\n";
    made.bytes += blocks[i].reference + "\n";
    for (const std::string& line : blocks[i].measurements) made.bytes += line + "\n";
    made.measurements += static_cast<int>(blocks[i].measurements.size());
  }
  made.blocks = static_cast<int>(blocks.size());
  return true;
}

}  // namespace check
