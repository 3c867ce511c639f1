// line_bytes.cpp - BOM, tabs, CRs and the last line end.
#include "check/line_bytes.h"

#include <string>

namespace check {

bool starts_with_byte_order_mark(std::string_view bytes) {
  return bytes.substr(0, 3) == "\xEF\xBB\xBF";
}

void check_line_bytes(CheckContext& context, const InputFile& file, const SourceLine& line,
                      LineBytesChecks checks) {
  const std::string_view raw = file.trace.raw.view();
  const std::int64_t number = file.trace.line_number;
  if (checks.byte_order_mark && number == 1 && starts_with_byte_order_mark(raw)) {
    context.diagnostics.report(
        cli::Severity::warning, file.shown, number, 1,
        "the file starts with a byte-order mark (bytes EF BB BF): the converter reads it as part "
        "of the first value, so the first row is not loaded; save the file without it",
        line.record);
  }
  if (checks.tabs_matter && context.tab_width > 0) {
    const std::size_t tab = raw.find('\t');
    if (tab != std::string_view::npos) {
      const std::int32_t column = line.column(tab);
      const std::int32_t next = tab + 1 < raw.size()
                                    ? line.column(tab + 1)
                                    : static_cast<std::int32_t>(line.record.size()) + 1;
      context.diagnostics.report(
          cli::Severity::warning, file.shown, number, column,
          "a tab: the converter fills blanks up to column " + std::to_string(next) +
              " (tab stops every " + std::to_string(context.tab_width) +
              " columns), so every field after it moves; write blanks instead",
          line.record);
    }
  }
  // A CR right before the LF is a CR LF line end; any other CR ends no line.
  const std::size_t last = file.trace.line_feed ? raw.size() - 1 : raw.size();
  for (std::size_t at = 0; at < raw.size(); ++at) {
    if (raw[at] != '\r' || (at == last && file.trace.line_feed)) continue;
    context.diagnostics.report(
        cli::Severity::warning, file.shown, number, line.column(at),
        "a CR without LF: a line end of CR alone is no line end here; the converter drops the CR "
        "and reads what follows as part of this line",
        line.record);
    break;
  }
}

void check_delivered_without_line_end(CheckContext& context, const InputFile& file,
                                      const SourceLine& line, std::string_view risk) {
  context.diagnostics.report(
      cli::Severity::warning, file.shown, file.trace.line_number,
      static_cast<std::int32_t>(line.record.size()) + 1,
      "the last line has no line end: if the file was cut short, " + std::string(risk),
      line.record);
}

void check_undelivered_tail(CheckContext& context, const InputFile& file, std::string_view lost) {
  const std::string_view raw = file.trace.raw.view();
  if (raw.empty() || file.trace.line_feed) return;
  const SourceLine line = file.current_line(context.tab_width);
  const std::size_t cr = raw.find('\r');
  if (cr != std::string_view::npos && cr + 1 < raw.size()) {
    context.diagnostics.report(cli::Severity::warning, file.shown, file.trace.line_number,
                               line.column(cr),
                               "the lines from here on end in CR alone, which ends no line here: "
                               "the converter never reads "
                               "them; save the file with LF or CR LF line ends",
                               line.record);
    return;
  }
  context.diagnostics.report(
      cli::Severity::warning, file.shown, file.trace.line_number,
      static_cast<std::int32_t>(line.record.size()) + 1,
      "the last line has no line end, and the converter never reads it: " + std::string(lost),
      line.record);
}

}  // namespace check
