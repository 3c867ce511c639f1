// text_records.cpp - lines of text files as records, in blocks of 8192 bytes.
//
// A unit's bytes pass through its block buffer: reads refill it one block at
// a time, writes fill it and send it to the file whenever it is full and when
// the unit is released. This file is the only place that moves those bytes.
#include "recordio/text_records.h"

#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "recordio/conditions.h"
#include "recordio/current_record.h"
#include "recordio/fast_path_counts.h"
#include "recordio/platform.h"
#include "recordio/record_controls.h"

namespace recordio {

namespace {

constexpr char line_feed = '\n';
constexpr char carriage_return = '\r';
constexpr char tab = '\t';

enum class Refill { bytes, end_of_file, refused };

Refill refill(Unit& unit, std::int32_t& refused_code) {
  std::size_t got = 0;
  const std::int32_t failed =
      platform::read_bytes(unit.handle, unit.block, static_cast<std::size_t>(block_size), got);
  unit.block_position = 0;
  if (failed != platform::error::none) {
    // Nothing of what the buffer held before may pass as new bytes.
    unit.valid_count = 0;
    unit.last_error = failed;
    refused_code = failed;
    return Refill::refused;
  }
  unit.valid_count = static_cast<std::int32_t>(got);
  if (got == 0) {
    unit.at_end_of_file = true;
    return Refill::end_of_file;
  }
  ++unit.block_index;
  unit.at_end_of_file = false;
  return Refill::bytes;
}

// The first LF, CR or tab from `at` on, or `end`. Sixteen bytes are
// compared with all three at once where the processor has the instructions
// for it: a line is a few dozen bytes, and one pass over it costs less than
// the three calls that look for each byte in turn.
#if defined(__SSE2__)
// One bit for each of the sixteen bytes that is an LF, CR or tab, the
// first byte in the lowest bit.
inline std::uint32_t line_control_bits(__m128i bytes) {
  const __m128i found =
      _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(line_feed)),
                                _mm_cmpeq_epi8(bytes, _mm_set1_epi8(carriage_return))),
                   _mm_cmpeq_epi8(bytes, _mm_set1_epi8(tab)));
  return static_cast<std::uint32_t>(_mm_movemask_epi8(found));
}

inline __m128i load_sixteen(const char* at) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
}
#endif

std::int32_t ordinary_bytes_end(const char* block, std::int32_t at, std::int32_t end) {
#if defined(__SSE2__)
  for (; end - at >= 16; at += 16) {
    const std::uint32_t mask = line_control_bits(load_sixteen(block + at));
    if (mask != 0) return at + std::countr_zero(mask);
  }
  for (; at < end; ++at) {
    const char c = block[at];
    if (c == line_feed || c == carriage_return || c == tab) return at;
  }
  return end;
#else
  // memchr looks at many bytes per step; CR and tab are then looked for
  // only within the line.
  const auto find = [block, at](char c, std::int32_t stop) {
    const void* found = std::memchr(block + at, c, static_cast<std::size_t>(stop - at));
    return found == nullptr ? stop
                            : static_cast<std::int32_t>(static_cast<const char*>(found) - block);
  };
  std::int32_t stop = find(line_feed, end);
  stop = find(carriage_return, stop);
  return find(tab, stop);
#endif
}

// Copies the ordinary bytes from `at` into the record and returns
// where it ends, as ordinary_bytes_end does. Where sixteen bytes can be
// looked at, each sixteen are searched and stored whole in one step; only
// the run's bytes are added to the record. False, nothing of the run
// added, when the record cannot grow.
bool copy_ordinary_bytes(CurrentRecord& record, const char* block, std::int32_t& at,
                         std::int32_t end) {
#if defined(__SSE2__)
  // Room is asked for a stretch of sixteen-byte steps at a time: a store
  // through a char pointer may touch anything, so the record's own fields
  // would otherwise be read again at every step.
  constexpr std::int32_t stretch = 256;
  for (;;) {
    const std::int32_t left = end - at;  // never negative
    const std::int32_t steps = (left < stretch ? left : stretch) & ~15;
    if (steps == 0) break;
    char* const room = record.room_at_end(steps);
    if (room == nullptr) break;  // the byte-exact road, which may still find room
    for (std::int32_t done = 0; done < steps; done += 16) {
      const __m128i bytes = load_sixteen(block + at + done);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(room + done), bytes);
      const std::uint32_t mask = line_control_bits(bytes);
      if (mask != 0) {
        count_fast_path(FastPath::line_scan_in_words);
        const std::int32_t ordinary = done + static_cast<std::int32_t>(std::countr_zero(mask));
        record.extend(ordinary);
        at += ordinary;
        return true;
      }
    }
    record.extend(steps);
    at += steps;
  }
