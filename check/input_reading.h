// input_reading.h - both input files read as the converter reads them, with
// a finding for every slip on the way.
//
// The one road from two file names to findings, for the program and for
// anything else that checks files (the fuzz target): the units are
// connected for reading only, the table is loaded through the converter's
// load, the measurements walked through its walk, and both released.
#pragma once

#include <cstdint>
#include <string>

#include "check/check_context.h"
#include "conversion/binding_energy_table.h"

namespace check {

struct ReadCounts {
  int blocks = 0;
  int measurements = 0;  // each is an equation the converter writes
};

// Connects `file` for reading only; a failure comes back in `error` (the
// file's quoted name and the reason), never as the layer's failure report.
bool connect(const InputFile& file, std::string& error);
// Releases a connected unit; nothing it meets stops the program.
void release(std::int32_t unit);

// Reads `context.table` into `table`, then `context.freq` (paths, names and
// units set), reporting into `context`. Returns false with a one-line
// reason in `error` when a file cannot be connected or read to its end; the
// findings made before that stand. Never ends the process.
bool read_inputs(CheckContext& context, conversion::BindingEnergyTable& table, ReadCounts& counts,
                 std::string& error);

}  // namespace check
