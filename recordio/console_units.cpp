// console_units.cpp - connections to the standard input, output and error
// streams.
//
// The streams may be terminals, pipes or files, whatever the process was
// given. Output is treated as going to a character device in every case:
// each record is written out as soon as it is complete, so it appears in
// order with the failure report, which goes straight to the error stream,
// and nothing waits in a block buffer when the run stops or fails. A stream
// the process was given is never cut short, whatever kind of file it is.
#include "recordio/console_units.h"

#include <new>

#include "recordio/conditions.h"
#include "recordio/platform.h"
#include "recordio/text_records.h"

namespace recordio {

namespace {

enum Stream { input, output, error, stream_count };

Unit* console[stream_count] = {};

// -1 means the number has no stream in that direction.
int stream_for(std::int32_t number, bool for_writing) {
  switch (number) {
    case 0:
      return error;
    case 5:
      return for_writing ? -1 : input;
    case 6:
      return for_writing ? output : -1;
    case 9:
    case -1:
      return for_writing ? output : input;
    default:
      return -1;
  }
}

Unit* make_console_unit(int stream) {
  constexpr std::int32_t numbers[stream_count] = {5, 6, 0};
  constexpr platform::Handle handles[stream_count] = {
      platform::standard_input, platform::standard_output, platform::standard_error};
  Unit* unit = new (std::nothrow) Unit;
  if (unit == nullptr) return nullptr;
  unit->block = new (std::nothrow) char[block_size];
  if (unit->block == nullptr) {
    delete unit;
    return nullptr;
  }
  unit->number = numbers[stream];
  unit->handle = handles[stream];
  unit->readable = stream == input;
  unit->writable = stream != input;
  unit->character_device = true;
  unit->tab_width = tab_width();
  // A reader that goes away must give a refused write, reported like any
  // other, after every unit has been written out; the signal would end the
  // process at once and lose the records still in the block buffers.
  if (unit->writable) platform::ignore_broken_pipe();
  return unit;
}

}  // namespace

Unit* console_unit(std::int32_t number, bool for_writing, std::int32_t& condition) {
  const int stream = stream_for(number, for_writing);
  if (stream < 0) return nullptr;
  if (console[stream] == nullptr) {
    console[stream] = make_console_unit(stream);
    if (console[stream] == nullptr) condition = code::buffer_allocation_failed;
  }
  return console[stream];
}

void release_console_units() {
  for (Unit*& unit : console) {
    if (unit == nullptr) continue;
    delete[] unit->block;
    delete unit;
    unit = nullptr;
  }
}

}  // namespace recordio