#endif
  const std::int32_t ordinary_end = ordinary_bytes_end(block, at, end);
  if (ordinary_end > at &&
      !record.append(std::string_view(block + at, static_cast<std::size_t>(ordinary_end - at)))) {
    return false;
  }
  at = ordinary_end;
  return true;
}

// The blanks go in at once: a wide tab stop must cost its blanks, not a call
// per blank, and a stop past the longest possible record is refused before
// anything is allocated.
bool store_tab(CurrentRecord& record, int width) {
  if (width == 0) return record.append(tab);
  return record.append_blanks(blanks_to_tab_stop(record.length(), width));
}

// The bytes from `from` up to `at` (ordinary bytes), then the byte at `at`
// (LF, CR or tab) unless the block ended there: the line as the file has it.
void trace_bytes(RecordTrace& trace, const char* block, std::int32_t from, std::int32_t at,
                 std::int32_t end) {
  trace.keep(std::string_view(block + from, static_cast<std::size_t>(at - from)));
  if (at == end) return;
  if (block[at] == line_feed) {
    trace.end_line();
  } else {
    trace.keep(std::string_view(block + at, 1));
  }
}

}  // namespace

Outcome read_record(Unit& unit, StatementRequest& request) {
  CurrentRecord& record = current_record();
  record.clear();
  // The record's length at the line's first CR: any byte stored after it
  // means the CR stood inside the bytes read so far.
  std::int32_t length_at_first_cr = -1;
  RecordTrace* const trace = unit.trace;
  if (trace != nullptr) trace->start_line();
  for (;;) {
    if (unit.block_position == unit.valid_count) {
      std::int32_t refused_code = 0;
      switch (refill(unit, refused_code)) {
        case Refill::bytes:
          break;
        case Refill::refused:
          return raise_condition(refused_code, request);
        case Refill::end_of_file:
          // A last line without its LF is still a line: dropping it would
          // lose the file's last measurement while the run reports success.
          // But only when it is one line: with a CR before its last byte the
          // file's lines end in CR alone, and joining them into one record
          // would read the first line and lose all the others.
          if (record.length() > 0 &&
              (length_at_first_cr < 0 || length_at_first_cr == record.length())) {
            return Outcome::success;
          }
          return end_of_file_condition(request);
      }
    }
    // Copy the run of ordinary bytes up to the next LF, CR or tab at once.
    const char* const block = unit.block;
    std::int32_t at = unit.block_position;
    const std::int32_t end = unit.valid_count;
    if (!copy_ordinary_bytes(record, block, at, end)) {
      unit.block_position = ordinary_bytes_end(block, at, end);
      return raise_condition(code::buffer_allocation_failed, request);
    }
    if (trace != nullptr) trace_bytes(*trace, block, unit.block_position, at, end);
    unit.block_position = at;
    if (at == end) continue;
    unit.block_position = at + 1;
    switch (block[at]) {
      case line_feed:
        return Outcome::success;
      case carriage_return:
        // CR LF and LF read alike, and a stray CR inside a line vanishes.
        if (length_at_first_cr < 0) length_at_first_cr = record.length();
        break;
      default:
        if (!store_tab(record, unit.tab_width)) {
          return raise_condition(code::buffer_allocation_failed, request);
        }
        break;
    }
  }
}

Outcome end_record(Unit& unit, StatementRequest& request) {
  CurrentRecord& record = current_record();
  if (record.length() > unit.max_record_length) {
    return raise_condition(code::record_too_long, request);
  }
  record.set_position(record.length());
  if (!record.append(record_end)) return raise_condition(code::buffer_allocation_failed, request);

  const char* bytes = record.data();
  std::int32_t left = record.length();
  while (left > 0) {
    if (unit.block_position == block_size) {
      const Outcome written = write_block(unit, request);
      if (written != Outcome::success) return written;
    }
    const std::int32_t room = block_size - unit.block_position;
    const std::int32_t piece = left < room ? left : room;
    std::memcpy(unit.block + unit.block_position, bytes, static_cast<std::size_t>(piece));
    unit.block_position += piece;
    if (unit.block_position > unit.valid_count) unit.valid_count = unit.block_position;
    unit.modified = true;
    bytes += piece;
    left -= piece;
  }
  record.clear();
  if (unit.character_device) return write_block(unit, request);
  return Outcome::success;
}

