// table_check.cpp - the rows of the binding-energy table as the load reads them.
#include "check/table_check.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <utility>

#include "check/line_bytes.h"
#include "check/row_energy_check.h"
#include "cli/number_text.h"
#include "conversion/equation_arithmetic.h"
#include "nuclides/symbols.h"
#include "recordio/conditions.h"
#include "recordio/current_record.h"
#include "recordio/input_editing.h"

namespace check {

namespace {

constexpr const char* value_names[] = {"a row number (an integer)", "a symbol",
                                       "a charge state (an integer)", "an energy in eV (a number)"};

// The value that starts at `column` as the free-form read cuts it: up to a
// blank, comma or slash.
std::string value_at(const std::string& line, std::int32_t column) {
  if (column < 1 || static_cast<std::size_t>(column) > line.size()) return {};
  const std::size_t from = static_cast<std::size_t>(column - 1);
  const std::size_t end = line.find_first_of(" \t,/", from);
  return cli::excerpt(std::string_view(line).substr(
      from, end == std::string::npos ? std::string::npos : end - from));
}

}  // namespace

std::string species(std::string_view symbol, std::int32_t charge) {
  return nuclides::without_trailing_blanks(symbol) + " with charge " + std::to_string(charge);
}

void TableCheck::remember_line() {
  const recordio::RecordTrace& trace = context_.table.trace;
  if (lines_.count(trace.line_number) != 0 || trace.raw.size() == 0) return;
  SourceLine line = context_.table.current_line(context_.tab_width);
  // Each line is looked at once, when its first value is read from it.
  check_line_bytes(context_, context_.table, line, {.tabs_matter = false, .byte_order_mark = true});
  if (!trace.line_feed) {
    check_delivered_without_line_end(context_, context_.table, line,
                                     "its row may be cut short too");
  }
  // Kept for later findings on this line; moved, not copied, since a line
  // may be hundreds of megabytes.
  lines_[trace.line_number] = std::move(line.record);
}

const std::string& TableCheck::line_text(std::int64_t line) const {
  static const std::string none;
  const auto found = lines_.find(line);
  return found == lines_.end() ? none : found->second;
}

void TableCheck::report(cli::Severity severity, std::int64_t line, std::int32_t column,
                        const std::string& message) {
  context_.diagnostics.report(severity, context_.table.shown, line, column, message,
                              line_text(line));
}

void TableCheck::value_read(int /*index*/, int value, const conversion::TableRow& row,
                            std::int32_t status) {
  const recordio::RecordTrace& trace = context_.table.trace;
  if (value == 0) row_ = RowState{};
  if (status == 0) {
    remember_line();
    row_.line[static_cast<std::size_t>(value)] = trace.line_number;
    row_.column[static_cast<std::size_t>(value)] = recordio::free_form_value_column();
    row_.values = value + 1;
    if (value == 3) {
      row_.energy_ev = row.table_energy;
      // The load ends the row's read here and drops the rest of the line.
      const recordio::CurrentRecord& record = recordio::current_record();
      const std::string_view rest = record.view().substr(
          static_cast<std::size_t>(std::min(record.position(), record.length())));
      const std::size_t first = rest.find_first_not_of(" \t,");
      if (first != std::string_view::npos) {
        row_.leftover = cli::excerpt(nuclides::without_trailing_blanks(rest.substr(first)));
        row_.leftover_column = record.position() + static_cast<std::int32_t>(first) + 1;
      }
    }
  } else if (row_.failed_status == 0) {
    // Only a refused character is shown in its line. After any other
    // condition (a line too long to hold, say) the line is not copied:
    // the check ends there as unreadable.
    if (status == recordio::code::illegal_numeric_character) remember_line();
    row_.failed_status = status;
    row_.failed_line = trace.line_number;
    row_.failed_column = recordio::free_form_value_column();
  }
}

void TableCheck::report_partial_row(int index, const conversion::TableRow& row) {
  if (row_.failed_status == -1) {
    // End of file while the row's values were sought: the row is not counted.
    if (row_.values == 0) return;
    report(
        cli::Severity::warning, row_.line[0], row_.column[0],
        "the last row has only " + std::to_string(row_.values) +
            " of its four values (number, symbol, charge, energy): the converter does not load it");
    return;
  }
  if (index == 1 && row_.values == 0 && row_.failed_line == 1 &&
      starts_with_byte_order_mark(line_text(1))) {
    return;  // the byte-order mark's own warning says it all
  }
  const std::string value = value_at(line_text(row_.failed_line), row_.failed_column);
  std::string kept = "nothing";
  if (row_.values >= 2)
    kept = "symbol " + nuclides::without_trailing_blanks({row.table_symbol.data(), 4});
  if (row_.values >= 3) kept += ", charge " + std::to_string(row.table_charge);
  report(cli::Severity::warning, row_.failed_line, row_.failed_column,
         "'" + value + "' is not " + value_names[row_.values] +
             ": the converter keeps this row with " + kept + " and no energy, so no ion finds it" +
             (row_.values == 2 ? " (is the charge missing?)" : ""));
}

void TableCheck::report_values(const conversion::TableRow& row) {
  const std::string name = species({row.table_symbol.data(), 4}, row.table_charge);
  if (row_.line[3] != row_.line[0]) {
    report(cli::Severity::warning, row_.line[0], row_.column[0],
           "this row runs on to line " + std::to_string(row_.line[3]) + " and takes its energy '" +
               value_at(line_text(row_.line[3]), row_.column[3]) +
               "' from there: is a value missing on this line?");
  }
  if (!row_.leftover.empty()) {
    report(row_.line[3] != row_.line[0] ? cli::Severity::note : cli::Severity::warning,
           row_.line[3], row_.leftover_column,
           "the converter does not read '" + row_.leftover +
               "' after the fourth value of this row; the next row starts on the next line");
  }
  if (!conversion::energy_found(row.table_energy)) {
    report(cli::Severity::warning, row_.line[3], row_.column[3],
           "the energy of " + name + " is " + (row.table_energy == 0.0 ? "0" : "not a number") +
               ": the converter treats it as missing");
  }
  if (context_.binding != nullptr) {
    const std::optional<std::string> finding =
        row_energy_finding(*context_.binding, row.table_symbol, row.table_charge, row_.energy_ev,
                           value_at(line_text(row_.line[3]), row_.column[3]));
    if (finding) report(cli::Severity::warning, row_.line[3], row_.column[3], *finding);
  }
  std::uint32_t symbol_bytes = 0;
  std::memcpy(&symbol_bytes, row.table_symbol.data(), sizeof symbol_bytes);
  const auto key = std::make_pair(symbol_bytes, row.table_charge);
  const auto earlier = first_line_of_key_.find(key);
  const std::pair<std::int64_t, std::int32_t> here{row_.line[0], row_.column[0]};
  if (earlier == first_line_of_key_.end()) {
    first_line_of_key_[key] = here;
    return;
  }
  report(cli::Severity::warning, row_.line[0], row_.column[1],
         name + " is in the table twice: the converter uses this later row, not the one on line " +
             std::to_string(earlier->second.first));
  report(cli::Severity::note, earlier->second.first, earlier->second.second,
         "the earlier row of " + name);
  earlier->second = here;
}

void TableCheck::row_read(int index, const conversion::TableRow& row, std::int32_t status) {
  if (status != 0 && status != -1 && status != recordio::code::illegal_numeric_character) {
    context_.unreadable =
        "cannot read " + context_.table.quoted + " to its end: " + cli::condition_text(status);
    return;
  }
  if (context_.verbose && status != -1) {
    std::printf("%s:%lld: row %d: number %d, symbol '%.4s', charge %d, energy %s eV\n",
                context_.table.shown.c_str(), static_cast<long long>(row_.line[0]), index,
                row.table_number, row.table_symbol.data(), row.table_charge,
                cli::fixed(row_.energy_ev, 6).c_str());
  }
  if (status != 0) {
    report_partial_row(index, row);
    return;
  }
  report_values(row);
}

void TableCheck::finish(const conversion::BindingEnergyTable& table) {
  if (table.size() == conversion::BindingEnergyTable::capacity) {
    // One more value, read the same way, tells whether rows are left over.
    std::int32_t status = 0;
    std::int32_t number = 0;
    recordio::StatementRequest request;
    request.unit = context_.table.unit;
    request.transfer = recordio::Transfer::free_form;
    request.status = &status;
    recordio::begin_read(request);
    recordio::read_item(request, recordio::InputItem::of(number));
    if (status != -1) {
      remember_line();
      report(cli::Severity::warning, context_.table.trace.line_number,
             recordio::free_form_value_column(),
             "the converter loads 450 rows: this row and every row after it are not loaded");
    }
    recordio::end_read(request);
  }
  check_undelivered_tail(context_, context_.table, "its row is not loaded");
}

}  // namespace check
