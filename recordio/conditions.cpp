// conditions.cpp - the condition rules and the run-time failure report.
//
// A statement that asked for a condition (error branch, end-of-file branch,
// status variable) gets an outcome; one that did not ends the run. The run's
// end on that path first writes out every unit, so that no record written
// before the failure is lost, and only then reports.
#include "recordio/conditions.h"

#include <array>
#include <cstring>
#include <string>

#include "recordio/current_record.h"
#include "recordio/messages.h"
#include "recordio/platform.h"
#include "recordio/units.h"

namespace recordio {

namespace {

constexpr std::array<std::string_view, 8> statement_keywords = {
    "REWIND", "BACKSPACE", "OPEN", "CLOSE", "INQUIRE", "READ", "WRITE", "ENDFILE"};

// Each line goes out as soon as it is built: nothing of the report may sit
// in a buffer when the process ends.
void report_line(std::string_view text) {
  std::string line = "? ";
  line += text;
  line += '\n';
  platform::write_standard_error(line);
}

std::string statement_line(const StatementRequest& request) {
  const auto kind = static_cast<std::size_t>(request.kind);
  std::string line(kind < statement_keywords.size() ? statement_keywords[kind] : "");
  line += "(UNIT=";
  line += request.unit == -1 ? std::string("*") : std::to_string(request.unit);
  line += ",...";
  return line;
}

// A fatal condition met while the units are written out for another one
// must not start a second report.
bool failing = false;

}  // namespace

void set_status(const StatementRequest& request, std::int32_t value) {
  if (request.status == nullptr) return;
  // Cut to the variable's width as a two's-complement value.
  const auto bits = static_cast<std::uint32_t>(value);
  switch (request.status_width) {
    case 1: {
      const auto cut = static_cast<std::uint8_t>(bits);
      std::memcpy(request.status, &cut, 1);
      break;
    }
    case 2: {
      const auto cut = static_cast<std::uint16_t>(bits);
      std::memcpy(request.status, &cut, 2);
      break;
    }
    default:
      std::memcpy(request.status, &bits, 4);
      break;
  }
}

Outcome raise_condition(std::int32_t condition, StatementRequest& request) {
  set_status(request, condition == code::read_past_end_of_file ? -1 : condition);
  if (request.error_branch) {
    current_record().clear();
    return Outcome::failure;
  }
  if (request.status != nullptr) {
    request.statement_failed = true;
    current_record().clear();
    return Outcome::recorded;
  }
  fail_run(condition, request);
}

Outcome end_of_file_condition(StatementRequest& request) {
  if (request.end_branch) {
    set_status(request, -1);
    current_record().clear();
    return Outcome::end_of_file;
  }
  return raise_condition(code::read_past_end_of_file, request);
}

void fail_run(std::int32_t condition, const StatementRequest& request) {
  if (!failing) {
    failing = true;
    release_all_units(true);
    if (is_layer_condition(condition)) {
      report_line(layer_heading);
      report_line(layer_message(condition));
    } else {
      report_line(system_heading);
      report_line(system_error_text(condition));
    }
    report_line(statement_line(request));
  }
  platform::exit_process(-1);
}

}  // namespace recordio