namespace {

// The records' bytes into the block in pieces of sixteen, the last piece
// ending exactly at their end (over some bytes of the one before): a
// record is a few dozen bytes, too few for a library call to pay, and no
// byte of the block past them is touched. Up to 64 bytes, every record of
// the converter, take four pieces and no loop.
void copy_in_pieces(char* to, std::string_view bytes) {
  const char* const from = bytes.data();
  const std::size_t size = bytes.size();
  const auto piece = [to, from](std::size_t at) { std::memcpy(to + at, from + at, 16); };
  if (size < 16) {
    std::memcpy(to, from, size);
  } else if (size <= 32) {
    piece(0);
    piece(size - 16);
  } else if (size <= 64) {
    piece(0);
    piece(16);
    piece(size - 32);
    piece(size - 16);
  } else {
    for (std::size_t at = 0; at + 16 < size; at += 16) piece(at);
    piece(size - 16);
  }
}

}  // namespace

char* reserve_records(Unit& unit, std::string_view records) {
  // A character device gets every record at once, and end_record does that.
  const auto count = static_cast<std::int64_t>(records.size());
  if (unit.character_device || count > block_size - unit.block_position) return nullptr;
  char* const room = unit.block + unit.block_position;
  copy_in_pieces(room, records);
  return room;
}

void commit_records(Unit& unit, std::int32_t count) {
  if (count <= 0) return;
  unit.block_position += count;
  if (unit.block_position > unit.valid_count) unit.valid_count = unit.block_position;
  unit.modified = true;
}

bool resume_record(Unit& unit, std::int32_t record_start, std::int32_t length) {
  // The record is read from the reserved bytes before anything is kept, as
  // keeping moves the block position onto it.
  const char* const record = unit.block + unit.block_position + record_start;
  commit_records(unit, record_start);
  CurrentRecord& current = current_record();
  current.clear();
  return current.store(std::string_view(record, static_cast<std::size_t>(length)));
}

Outcome write_block(Unit& unit, StatementRequest& request) {
  unit.written = true;
  const std::int32_t failed =
      platform::write_bytes(unit.handle, unit.block, static_cast<std::size_t>(unit.valid_count));
  if (failed != platform::error::none) {
    // The block is given up, not retried: a retry after a partial write
    // would put bytes into the file twice.
    unit.modified = false;
    unit.at_end_of_file = false;
    unit.valid_count = 0;
    unit.block_position = 0;
    ++unit.block_index;
    unit.last_error = failed;
    return raise_condition(failed, request);
  }
  if (unit.truncate_pending) {
    unit.truncate_pending = false;
    const std::int64_t data_end = unit.block_index * block_size + unit.valid_count;
    std::uint64_t size = 0;
    if (platform::file_size(unit.handle, size) == platform::error::none &&
        size > static_cast<std::uint64_t>(data_end)) {
      platform::truncate_at(unit.handle, data_end);
    }
  }
  unit.valid_count = 0;
  unit.block_position = 0;
  ++unit.block_index;
  unit.modified = false;
  unit.at_end_of_file = false;
  unit.last_error = 0;
  return Outcome::success;
}

Outcome flush_unit(Unit& unit, StatementRequest& request) {
  if (!unit.modified) return Outcome::success;
  return write_block(unit, request);
}

int tab_width_from(const char* value, std::int64_t length) {
  constexpr int default_width = 8;
  if (value == nullptr || length <= 0 || length >= 20) return default_width;
  std::int64_t at = 0;
  bool negative = false;
  if (value[0] == '+' || value[0] == '-') {
    negative = value[0] == '-';
    at = 1;
  }
  std::uint32_t magnitude = 0;
  for (; at < length && value[at] >= '0' && value[at] <= '9'; ++at) {
    magnitude = magnitude * 10u + static_cast<std::uint32_t>(value[at] - '0');
  }
  if (negative) magnitude = 0u - magnitude;
  const auto width = static_cast<std::int32_t>(magnitude);
  return width >= 0 ? width : default_width;
}

int tab_width() {
  static int width = -1;
  if (width < 0) {
    char value[20];
    const std::int64_t length = platform::environment_value("TABSIZE", value, sizeof value);
    width = tab_width_from(length < 0 ? nullptr : value, length);
  }
  return width;
}

}  // namespace recordio
