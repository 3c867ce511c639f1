// measurements_file.h - reading "vemo.freq": its one format list and its
// blocks.
//
// A block is a reference line, measurement lines, and optionally a line
// whose columns 5-8 hold "NEW ", after which the next line is the next
// block's reference. End of file where a measurement may stand is the
// normal end; anywhere else, and any bad data, is a read failure. The
// converter and the checker both walk the file through this one reader, so
// the checker sees every value exactly as the converter does.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "conversion/binding_energy_table.h"
#include "conversion/equation_arithmetic.h"
#include "recordio/statement.h"

namespace conversion {

// (I4,A4,I4,F19.8,A2,F13.8) for every line of "vemo.freq".
inline constexpr recordio::EditDescriptor line_format[] = {
    recordio::integer(4),  recordio::character(4), recordio::integer(4),
    recordio::real(19, 8), recordio::character(2), recordio::real(13, 8)};
inline constexpr int line_fields = 6;

inline constexpr Symbol block_marker = {'N', 'E', 'W', ' '};

// How far the last line's read got, for a reader that reports on the file.
struct LineProgress {
  bool reference = false;  // the line was read as a block's reference
  int fields_read = 0;     // fields stored before the read ended (6: all)
  // Offset in the record (0 for column 1) where each field's columns begin;
  // a comma that ends a numeric field early moves the later ones.
  std::array<std::int32_t, line_fields> field_start{};
  std::string record;  // the record the fields were cut from
};

// Receives the lines of the file in order as the walk reads them.
class MeasurementsVisitor {
 public:
  virtual ~MeasurementsVisitor() = default;
  // A reference line was read; it serves every measurement up to the next.
  virtual void reference(const ReferenceRecord& reference) = 0;
  // A measurement line was read (not a marker).
  virtual void measurement(const ReferenceRecord& reference,
                           const MeasurementRecord& measurement) = 0;
  // A marker line ended the block.
  virtual void marker(const MeasurementRecord& /*line*/) {}
};

// The equation group the converter writes for a measurement: the two ions'
// energies from the table, then the arithmetic.
Equation equation_for(const BindingEnergyTable& table, const ReferenceRecord& reference,
                      const MeasurementRecord& measurement);

enum class WalkEnd { normal, failure };

// Reads the connected unit block by block until end of file or the first
// read failure. Every read has an error branch, and the end-of-file branch
// where a measurement may stand; `status`, when given, is the reads' status
// variable (the condition code of a failure, -1 at end of file), and
// `progress`, when given, follows each line's read.
WalkEnd walk_measurements(std::int32_t unit, MeasurementsVisitor& visitor,
                          std::int32_t* status = nullptr, LineProgress* progress = nullptr);

}  // namespace conversion
