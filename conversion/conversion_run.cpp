// conversion_run.cpp - connects the files and walks the measurements.
#include "conversion/conversion_run.h"

#include <string_view>

#include "recordio/units.h"

namespace conversion {

namespace {

using recordio::StatementRequest;

// The names are held blank-padded in 30 columns; the connection drops the
// blanks.
constexpr std::string_view equations_file = "vemo.equat                    ";
constexpr std::string_view measurements_file = "vemo.freq                     ";
constexpr std::string_view table_file = "ionization.data               ";

constexpr int equations_unit = 1;
constexpr int measurements_unit = 3;
constexpr int table_unit = 10;

void connect(int unit, std::string_view name, std::string_view status) {
  StatementRequest request;
  request.unit = unit;
  request.file_name = name;
  request.status_keyword = status;
  request.form_keyword = "formatted";
  // No branch and no status variable: a failed connection ends the run.
  recordio::open_unit(request);
}

}  // namespace

void run_conversion() {
  connect(equations_unit, equations_file, "new");
  connect(measurements_unit, measurements_file, "old");
  connect(table_unit, table_file, "old");
  StatementRequest stop;
  recordio::stop_run(stop);
}

}  // namespace conversion
