// finding_report.cpp - from a finding to its text.
#include "check/finding_report.h"

#include <cstdio>

namespace check {

namespace {

cli::Severity shown_as(Severity severity) {
  switch (severity) {
    case Severity::error:
      return cli::Severity::error;
    case Severity::note:
    case Severity::remark:
      return cli::Severity::note;
    default:
      return cli::Severity::warning;
  }
}

}  // namespace

void FindingReport::add(const Finding& finding) {
  const FindingKindInfo& kind = kind_info(finding.kind);
  if (kind.severity == Severity::listing) {
    if (!verbose) return;
    std::string line = finding.file + ':' + std::to_string(finding.line) + ": ";
    // A symbol may hold an escape sequence: shown as <1B>, as in a finding.
    line += cli::terminal_text(message_of(finding));
    line += '\n';
    if (listing_ != nullptr) {
      *listing_ += line;
    } else {
      std::fwrite(line.data(), 1, line.size(), stdout);
    }
    return;
  }
  if (keep) {
    kept_.push_back(finding);
    kept_.back().source = {};
  }
  if (kind.severity == Severity::remark && !verbose) return;
  std::string message = message_of(finding);
  message += " [";
  message += kind.id;
  message += ']';
  text_.report(shown_as(kind.severity), finding.file, finding.line, finding.column, message,
               finding.source);
}

}  // namespace check
