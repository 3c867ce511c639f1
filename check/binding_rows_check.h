// binding_rows_check.h - the rows of "ionization.data", judged while the
// converter's own load reads them.
//
// The load forgives everything: a row that reads only partly keeps its
// place with what it got, a row short of a value takes it from the next
// line, rows past 450 are never read, a later row wins over an earlier one
// of the same species and charge, an energy of 0 or NaN counts as missing.
// Each of these leaves measurements without their correction, or with a
// wrong one, and nothing says so.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <utility>

#include "check/check_context.h"
#include "conversion/binding_energy_table.h"

namespace check {

class BindingRowsCheck final : public conversion::TableLoadObserver {
 public:
  explicit BindingRowsCheck(CheckContext& context) : context_(context) {}

  void value_read(int index, int value, const conversion::TableRow& row,
                  std::int32_t status) override;
  void row_read(int index, const conversion::TableRow& row, std::int32_t status) override;
  // A read failure other than a refused character (a line too long to
  // hold, a device that never ends) ends the check: the rest is not read.
  bool keep_loading() const override { return !context_.unreadable; }

  // After the load: rows the load left unread, and a last line it never saw.
  void finish(const conversion::BindingEnergyTable& table);

 private:
  struct RowState {
    std::array<std::int64_t, 4> line{};
    std::array<std::int32_t, 4> column{};
    int values = 0;  // read without a condition
    std::int32_t failed_status = 0;
    std::int64_t failed_line = 0;
    std::int32_t failed_column = 0;
    double energy_ev = 0.0;
    std::string leftover;  // what the row's last line holds after its fourth value
    std::int32_t leftover_column = 0;
  };

  void remember_line();
  const std::string& line_text(std::int64_t line) const;
  // The line's findings show it as the load's findings keep it.
  LinePlace place(std::int64_t line) const;
  Findings partial_row_findings(int index, const conversion::TableRow& row) const;
  Findings row_findings(const conversion::TableRow& row);

  CheckContext& context_;
  RowState row_;
  std::map<std::int64_t, std::string> lines_;  // line number -> record, for the lines findings show
  // (symbol, charge) -> line and column of the last row with it so far
  std::map<std::pair<std::uint32_t, std::int32_t>, std::pair<std::int64_t, std::int32_t>>
      first_line_of_key_;
};

}  // namespace check
