// block_findings.cpp - repeated and lost lines, and blame for a reference.
#include "check/block_findings.h"

#include "cli/number_text.h"
#include "conversion/measurements_file.h"

namespace check {

namespace {

// The converter reads no column past the last field's, so two lines that
// agree up to it give one equation, whatever follows.
constexpr std::size_t columns_read = 46;

// A block of hundreds of thousands of lines (or a file of as many
// reference nuclides) is no file a person typed; past this many, repeats
// are no longer looked for, so that an endless input costs bounded memory.
constexpr std::size_t lines_remembered = 100000;

}  // namespace

void BlockFindings::report(std::int64_t line, std::int32_t column, const std::string& message,
                           const std::string& record) {
  context_.diagnostics.report(cli::Severity::warning, context_.freq.shown, line, column, message,
                              record);
}

void BlockFindings::reference(const ReferenceLine& reference) {
  end_block();
  open_ = true;
  reference_ = reference;
  lines_.clear();
  measured_ = 0;
  ratio_failures_ = 0;
  if (!reference.judged || reference_values_.size() >= lines_remembered) return;
  const auto [earlier, first] =
      reference_values_.try_emplace(reference.nuclide, reference.mass_excess, reference.line);
  if (!first && earlier->second.first != reference.mass_excess) {
    report(
        reference.line, reference.value_column,
        reference.nuclide + " was given the mass excess " + cli::fixed(earlier->second.first, 6) +
            " on line " + std::to_string(earlier->second.second) +
            ": one reference nuclide with two mass excesses in one file, so one of them is a slip",
        reference.record);
  }
}

void BlockFindings::measurement(std::int64_t line, const std::string& record) {
  ++measured_;
  if (lines_.size() >= lines_remembered) return;
  std::string read = record.substr(0, columns_read);
  while (!read.empty() && read.back() == ' ')
    read.pop_back();  // blanks past the end read as blanks
  const auto [earlier, first] = lines_.try_emplace(std::move(read), line);
  if (first) return;
  report(line, 1,
         "this line repeats line " + std::to_string(earlier->second) +
             " in every column the converter reads: pasted twice? The converter writes the same "
             "equation "
             "twice, and an evaluation counts it twice",
         record);
}

void BlockFindings::end_block() {
  if (!open_) return;
  open_ = false;
  if (!reference_.judged) return;
  if (measured_ == 0) {
    report(reference_.line, reference_.mass_number_column,
           "this block has a reference line and no measurement: is a measurement line lost, or is "
           "the NEW line "
           "after it one too many?",
           reference_.record);
  } else if (ratio_failures_ == measured_) {
    report(
        reference_.line, reference_.mass_number_column,
        measured_ == 1
            ? "the block's only measurement fits the ratio check neither way: the mass number or "
              "charge state of this reference line may be the slip rather than the measurement's"
            : "all " + std::to_string(measured_) +
                  " measurements of this block fit the ratio check neither way: the mass number or "
                  "charge state of this reference line is the likely slip",
        reference_.record);
  }
}

}  // namespace check
