// measurement_block_rules.cpp - repeated and lost lines, and blame for a reference.
#include "check/measurement_block_rules.h"

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

Findings BlockRules::reference(const ReferenceLine& reference) {
  Findings findings;
  open_ = true;
  reference_ = reference;
  lines_.clear();
  measured_ = 0;
  ratio_failures_ = 0;
  if (!reference.judged || reference_values_.size() >= lines_remembered) return findings;
  const auto [earlier, first] =
      reference_values_.try_emplace(reference.nuclide, reference.mass_excess, reference.line);
  if (!first && earlier->second.first != reference.mass_excess) {
    findings.push_back(
        LinePlace{file_, reference.line, reference_.record}
            .at(reference.value_column, FindingKind::reference_two_values)
            .with("nuclide", reference.nuclide)
            .with("earlier", cli::fixed(earlier->second.first, 6), earlier->second.first)
            .count("earlier_line", earlier->second.second));
  }
  return findings;
}

Findings BlockRules::measurement(std::int64_t line, const std::string& record) {
  ++measured_;
  if (lines_.size() >= lines_remembered) return {};
  std::string read = record.substr(0, columns_read);
  while (!read.empty() && read.back() == ' ')
    read.pop_back();  // blanks past the end read as blanks
  const auto [earlier, first] = lines_.try_emplace(std::move(read), line);
  if (first) return {};
  return {LinePlace{file_, line, record}
              .at(1, FindingKind::repeated_line)
              .count("earlier_line", earlier->second)};
}

Findings BlockRules::end_block() {
  if (!open_) return {};
  open_ = false;
  if (!reference_.judged) return {};
  const LinePlace place{file_, reference_.line, reference_.record};
  if (measured_ == 0) return {place.at(reference_.mass_number_column, FindingKind::empty_block)};
  if (ratio_failures_ == measured_) {
    return {place.at(reference_.mass_number_column, FindingKind::reference_blamed)
                .count("measurements", measured_)};
  }
  return {};
}

}  // namespace check
