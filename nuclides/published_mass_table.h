// published_mass_table.h - the atomic mass table in the fixed-column format
// it is published in (the 2020 edition's "mass.mas20", and the 2016
// edition's, which has one digit less in several columns).
//
// The header states the Fortran format of the rows, e.g. for 2020
//   a1,i3,i5,i5,i5,1x,a3,a4,1x,f14.6,f12.6,f13.5,1x,f10.5,1x,a2,f13.5,f11.5,1x,i3,1x,f13.6,f12.6
// (carriage control, N-Z, N, Z, A, element, origin, mass excess and its
// uncertainty in keV, binding energy per nucleon and its uncertainty, "B-",
// beta-decay energy and its uncertainty, atomic mass in u and micro-u and
// its uncertainty), and the columns are taken from it, so an edition with
// other widths is read as its own header describes it. The rows start
// after the column titles ("N-Z ...") and their units line. "#" in place of
// a point marks an estimate; "*" a quantity that cannot be calculated.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "nuclides/mass_table.h"

namespace nuclides {

struct PublishedMass {
  std::int32_t A = 0;
  std::int32_t Z = 0;
  std::string element;
  double mass_excess = 0.0;  // micro-u, from the atomic mass columns
  double uncertainty = 0.0;  // micro-u
  double kev = 0.0;          // the mass excess column, keV
  bool estimated = false;
  std::int64_t line = 0;
  std::int32_t column = 0;  // of the row's mass number, for findings about the row
};

// True when `bytes` look like a published mass table: a header line giving
// a row format that begins "a1,i3".
bool is_published_mass_table(std::string_view bytes);

// Reads the rows of the table in `bytes` (read from the file `name`, for
// messages). A row that cannot be used (a field that does not read, N + Z
// other than A, an element that is none, a mass "*" not calculable, a
// negative uncertainty) goes to `left_out` with its line, column and
// reason. False with a one-line reason in `error` when the header states no
// format of the expected fields or has no column titles; the edition the
// header names goes to `edition` (empty when none).
bool read_published_mass_table(std::string_view bytes, const std::string& name,
                               std::vector<PublishedMass>& rows, std::vector<LeftOutRow>& left_out,
                               std::string& edition, std::string& error);

}  // namespace nuclides
