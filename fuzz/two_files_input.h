// two_files_input.h - what the targets that read a program's two input
// files share: one fuzz input cut into the two files, and the shipped 2020
// mass table they compare with, read once per process.
#pragma once

#include <string>
#include <string_view>

#include "cli/diagnostics.h"
#include "fuzz/fuzz_support.h"
#include "nuclides/mass_table.h"

namespace fuzz_support {

// The input up to the first `separator` (a whole line, its LF included) is
// the first file, the rest the second; no separator leaves the second
// empty. Both are written under their scratch names, which are returned.
struct TwoFiles {
  std::string first_path;
  std::string second_path;
  std::string_view first;
  bool separated = false;  // the input held the separator
};

inline TwoFiles write_two_files(std::string_view input, std::string_view separator,
                                std::string_view first_name, std::string_view second_name) {
  const std::size_t split = input.find(separator);
  TwoFiles files{scratch_file(first_name), scratch_file(second_name), input.substr(0, split),
                 split != std::string_view::npos};
  const std::string_view second =
      split == std::string_view::npos ? std::string_view() : input.substr(split + separator.size());
  if (!write_file(files.first_path, files.first) || !write_file(files.second_path, second))
    fail("cannot write the input files");
  return files;
}

// The table the programs ship, read at the first call; a failure to read
// it is a finding of the set-up, not of an input.
inline const nuclides::MassTable& shipped_mass_table() {
  static const nuclides::MassTable* const table = [] {
    static nuclides::MassTable loaded;
    cli::Diagnostics ignored;
    std::string error;
    if (!loaded.load(FREQ2EQUAT_MASS_TABLE, "masses.csv", ignored, error))
      fail("mass table: " + error);
    return &loaded;
  }();
  return *table;
}

}  // namespace fuzz_support
