// finding.h - one finding of the checker, as every rule returns it.
//
// A rule names the kind of what it found and gives the place and the
// values the message needs; the words come from the table of kinds
// (finding_kinds.h), so that the text report, the -v listing and any
// machine-readable output are made from one record.
#pragma once

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "check/finding_kinds.h"

namespace check {

// A value a message names: its text as the message shows it and, when it
// is a number, the number itself (NaN when it is not one).
struct FindingArgument {
  std::string name;
  std::string text;
  double number = NAN;
};

struct Finding {
  FindingKind kind{};
  std::string file;         // as findings name it: cli::shown_name
  std::int64_t line = 0;    // 1 for the first line
  std::int32_t column = 0;  // 1 for the first byte; 0 for the whole line
  // The line shown under the message (may be empty). It points into the
  // rule's or the reader's copy of the line, which outlives the report of
  // the finding: a line may be hundreds of megabytes, and is not copied.
  std::string_view source;
  std::vector<FindingArgument> arguments;
  // The place in the file's bytes, for a machine-readable report; set by
  // place_in_bytes (finding_bytes.h).
  struct BytePlace {
    std::int64_t offset = -1;  // of its byte from the file's first; -1: not known
    // Counted as an editor counts: characters from the line's first byte,
    // a tab as one, 1 for the first; 0 while not known.
    std::int32_t character_column = 0;
    // The characters of the bytes a replacement mends, counted as
    // character_column is: an editor's end column is character_column plus
    // this, not plus the bytes (a byte-order mark is three bytes, one
    // character).
    std::int32_t replaced_characters = 0;
    // A hash of the line's bytes without its line end, which stays when
    // lines are added or removed above it.
    std::uint64_t line_hash = 0;
  } bytes;
  // The mend, when the rule knows it for certain: `length` bytes of the
  // file from the finding's own byte are to be replaced by `text`.
  struct Replacement {
    std::int32_t length = 0;
    std::string text;
  };
  std::optional<Replacement> replacement;

  // A value the message shows as `text`.
  Finding& with(std::string_view name, std::string text) {
    arguments.push_back({std::string(name), std::move(text)});
    return *this;
  }
  // A number the message shows as `text`; kept as a number too.
  Finding& with(std::string_view name, std::string text, double number) {
    arguments.push_back({std::string(name), std::move(text), number});
    return *this;
  }
  // A count, shown as its digits and kept as a number; a message may also
  // choose its words by it ("1 equation", "all 3 equations").
  Finding& count(std::string_view name, std::int64_t n) {
    arguments.push_back({std::string(name), std::to_string(n), static_cast<double>(n)});
    return *this;
  }
  // The mend: `length` bytes from the finding's place become `text`.
  Finding& replacing(std::int32_t length, std::string text) {
    replacement = Replacement{length, std::move(text)};
    return *this;
  }
  // Which of the alternatives the message gives for `name` is meant: 0 for
  // the first.
  Finding& choice(std::string_view name, int alternative) { return count(name, alternative); }

  // The number kept for `name`; NaN when there is none.
  double number(std::string_view name) const {
    for (const FindingArgument& a : arguments) {
      if (a.name == name) return a.number;
    }
    return NAN;
  }
};

using Findings = std::vector<Finding>;

// Where the findings of one line are: the rules of a line fill in the kind,
// column and values; the line's file, number and text come from here.
struct LinePlace {
  std::string file;
  std::int64_t line = 0;
  std::string_view source;

  Finding at(std::int32_t column, FindingKind kind) const {
    Finding finding;
    finding.kind = kind;
    finding.file = file;
    finding.line = line;
    finding.column = column;
    finding.source = source;
    return finding;
  }
};

// The message of `finding`: its kind's text with its values in place.
std::string message_of(const Finding& finding);

}  // namespace check
