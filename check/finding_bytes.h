// finding_bytes.h - where each finding's place is in its file's bytes.
//
// A finding names its place by line and by the column the reader of its
// file counts: the record's column for the two files the record layer
// reads (CRs take none, a tab fills to its stop), the byte's for the tables
// read whole. An editor, a code-scanning service or a script that slices
// the file wants the byte itself. The rules cannot carry it: a finding
// about an earlier line is made long after that line's bytes are gone, and
// a line may be hundreds of megabytes. So the files are read once more,
// only when a machine-readable report asks, in one streaming pass each.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "check/finding.h"

namespace check {

struct FindingFile {
  std::string shown;  // as findings name it (cli::shown_name)
  std::string path;   // to read it by
  // How findings count its columns: as the record layer does (CRs take no
  // column, a tab fills to its stop unless `tab_width` is 0), or, for a
  // table read whole, one byte a column.
  bool record_columns = true;
  int tab_width = 8;
};

// Sets `bytes` of every finding placed in one of `files`. A whole-line finding (column 0) is at its
// line's first byte; a column past its line's end is at the line's end (its CR LF or LF, or the end
// of the file), and so is a finding on the line after the last. A file that is not a regular file
// (a pipe is read once only) or that cannot be opened again leaves its findings unplaced.
void place_in_bytes(Findings& findings, const std::vector<FindingFile>& files);

// 64-bit FNV-1a of `bytes`, continued from `hash`: the line hash, and what
// a report makes of it.
constexpr std::uint64_t fnv1a_start = 0xcbf29ce484222325u;
std::uint64_t fnv1a(std::string_view bytes, std::uint64_t hash = fnv1a_start);

}  // namespace check
