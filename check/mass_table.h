// mass_table.h - a table of atomic mass excesses to compare with.
//
// CSV with the columns Z, A, symbol, mass excess and uncertainty in micro-u
// and in keV, and whether the value is estimated; lines starting with "#"
// are comments and the first other line names the columns. Only the
// micro-u columns are used: the table's own keV per micro-u differs
// slightly from the converter's constant.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>

namespace check {

struct TableMass {
  double mass_excess = 0.0;  // micro-u
  double uncertainty = 0.0;  // micro-u
  bool estimated = false;
};

class MassTable {
 public:
  // Reads `path`; on failure returns false with a one-line reason in `error`.
  bool load(const std::string& path, std::string& error);

  std::optional<TableMass> find(std::int32_t A, const std::string& element) const;
  std::size_t size() const { return masses_.size(); }
  // keV per micro-u as the table's own two columns give it (from its row of
  // largest mass excess, the most digits), when it has a keV column.
  std::optional<double> kev_per_micro_u() const { return kev_per_micro_u_; }

 private:
  std::map<std::pair<std::int32_t, std::string>, TableMass> masses_;
  std::optional<double> kev_per_micro_u_;
};

}  // namespace check
