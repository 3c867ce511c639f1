// check_run.cpp - the steps of a check after its tables are loaded.
#include "check/check_run.h"

#include "check/findings_json.h"
#include "cli/quoting.h"

namespace check {

bool run_check(CheckContext& context, conversion::BindingEnergyTable& table, CheckRun& run,
               std::string& error) {
  if (!read_inputs(context, table, run.counts, error)) return false;
  if (context.masses != nullptr) {
    context.diagnostics.add(
        context.equations.findings(*context.masses, context.properties, context.freq.shown));
  }
  if (context.properties == nullptr) return true;
  run.isomers = compare_isomers(context.state_lines, context.properties);
  for (const IsomerComparison& compared : run.isomers) {
    const StateLine& line = context.state_lines[compared.from];
    if (auto finding = isomer_finding(compared, context.properties->identity().file_name,
                                      {context.freq.shown, line.line, line.text})) {
      finding->column = line.value_column;
      context.diagnostics.add(*finding);
    }
  }
  return true;
}

std::vector<FindingFile> finding_files(const CheckContext& context, const std::string& masses_path,
                                       const std::string& nubase_path) {
  std::vector<FindingFile> files = {
      {context.freq.shown, context.freq.path, true, context.tab_width},
      {context.table.shown, context.table.path, true, context.tab_width}};
  if (!masses_path.empty()) files.push_back({cli::shown_name(masses_path), masses_path, false});
  if (!nubase_path.empty()) files.push_back({cli::shown_name(nubase_path), nubase_path, false});
  return files;
}

std::string check_json(CheckContext& context, const CheckRun& run, int rows,
                       const std::vector<FindingFile>& files) {
  if (!files.empty()) place_in_bytes(context.diagnostics.kept(), files);
  CheckedAgainst tables;
  if (context.masses != nullptr) tables.masses = context.masses->identity();
  if (context.properties != nullptr) tables.nubase = context.properties->identity();
  return findings_json(context.diagnostics.kept(), context.compared.all(),
                       {run.counts.blocks, run.counts.measurements, rows}, run.isomers, tables);
}

}  // namespace check
