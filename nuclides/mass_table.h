// mass_table.h - a table of atomic mass excesses to compare with.
//
// CSV with the columns Z, A, symbol, mass excess and uncertainty in micro-u
// and in keV, and whether the value is estimated; lines starting with "#"
// are comments and the first other line names the columns. Only the
// micro-u columns are used for values; the keV column tells the table's own
// keV per micro-u, which differs slightly from the converter's constant.
// The table as it is published in fixed columns
// (nuclides/published_mass_table.h) is read as well, told from the CSV by
// the row format its header states.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "cli/diagnostics.h"
#include "nuclides/table_identity.h"

namespace nuclides {

// 931494.10242 keV per u, the factor the 2020 table's keV column is made
// with (the 2018 adjustment of the fundamental constants).
inline constexpr double kev_per_micro_u_2020 = 0.93149410242;

struct TableMass {
  double mass_excess = 0.0;  // micro-u
  double uncertainty = 0.0;  // micro-u
  bool estimated = false;
};

// A row the table load left out, and why ("negative uncertainty").
struct LeftOutRow {
  std::int64_t line = 0;
  std::int32_t column = 1;
  std::string reason;
  std::string text;  // the line, without its line end
};

// Each row as a warning at FILE:LINE:COLUMN, "<reason>: the row is left
// out", under the name `shown`: how every table says what it did not take.
void report_left_out(const std::vector<LeftOutRow>& rows, const std::string& shown,
                     cli::Diagnostics& findings);

class MassTable {
 public:
  // Reads `path`, named `shown` in findings. A row that cannot be used (not
  // a row of numbers, a value that is not finite, a negative uncertainty, a
  // symbol that is no element, a nuclide given twice) is a warning at
  // FILE:LINE:COLUMN in `findings` and is left out. Returns false with a
  // one-line reason in `error` when the table cannot be used at all: not
  // readable, not a regular file, over CsvRows::size_limit, without the header line
  // of the expected columns, or without a single usable row.
  bool load(const std::string& path, const std::string& shown, cli::Diagnostics& findings,
            std::string& error);
  // The same, with the rows left out kept in left_out() instead, for a
  // program that reports them its own way; kept also when the load fails.
  bool load(const std::string& path, std::string& error);
  const std::vector<LeftOutRow>& left_out() const { return left_out_; }

  std::optional<TableMass> find(std::int32_t A, const std::string& element) const;
  std::size_t size() const { return masses_.size(); }
  // keV per micro-u as the table's own two columns give it, when it has a
  // keV column: kev_per_micro_u_2020 when its rows agree with it to their
  // printed digits, else the ratio of the row whose digits pin the factor
  // most closely (each column is rounded to its last digit, so a row
  // allows a range of factors; the narrowest range wins).
  std::optional<double> kev_per_micro_u() const { return kev_per_micro_u_; }
  // Which table was read: file name, edition as stated, checksum.
  const TableIdentity& identity() const { return identity_; }

 private:
  bool load_published(std::string_view bytes, const std::string& path, std::string& error);

  struct Entry {
    TableMass mass;
    std::int64_t line = 0;
  };
  std::map<std::pair<std::int32_t, std::string>, Entry> masses_;
  std::optional<double> kev_per_micro_u_;
  TableIdentity identity_;
  std::vector<LeftOutRow> left_out_;
};

}  // namespace nuclides
