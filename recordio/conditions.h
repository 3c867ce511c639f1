// conditions.h - the one place that decides what a condition does.
//
// Every part of the layer that meets a condition (bad input data, end of
// file, a refused system call, a bad connect) hands it here. The statement
// either asked for it (error branch, end-of-file branch, status variable)
// and gets an outcome back, or it did not and the run ends with the
// three-line failure report on standard error and exit status -1.
#pragma once

#include <cstdint>

#include "recordio/statement.h"

namespace recordio {

// Condition codes of the layer itself; any other code is a system error code.
namespace code {
inline constexpr std::int32_t not_open_for_read = 10000;
inline constexpr std::int32_t not_open_for_write = 10001;
inline constexpr std::int32_t buffer_allocation_failed = 10004;
inline constexpr std::int32_t bad_iolist_specifier = 10005;
inline constexpr std::int32_t read_past_end_of_file = 10013;
inline constexpr std::int32_t empty_file_name = 10014;
inline constexpr std::int32_t format_group_overflow = 10015;
inline constexpr std::int32_t illegal_numeric_character = 10016;
inline constexpr std::int32_t type_does_not_match_descriptor = 10022;
inline constexpr std::int32_t illegal_unit = 10029;
inline constexpr std::int32_t open_does_not_match = 10030;
inline constexpr std::int32_t new_file_exists = 10032;
inline constexpr std::int32_t read_past_end_of_record = 10038;
inline constexpr std::int32_t record_too_long = 10060;
}  // namespace code

// Applies the condition rules to `condition`: stores the status value, then
// returns failure (error branch), recorded (status variable only) or, when
// the statement asked for neither, ends the run with the failure report and
// does not return. The current record is emptied on every return.
Outcome raise_condition(std::int32_t condition, StatementRequest& request);

// End of file found by a read: end_of_file with an end-of-file branch,
// otherwise the rules of raise_condition for code 10013.
Outcome end_of_file_condition(StatementRequest& request);

// Stores `value` in the statement's status variable, if it has one, as a
// two's-complement integer cut to the variable's width.
void set_status(const StatementRequest& request, std::int32_t value);

// What every statement does first: names its kind for the failure report,
// clears its status variable and forgets a condition recorded by an
// earlier use of the same request.
inline void begin_statement(StatementRequest& request, StatementKind kind) {
  request.kind = kind;
  set_status(request, 0);
  request.statement_failed = false;
}

// The fatal path: releases every unit, writes the report, exits with -1.
[[noreturn]] void fail_run(std::int32_t condition, const StatementRequest& request);

}  // namespace recordio
