// equations_read_fuzzer.cpp - freq2equat-adjust's reading of an arbitrary
// equations file, and the adjustment of what it read.
//
// One input holds the equations file and, after a line
// "@@data-covariance@@", a data covariance file for it (no such line: none).
// Both are read in this process as freq2equat-adjust reads them, and when
// they hold no error the equations are adjusted against the 2020 mass
// table. Beyond not crashing: the record layer never ends the process, the
// unit is released, a refusal is one line, every equation read has G not 0,
// V finite and U above 0; an adjustment that succeeds has chi2 >= 0,
// significances within [0, 1] and adding up to the number of adjusted
// nuclides, and 12C at 0 exactly.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "adjust/adjustment.h"
#include "adjust/data_covariance.h"
#include "adjust/equations_file.h"
#include "cli/diagnostics.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/two_files_input.h"
#include "nuclides/mass_table.h"
#include "recordio/process_start.h"
#include "recordio/units.h"

namespace {

using fuzz_support::fail;

constexpr std::string_view separator = "@@data-covariance@@\n";
constexpr std::int32_t unit = 3;
// Rounding allowed in the sums of significances, per datum.
constexpr double slack = 1e-9;

const nuclides::MassTable* masses = nullptr;

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
      fuzz_support::write_two_files(input, separator, "vemo.equat", "data.cov");
  const std::string& equat_name = files.first_path;
  const std::string& covariance_name = files.second_path;

  cli::Diagnostics diagnostics;
  std::string findings;
  diagnostics.capture_into(&findings);
  adjust::EquationsFile file;
  std::string refusal;
  const bool read =
      adjust::read_equations_file(equat_name, equat_name, unit, diagnostics, file, refusal);
  if (!read && (refusal.empty() || refusal.find('\n') != std::string::npos))
    fail("a refusal not of one line", input);
  if (recordio::find_unit(unit) != nullptr) fail("the unit left connected", input);
  if (!read || file.errors > 0 || file.equations.empty()) return 0;
  for (adjust::Equation& equation : file.equations) {
    if (equation.G == 0.0 || !std::isfinite(equation.V) || !(equation.U > 0.0))
      fail("an equation read with G 0, V not finite or U not above 0", input);
    equation.file = "vemo.equat";
  }

  adjust::AdjustSettings settings;
  if (files.separated) {
    std::string error;
    if (!adjust::read_data_covariance(covariance_name, "data.cov", file.equations,
                                      settings.data_covariances, error)) {
      if (error.empty() || error.find('\n') != std::string::npos)
        fail("a data covariance refusal not of one line", input);
      return 0;
    }
  }
  adjust::Adjustment result;
  std::string error;
  if (!adjust::adjust_equations(file.equations, *masses, settings, result, error)) {
    if (error.empty() || error.find('\n') != std::string::npos)
      fail("an adjustment refusal not of one line", input);
    return 0;
  }
  if (!(result.chi2 >= 0.0)) fail("chi2 below 0 or not a number", input);
  double sum = 0.0;
  std::size_t used = 0;
  for (const adjust::Datum& datum : result.data) {
    if (!datum.used) continue;
    ++used;
    if (!(datum.significance >= -slack && datum.significance <= 1.0 + slack))
      fail("a significance outside [0, 1]", input);
    sum += datum.significance;
  }
  std::size_t unknowns = 0;
  for (const adjust::NuclideResult& nuclide : result.nuclides) {
    if (nuclide.determined && !nuclide.fixed && nuclide.atoms.empty()) ++unknowns;
    if (nuclide.nuclide.A == 12 && nuclide.nuclide.symbol == "C" &&
        (nuclide.mass_excess != 0.0 || nuclide.uncertainty != 0.0)) {
      fail("12C is not 0 exactly", input);
    }
  }
  // Each exact anchor counts 1 for its own nuclide.
  std::size_t exact = 0;
  for (const adjust::Datum& datum : result.data) {
    if (datum.used && datum.kind == adjust::Datum::Kind::anchor && datum.uncertainty == 0.0)
      ++exact;
  }
  if (std::fabs(sum - static_cast<double>(unknowns + exact)) >
      slack * static_cast<double>(used + 1))
    fail("the significances do not add up to the number of adjusted nuclides", input);
  return 0;
}
