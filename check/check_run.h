// check_run.h - the steps of a check after its tables are loaded, shared by
// the program and everything else that checks (the Python module), so that
// both report the same findings and write the same JSON.
#pragma once

#include <string>
#include <vector>

#include "check/check_context.h"
#include "check/finding_bytes.h"
#include "check/input_reading.h"
#include "check/isomer_comparison.h"
#include "conversion/binding_energy_table.h"

namespace check {

struct CheckRun {
  ReadCounts counts;
  std::vector<IsomerComparison> isomers;  // none without a table of nuclear properties
};

// Reads both files of `context` (read_inputs), then sets each measured
// isomer's E* beside the table's, with a finding where they disagree: the
// ground state may come after its isomer, so only once every line is known.
// false with a one-line `error` when a file cannot be read.
bool run_check(CheckContext& context, conversion::BindingEnergyTable& table, CheckRun& run,
               std::string& error);

// The files a finding may name, each with its way of counting columns: the
// two inputs, and the tables read whole at `masses_path` and
// `nubase_path` when they are not empty.
std::vector<FindingFile> finding_files(const CheckContext& context, const std::string& masses_path,
                                       const std::string& nubase_path);

// The JSON document of the check (findings_json), the tables named by
// `context`'s; each finding is first placed in the bytes of `files` (none:
// placed already, as for a SARIF log written beside it).
std::string check_json(CheckContext& context, const CheckRun& run, int rows,
                       const std::vector<FindingFile>& files = {});

}  // namespace check
