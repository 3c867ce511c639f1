// findings_json.h - the findings, the comparison and the summary of a check
// as one JSON document (--json FILE), for scripts, notebooks and a lab's
// continuous integration.
//
// The keys are stable and listed in freq2equat-check(1), JSON OUTPUT:
//
//   {"format": "freq2equat-check", "version": 1,
//    "findings": [{"id", "severity", "file", "line", "column", "message",
//                  "values": {NAME: number or text}}],
//    "comparison": [{"line", "block", "reference", "nuclide", "charge",
//                    "this_work", "this_work_uncertainty", "correction",
//                    "correction_uncertainty", "table", "table_uncertainty",
//                    "difference", "sigma", "compared_with", "not_compared"}],
//    "isomers": [{"line", "block", "nuclide", "excitation", "excitation_uncertainty",
//                 "ground_state_line", "table", "table_uncertainty", "table_estimated",
//                 "difference", "sigma", "order_uncertain", "order_reversed",
//                 "not_compared"}],
//    "tables": {"masses": TABLE or null, "nubase": TABLE or null},
//    "summary": {"blocks", "measurements", "equations", "rows", "errors",
//                "warnings", "notes", "remarks"}}
//
// TABLE is {"file", "edition", "sha256"}: the table a result was compared
// with, by its first 12 hex digits of SHA-256.
//
// Numbers are micro-u, but the isomers' excitation energies, which are keV;
// "ground_state_line" is the line E* is worked out from the ratios with, or
// null when it is over the mass table's ground state. A value that is not
// known is null. A column of 0 means the whole line.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "check/check_context.h"
#include "check/finding.h"
#include "check/isomer_comparison.h"
#include "nuclides/table_identity.h"

namespace check {

struct CheckSummary {
  int blocks = 0;
  int measurements = 0;
  int rows = 0;
};

// The tables the check compared with; none when it compared with none.
struct CheckedAgainst {
  std::optional<nuclides::TableIdentity> masses;
  std::optional<nuclides::TableIdentity> nubase;
};

std::string findings_json(const Findings& findings, const std::vector<Compared>& compared,
                          const CheckSummary& summary,
                          const std::vector<IsomerComparison>& isomers = {},
                          const CheckedAgainst& tables = {});

}  // namespace check
