// mass_table_rows.cpp - rows left out of the mass table, as findings.
#include "check/mass_table_rows.h"

#include "cli/quoting.h"

namespace check {

bool load_mass_table(nuclides::MassTable& masses, const std::string& path, CheckContext& context,
                     std::string& error) {
  const bool loaded = masses.load(path, error);
  const std::string shown = cli::shown_name(path);
  for (const nuclides::LeftOutRow& row : masses.left_out()) {
    context.diagnostics.add(LinePlace{shown, row.line, row.text}
                                .at(row.column, FindingKind::mass_table_row)
                                .with("reason", row.reason));
  }
  return loaded;
}

bool load_nubase_table(nuclides::NubaseTable& properties, const std::string& path,
                       CheckContext& context, std::string& error) {
  const bool loaded = properties.load(path, error);
  const std::string shown = cli::shown_name(path);
  for (const nuclides::LeftOutRow& row : properties.left_out()) {
    context.diagnostics.add(LinePlace{shown, row.line, row.text}
                                .at(row.column, FindingKind::nubase_table_row)
                                .with("reason", row.reason));
  }
  return loaded;
}

}  // namespace check
