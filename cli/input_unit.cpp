// input_unit.cpp - an input file's unit, connected and released.
#include "cli/input_unit.h"

#include "cli/diagnostics.h"
#include "recordio/statement.h"
#include "recordio/units.h"

namespace cli {

std::string connect_for_reading(std::int32_t unit, const std::string& path) {
  std::int32_t status = 0;
  recordio::StatementRequest request;
  request.unit = unit;
  request.file_name = path;
  request.status_keyword = "old";
  request.form_keyword = "formatted";
  request.action_keyword = "read";
  request.status = &status;
  recordio::open_unit(request);
  return status == 0 ? std::string() : condition_text(status);
}

void release_unit(std::int32_t unit) {
  std::int32_t status = 0;
  recordio::StatementRequest request;
  request.unit = unit;
  request.status = &status;
  recordio::close_unit(request);
}

}  // namespace cli
