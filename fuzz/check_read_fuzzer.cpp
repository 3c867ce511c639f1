// check_read_fuzzer.cpp - the checker's reading of an arbitrary pair of
// "vemo.freq" and "ionization.data", compared with a mass table.
//
// One input holds both files, as for fuzz_whole_run: the bytes before the
// first line "@@ionization.data@@" are "vemo.freq", the bytes after it
// "ionization.data" (no such line: the table is empty). Both are read in
// this process through check::read_inputs, the road freq2equat-check takes,
// with the 2020 mass table loaded once. Beyond not crashing: the record
// layer never ends the process, a refusal is one line, and the findings
// are lines of their three kinds only: a head "FILE:LINE[:COLUMN]: error|
// warning|note: message" without control bytes, the line shown as
// printable ASCII within its window, and a caret line; and there is at most
// one error, since the converter stops at the first.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "check/check_context.h"
#include "check/input_reading.h"
#include "cli/diagnostics.h"
#include "conversion/binding_energy_table.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/two_files_input.h"
#include "nuclides/mass_table.h"
#include "recordio/process_start.h"
#include "recordio/units.h"

namespace {

using fuzz_support::fail;

constexpr std::string_view separator = "@@ionization.data@@\n";

const nuclides::MassTable* masses = nullptr;

bool is_digits(std::string_view text) {
  if (text.empty()) return false;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

// "NAME:LINE[:COLUMN]: kind: message" for one of the two names.
bool is_head(std::string_view line, std::string_view freq, std::string_view table) {
  std::string_view rest;
  if (line.substr(0, freq.size() + 1) == std::string(freq) + ":") {
    rest = line.substr(freq.size() + 1);
  } else if (line.substr(0, table.size() + 1) == std::string(table) + ":") {
    rest = line.substr(table.size() + 1);
  } else {
    return false;
  }
  const std::size_t end = rest.find(": ");
  if (end == std::string_view::npos) return false;
  std::string_view place = rest.substr(0, end);
  const std::size_t colon = place.find(':');
  if (!is_digits(place.substr(0, colon))) return false;
  if (colon != std::string_view::npos && !is_digits(place.substr(colon + 1))) return false;
  rest = rest.substr(end + 2);
  for (const std::string_view kind : {"error: ", "warning: ", "note: "}) {
    if (rest.substr(0, kind.size()) == kind) return true;
  }
  return false;
}

// At most shown_line_width bytes of the line, each at most four columns
// (<XX>), and "..." at both ends.
constexpr std::size_t widest_shown_line = 4 * cli::shown_line_width + 6;

bool is_shown_line(std::string_view line) {
  if (line.size() > widest_shown_line) return false;
  for (const char c : line) {
    if (c < 0x20 || c > 0x7e) return false;
  }
  return true;
}

bool is_caret_line(std::string_view line) {
  return !line.empty() && line.back() == '^' && line.find_first_not_of(' ') == line.size() - 1 &&
         line.size() <= widest_shown_line + 2;
}

void check_findings(std::string_view text, std::string_view freq, std::string_view table,
                    std::string_view input) {
  if (!text.empty() && text.back() != '\n') fail("findings do not end with a line end", input);
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = text.find('\n', at);
    const std::string_view line = text.substr(at, end - at);
    at = end + 1;
    for (const char c : line) {
      if ((c >= 0 && c < 0x20) || c == 0x7f) fail("a control byte in a finding's line", input);
    }
    if (is_head(line, freq, table)) continue;
    if (!is_shown_line(line) && !is_caret_line(line)) {
      fail("a line of the findings that is no head, shown line or caret: " +
               std::string(line.substr(0, 200)),
           input);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  recordio::start_up();
  fuzz_support::trap_run_stops();
  masses = &fuzz_support::shipped_mass_table();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const fuzz_support::TwoFiles files =
      fuzz_support::write_two_files(input, separator, "vemo.freq", "ionization.data");
  const std::string& freq_name = files.first_path;
  const std::string& table_name = files.second_path;

  // Fresh for every input: nothing a run found may carry over.
  const auto context = std::make_unique<check::CheckContext>();
  std::string findings;
  context->diagnostics.capture_into(&findings);
  context->tab_width = 8;
  context->masses = masses;
  context->freq.path = context->freq.shown = freq_name;
  context->freq.quoted = "'" + freq_name + "'";
  context->freq.unit = 3;
  context->table.path = context->table.shown = table_name;
  context->table.quoted = "'" + table_name + "'";
  context->table.unit = 10;
  const auto table = std::make_unique<conversion::BindingEnergyTable>();
  check::ReadCounts counts;
  std::string error;
  const bool read = check::read_inputs(*context, *table, counts, error);

  if (!read && (error.empty() || error.find('\n') != std::string::npos))
    fail("a refusal not of one line", input);
  if (recordio::find_unit(3) != nullptr || recordio::find_unit(10) != nullptr)
    fail("a unit left connected", input);
  if (counts.measurements < 0 || counts.blocks < 0) fail("negative counts", input);
  check_findings(findings, freq_name, table_name, input);
  if (context->diagnostics.errors() > 1) fail("more than one error", input);
  for (const check::Compared& compared : context->compared.all()) {
    if (compared.table && !(compared.combined_sigma() >= 0.0))
      fail("a combined sigma that is not >= 0", input);
  }
  return 0;
}
