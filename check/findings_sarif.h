// findings_sarif.h - the findings as a SARIF 2.1.0 log (--sarif FILE), the
// format compilers, code-scanning services and editors read.
//
// One run: the tool's rules are the table of kinds (finding_kinds.h), each
// with its identifier, its text with the values named in angle brackets as
// its description, and its severity as its default level (a remark is
// "none"); every finding is a result at its file, line, column and byte
// offset, with a partial fingerprint made of its identifier, its column and
// its line's bytes, so that a finding keeps its fingerprint when lines are
// added above it; and a finding whose rule knows the mend carries it as a
// fix. Columns count characters from the line's first byte, a tab as one
// ("columnKind": "unicodeCodePoints").
#pragma once

#include <string>
#include <vector>

#include "check/finding.h"
#include "check/finding_bytes.h"

namespace check {

// `files` give each file's path, which its URI is made of (a name is shown
// escaped in findings when it holds odd bytes); a relative path stays
// relative to the directory the check ran in, an absolute one is a file:
// URI.
std::string findings_sarif(const Findings& findings, const std::vector<FindingFile>& files);

}  // namespace check
