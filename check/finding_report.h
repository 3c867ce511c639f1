// finding_report.h - the one place findings are placed: as compilers print
// them on standard error, and the -v listing on standard output.
//
// Rules only return findings; what becomes of them is decided here, from
// the table of kinds: the severity word, the message, the identifier in
// brackets at the end of the first line, and the line with its caret
// (cli/diagnostics renders those three lines). The counts make the
// summary and the exit status.
#pragma once

#include <string>

#include "check/finding.h"
#include "cli/diagnostics.h"

namespace check {

class FindingReport {
 public:
  // Places `finding`: a finding on standard error, a listing entry on
  // standard output when -v asked for the listing (else nowhere).
  void add(const Finding& finding);
  void add(const Findings& findings) {
    for (const Finding& finding : findings) add(finding);
  }

  bool verbose = false;

  // When set, every finding (remarks too, listing entries not) is also
  // kept, without its source line, for a machine-readable report.
  bool keep = false;
  const Findings& kept() const { return kept_; }
  // The kept findings, for a report that completes them (their bytes).
  Findings& kept() { return kept_; }

  int errors() const { return text_.errors(); }
  int warnings() const { return text_.warnings(); }

  // Findings are appended to `text` instead of going to standard error
  // (nullptr: standard error again).
  void capture_into(std::string* text) { text_.capture_into(text); }
  // The -v listing is appended to `text` instead of going to standard
  // output (nullptr: standard output again).
  void capture_listing_into(std::string* text) { listing_ = text; }

 private:
  cli::Diagnostics text_;
  std::string* listing_ = nullptr;
  Findings kept_;
};

}  // namespace check
