// console_units.h - the standard streams behind units 5, 6, 0, 9 and the
// default unit.
//
// A read or write that names one of these numbers without a connection of
// its own uses a standard stream: units 5, 9 and the default unit (-1) read
// the standard input, units 6, 9 and the default unit write the standard
// output, unit 0 writes the standard error stream. These connections are
// not in the unit table, so a connect or a release never reaches them and a
// connection of the same number to a file hides them until it is released.
#pragma once

#include <cstdint>

#include "recordio/units.h"

namespace recordio {

// The console connection a transfer on `number` uses, made at its first
// use; nullptr when the number has none in that direction. `condition` is
// set to 10004 when the connection cannot be made, else left alone. The
// standard error stream is only written: a read of unit 0 finds a
// connection that does not allow reading.
Unit* console_unit(std::int32_t number, bool for_writing, std::int32_t& condition);

// Frees the console connections at the run's end. Nothing is left to write:
// each record went out to its stream as soon as it was complete.
void release_console_units();

}  // namespace recordio
