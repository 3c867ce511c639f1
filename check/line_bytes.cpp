// line_bytes.cpp - BOM, tabs, CRs and the last line end.
#include "check/line_bytes.h"

#include <string>

namespace check {

namespace {

LinePlace place_of(const InputFile& file, std::string_view record) {
  return {file.shown, file.trace.line_number, record};
}

}  // namespace

bool starts_with_byte_order_mark(std::string_view bytes) {
  return bytes.substr(0, 3) == "\xEF\xBB\xBF";
}

Findings line_bytes_findings(const CheckContext& context, const InputFile& file,
                             const SourceLine& line, LineBytesChecks checks) {
  Findings findings;
  const LinePlace place = place_of(file, line.record);
  const std::string_view raw = file.trace.raw.view();
  if (checks.byte_order_mark && place.line == 1 && starts_with_byte_order_mark(raw))
    findings.push_back(place.at(1, FindingKind::byte_order_mark).replacing(3, ""));
  if (checks.tabs_matter && context.tab_width > 0) {
    const std::size_t tab = raw.find('\t');
    if (tab != std::string_view::npos) {
      const std::int32_t column = line.column(tab);
      const std::int32_t next = tab + 1 < raw.size()
                                    ? line.column(tab + 1)
                                    : static_cast<std::int32_t>(line.record.size()) + 1;
      // The mend is the blanks the converter fills in: every field then
      // stays where the converter reads it now.
      findings.push_back(
          place.at(column, FindingKind::tab_moves_fields)
              .count("next", next)
              .count("tab_width", context.tab_width)
              .replacing(1, std::string(static_cast<std::size_t>(next - column), ' ')));
    }
  }
  // A CR right before the LF is a CR LF line end; any other CR ends no line.
  const std::size_t last = file.trace.line_feed ? raw.size() - 1 : raw.size();
  for (std::size_t at = raw.find('\r'); at != std::string_view::npos; at = raw.find('\r', at + 1)) {
    if (at == last && file.trace.line_feed) continue;
    findings.push_back(place.at(line.column(at), FindingKind::lone_cr));
    break;
  }
  return findings;
}

Finding delivered_without_line_end(const InputFile& file, const SourceLine& line, InputKind input) {
  return place_of(file, line.record)
      .at(static_cast<std::int32_t>(line.record.size()) + 1, FindingKind::last_line_no_end)
      .choice("input", static_cast<int>(input));
}

Findings undelivered_tail_findings(const InputFile& file, const SourceLine& line, InputKind input) {
  const std::string_view raw = file.trace.raw.view();
  if (raw.empty() || file.trace.line_feed) return {};
  const LinePlace place = place_of(file, line.record);
  const std::size_t cr = raw.find('\r');
  if (cr != std::string_view::npos && cr + 1 < raw.size())
    return {place.at(line.column(cr), FindingKind::cr_line_ends)};
  return {place.at(static_cast<std::int32_t>(line.record.size()) + 1, FindingKind::unread_last_line)
              .choice("input", static_cast<int>(input))};
}

}  // namespace check
