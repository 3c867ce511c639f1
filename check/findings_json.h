// findings_json.h - the findings, the comparison and the summary of a check
// as one JSON document (--json FILE), for scripts, notebooks and a lab's
// continuous integration.
//
// The keys are stable and listed in freq2equat-check(1), JSON OUTPUT:
//
//   {"format": "freq2equat-check", "version": 1,
//    "findings": [{"id", "severity", "file", "line", "column", "byte_offset", "message",
//                  "values": {NAME: number or text}}],
//    "comparison": [{"line", "block", "reference", "nuclide", "charge",
//                    "this_work", "this_work_uncertainty", "correction",
//                    "correction_uncertainty", "table", "table_uncertainty",
//                    "difference", "sigma", "compared_with", "not_compared"}],
//    "summary": {"blocks", "measurements", "equations", "rows", "errors",
//                "warnings", "notes", "remarks"}}
//
// Numbers are micro-u; a value that is not known is null. A column of 0
// means the whole line. "byte_offset" counts from the file's first byte (0)
// and is null when the file could not be read again (finding_bytes.h).
#pragma once

#include <string>
#include <vector>

#include "check/check_context.h"
#include "check/finding.h"

namespace check {

struct CheckSummary {
  int blocks = 0;
  int measurements = 0;
  int rows = 0;
};

std::string findings_json(const Findings& findings, const std::vector<Compared>& compared,
                          const CheckSummary& summary);

}  // namespace check
