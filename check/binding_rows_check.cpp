// binding_rows_check.cpp - the rows of the binding-energy table as the load reads them.
#include "check/binding_rows_check.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <utility>

#include "check/binding_row_energy.h"
#include "check/line_bytes.h"
#include "cli/number_text.h"
#include "conversion/equation_arithmetic.h"
#include "nuclides/symbols.h"
#include "recordio/conditions.h"
#include "recordio/current_record.h"
#include "recordio/input_editing.h"

namespace check {

namespace {

// The value that starts at `column` as the free-form read cuts it: up to a
// blank, comma or slash.
std::string value_at(const std::string& line, std::int32_t column) {
  if (column < 1 || static_cast<std::size_t>(column) > line.size()) return {};
  const std::size_t from = static_cast<std::size_t>(column - 1);
  const std::size_t end = line.find_first_of(" \t,/", from);
  return cli::excerpt(std::string_view(line).substr(
      from, end == std::string::npos ? std::string::npos : end - from));
}

// The uncertainty a row may give as its fifth value: one number of zero
// or more, alone after the energy. Anything else there (a unit, or a second
// row run onto the line) is text the converter drops, and a finding.
std::optional<double> fifth_value(std::string_view rest) {
  std::string_view text = rest;
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  // No number of use is longer than this; a long line is not copied.
  constexpr std::size_t longest = 40;
  if (text.empty() || text.size() > longest ||
      text.find_first_of(" \t,/") != std::string_view::npos)
    return std::nullopt;
  // The row's own values are read by the record layer; this one only the
  // checker reads, as the number a person would mean by it.
  const std::string copy(text);
  char* end = nullptr;
  const double value = std::strtod(copy.c_str(), &end);
  if (end != copy.c_str() + copy.size() || !std::isfinite(value) || value < 0.0)
    return std::nullopt;
  return value;
}

// 5.5e-07, 0.0123, 4.18.
std::string three_digits(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3g", value);
  return text;
}

}  // namespace

void BindingRowsCheck::remember_line() {
  const recordio::RecordTrace& trace = context_.table.trace;
  if (lines_.count(trace.line_number) != 0 || trace.raw.size() == 0) return;
  SourceLine line = context_.table.current_line(context_.tab_width);
  // Each line is looked at once, when its first value is read from it.
  context_.diagnostics.add(line_bytes_findings(context_, context_.table, line,
                                               {.tabs_matter = false, .byte_order_mark = true}));
  if (!trace.line_feed) {
    context_.diagnostics.add(
        delivered_without_line_end(context_.table, line, InputKind::binding_rows));
  }
  // Kept for later findings on this line; moved, not copied, since a line
  // may be hundreds of megabytes.
  lines_[trace.line_number] = std::move(line.record);
}

const std::string& BindingRowsCheck::line_text(std::int64_t line) const {
  static const std::string none;
  const auto found = lines_.find(line);
  return found == lines_.end() ? none : found->second;
}

LinePlace BindingRowsCheck::place(std::int64_t line) const {
  return {context_.table.shown, line, line_text(line)};
}

void BindingRowsCheck::value_read(int /*index*/, int value, const conversion::TableRow& row,
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
      row_.given_uncertainty =
          first == std::string_view::npos ? std::nullopt : fifth_value(rest.substr(first));
      // An uncertainty is less than the total it belongs to: a larger number
      // is more likely the energy itself, pushed out by a slip before it.
      if (row_.given_uncertainty && !(*row_.given_uncertainty < row_.energy_ev))
        row_.given_uncertainty.reset();
      if (first != std::string_view::npos && !row_.given_uncertainty) {
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

Findings BindingRowsCheck::partial_row_findings(int index, const conversion::TableRow& row) const {
  if (row_.failed_status == -1) {
    // End of file while the row's values were sought: the row is not counted.
    if (row_.values == 0) return {};
    return {place(row_.line[0])
                .at(row_.column[0], FindingKind::row_incomplete_at_end)
                .count("values", row_.values)};
  }
  if (index == 1 && row_.values == 0 && row_.failed_line == 1 &&
      starts_with_byte_order_mark(line_text(1))) {
    return {};  // the byte-order mark's own warning says it all
  }
  return {place(row_.failed_line)
              .at(row_.failed_column, FindingKind::row_value_refused)
              .with("value", value_at(line_text(row_.failed_line), row_.failed_column))
              .count("values", row_.values)
              .with("symbol", nuclides::without_trailing_blanks({row.table_symbol.data(), 4}))
              .count("charge", row.table_charge)};
}

Findings BindingRowsCheck::row_findings(const conversion::TableRow& row) {
  Findings findings;
  const std::string element = nuclides::without_trailing_blanks({row.table_symbol.data(), 4});
  const auto of_row = [&](Finding finding) {
    return finding.with("element", element).count("charge", row.table_charge);
  };
  if (row_.line[3] != row_.line[0]) {
    findings.push_back(place(row_.line[0])
                           .at(row_.column[0], FindingKind::row_runs_on)
                           .count("energy_line", row_.line[3])
                           .with("energy", value_at(line_text(row_.line[3]), row_.column[3])));
  }
  if (!row_.leftover.empty()) {
    findings.push_back(place(row_.line[3])
                           .at(row_.leftover_column, row_.line[3] != row_.line[0]
                                                         ? FindingKind::row_leftover_after_run_on
                                                         : FindingKind::row_leftover)
                           .with("leftover", row_.leftover));
  }
  if (!conversion::energy_found(row.table_energy)) {
    findings.push_back(
        of_row(place(row_.line[3]).at(row_.column[3], FindingKind::row_energy_missing))
            .choice("nan", row.table_energy == 0.0 ? 0 : 1));
  }
  if (context_.binding != nullptr) {
    for (Finding& finding :
         row_energy_findings(*context_.binding, row.table_symbol, row.table_charge, row_.energy_ev,
                             value_at(line_text(row_.line[3]), row_.column[3]), place(row_.line[3]),
                             row_.column[3], row_.given_uncertainty.value_or(0.0))) {
      if (finding.kind == FindingKind::row_energy) {
        const double difference = row_.energy_ev - finding.number("total");
        off_rows_.push_back(
            {std::move(finding), row.table_symbol, row.table_charge, row_.line[0], difference});
      } else {
        findings.push_back(std::move(finding));
      }
    }
  }
  std::uint32_t symbol_bytes = 0;
  std::memcpy(&symbol_bytes, row.table_symbol.data(), sizeof symbol_bytes);
  const auto key = std::make_pair(symbol_bytes, row.table_charge);
  if (row_.given_uncertainty) {
    context_.given_uncertainty_ev[key] = *row_.given_uncertainty;
  } else {
    context_.given_uncertainty_ev.erase(key);
  }
  const auto earlier = first_line_of_key_.find(key);
  const std::pair<std::int64_t, std::int32_t> here{row_.line[0], row_.column[0]};
  if (earlier == first_line_of_key_.end()) {
    first_line_of_key_[key] = here;
    return findings;
  }
  findings.push_back(of_row(place(row_.line[0]).at(row_.column[1], FindingKind::row_duplicate))
                         .count("earlier_line", earlier->second.first));
  findings.push_back(of_row(
      place(earlier->second.first).at(earlier->second.second, FindingKind::row_duplicate_earlier)));
  earlier->second = here;
  return findings;
}

void BindingRowsCheck::row_read(int index, const conversion::TableRow& row, std::int32_t status) {
  if (status != 0 && status != -1 && status != recordio::code::illegal_numeric_character) {
    context_.unreadable =
        "cannot read " + context_.table.quoted + " to its end: " + cli::condition_text(status);
    return;
  }
  if (status != -1) {
    context_.diagnostics.add(LinePlace{context_.table.shown, row_.line[0], {}}
                                 .at(0, FindingKind::listing_row)
                                 .count("row", index)
                                 .count("number", row.table_number)
                                 .with("symbol", printed_text({row.table_symbol.data(), 4}))
                                 .count("charge", row.table_charge)
                                 .with("energy", cli::fixed(row_.energy_ev, 6), row_.energy_ev));
  }
  context_.diagnostics.add(status != 0 ? partial_row_findings(index, row) : row_findings(row));
}

void BindingRowsCheck::finish(const conversion::BindingEnergyTable& table) {
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
      context_.diagnostics.add(
          place(context_.table.trace.line_number)
              .at(recordio::free_form_value_column(), FindingKind::rows_over_capacity));
    }
    recordio::end_read(request);
  }
  const SourceLine tail = context_.table.current_line(context_.tab_width);
  context_.diagnostics.add(
      undelivered_tail_findings(context_.table, tail, InputKind::binding_rows));
}

Findings BindingRowsCheck::judged_row_energies(const RowEffects& effects) const {
  Findings findings;
  for (const OffRow& off : off_rows_) {
    Finding finding = off.finding;
    std::uint32_t symbol_bytes = 0;
    std::memcpy(&symbol_bytes, off.symbol.data(), sizeof symbol_bytes);
    // A row that a later one of its species and charge overrides is never used.
    const auto last = first_line_of_key_.find({symbol_bytes, off.charge});
    const bool overridden = last != first_line_of_key_.end() && last->second.first != off.line;
    const std::optional<RowEffects::Effect> effect =
        overridden ? std::nullopt
                   : effects.effect(off.symbol, off.charge,
                                    conversion::micro_u_from_ev(off.difference_ev));
    if (!effect) {
      finding.kind = FindingKind::row_energy_unused;
    } else if (!names_a_slip(finding) && !effect->matters()) {
      finding.kind = FindingKind::row_energy_small;
      finding
          .with("difference", three_digits(std::fabs(off.difference_ev)),
                std::fabs(off.difference_ev))
          .with("shift", three_digits(effect->shift), effect->shift)
          .with("U", three_digits(effect->U), effect->U);
    }
    findings.push_back(std::move(finding));
  }
  return findings;
}

}  // namespace check
