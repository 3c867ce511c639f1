// field_editing_bench.cpp - cost of the field editors every measurement
// pays several times: real and integer fields read from their columns, real
// and integer fields written, each by its shorter roads and by the general
// one, and a whole record written by its laid-out list straight into a
// buffer.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <string_view>

#include "conversion/equation_formats.h"
#include "recordio/decimal_conversion.h"
#include "recordio/decimal_digits.h"
#include "recordio/input_fields.h"
#include "recordio/output_fields.h"
#include "recordio/prepared_format.h"

namespace {

namespace rio = recordio;

// Columns of "vemo.freq" fields as they stand in a line.
constexpr std::string_view real_fields[] = {"   1565221.53684744", "    -88210.35000000",
                                            "   0.00012000", "  -82167331.11000000"};
constexpr std::string_view integer_fields[] = {" 133", "  85", "   1", "   2"};

// Values of the fields of one group of "vemo.equat".
constexpr double values[] = {43501.02385, -94548.173901, 0.012856, 1.565};

// The real fields of one group with values they hold: widths, decimals.
struct RealField {
  double value;
  std::int32_t w;
  std::int32_t d;
};
constexpr RealField group_fields[] = {
    {0.503, 6, 3},    {-5795.90571, 15, 5},  {0.0258, 9, 5},   {-4299.795482, 15, 6},
    {0.02586, 11, 6}, {-4005.233709, 15, 6}, {0.024088, 11, 6}};

void BM_ConvertDecimal(benchmark::State& state) {
  std::size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(rio::convert_decimal(real_fields[i++ % 4]));
}
BENCHMARK(BM_ConvertDecimal);

void BM_RealInputPlain(benchmark::State& state) {
  std::size_t i = 0;
  double value = 0.0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(rio::edit_plain_real_field(real_fields[i++ % 4], 8, value));
    benchmark::DoNotOptimize(value);
  }
}
BENCHMARK(BM_RealInputPlain);

void BM_RealInputGeneral(benchmark::State& state) {
  rio::TextBuffer scratch;
  std::size_t i = 0;
  double value = 0.0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(rio::edit_any_real_field(real_fields[i++ % 4], 8, scratch, value));
    benchmark::DoNotOptimize(value);
  }
}
BENCHMARK(BM_RealInputGeneral);

void BM_IntegerInputPlain(benchmark::State& state) {
  std::size_t i = 0;
  std::int32_t value = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(rio::edit_plain_integer_field(integer_fields[i++ % 4], value));
    benchmark::DoNotOptimize(value);
  }
}
BENCHMARK(BM_IntegerInputPlain);

void BM_IntegerInputGeneral(benchmark::State& state) {
  std::size_t i = 0;
  std::int32_t value = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(rio::edit_integer_field(integer_fields[i++ % 4], value));
    benchmark::DoNotOptimize(value);
  }
}
BENCHMARK(BM_IntegerInputGeneral);

void BM_DecimalDigits(benchmark::State& state) {
  rio::DigitString digits;
  std::size_t i = 0;
  for (auto _ : state) {
    rio::decimal_digits(values[i++ % 4], 6, digits);
    benchmark::DoNotOptimize(digits);
  }
}
BENCHMARK(BM_DecimalDigits);

void BM_RealOutputShownDigits(benchmark::State& state) {
  char field[15];
  std::size_t i = 0;
  for (auto _ : state) {
    std::memset(field, ' ', sizeof field);
    benchmark::DoNotOptimize(rio::edit_real_from_shown_digits(field, values[i++ % 4], 15, 6));
    benchmark::DoNotOptimize(field);
  }
}
BENCHMARK(BM_RealOutputShownDigits);

void BM_RealOutputInWords(benchmark::State& state) {
  char field[15];
  std::size_t i = 0;
  for (auto _ : state) {
    std::memset(field, ' ', sizeof field);
    benchmark::DoNotOptimize(rio::edit_real_in_words(field, values[i++ % 4], 15, 6));
    benchmark::DoNotOptimize(field);
  }
}
BENCHMARK(BM_RealOutputInWords);

// The seven real fields of a group, pair by pair and in words.
void BM_GroupRealFieldsShownDigits(benchmark::State& state) {
  char field[16];
  for (auto _ : state) {
    for (const RealField& f : group_fields) {
      std::memset(field, ' ', sizeof field);
      benchmark::DoNotOptimize(rio::edit_real_from_shown_digits(field, f.value, f.w, f.d));
      benchmark::DoNotOptimize(field);
    }
  }
}
BENCHMARK(BM_GroupRealFieldsShownDigits);

void BM_GroupRealFieldsInWords(benchmark::State& state) {
  char field[16];
  for (auto _ : state) {
    for (const RealField& f : group_fields) {
      std::memset(field, ' ', sizeof field);
      benchmark::DoNotOptimize(rio::edit_real_in_words(field, f.value, f.w, f.d));
      benchmark::DoNotOptimize(field);
    }
  }
}
BENCHMARK(BM_GroupRealFieldsInWords);

void BM_RealOutputDigitString(benchmark::State& state) {
  char field[15];
  rio::DigitString digits;
  std::size_t i = 0;
  for (auto _ : state) {
    rio::edit_real_from_digit_string(field, values[i++ % 4], 15, 6, digits);
    benchmark::DoNotOptimize(field);
  }
}
BENCHMARK(BM_RealOutputDigitString);

void BM_IntegerOutput(benchmark::State& state) {
  char field[6];
  std::int32_t i = 0;
  for (auto _ : state) {
    std::memset(field, ' ', sizeof field);
    rio::edit_integer(field, 20 + i++ % 220, 6, 1);
    benchmark::DoNotOptimize(field);
  }
}
BENCHMARK(BM_IntegerOutput);

// Values past the table of small integers: digits pair by pair.
void BM_IntegerOutputGeneral(benchmark::State& state) {
  char field[6];
  std::int32_t i = 0;
  for (auto _ : state) {
    std::memset(field, ' ', sizeof field);
    rio::edit_integer(field, 1000 + i++ % 99000, 6, 1);
    benchmark::DoNotOptimize(field);
  }
}
BENCHMARK(BM_IntegerOutputGeneral);

// The equation record of every group, as a write statement lays it out:
// the layout copied, then each field edited into its columns.
constexpr rio::PreparedFormat equation_format{conversion::equation_list};

void BM_EquationRecordLaidOut(benchmark::State& state) {
  char block[128];
  rio::DigitString digits;
  const auto fields = equation_format.fields();
  std::int32_t i = 0;
  for (auto _ : state) {
    std::memcpy(block, equation_format.bytes().data(), equation_format.bytes().size());
    rio::edit_integer(block + fields[0].offset, 133 + i++ % 8, 6, 1);
    rio::edit_character(block + fields[1].offset, "Cs  ", 4);
    rio::edit_integer(block + fields[2].offset, 85, 4, 1);
    rio::edit_character(block + fields[3].offset, "Rb  ", 4);
    rio::edit_real(block + fields[4].offset, 1.5647, 6, 3, digits);
    rio::edit_real(block + fields[5].offset, 43501.02385, 15, 5, digits);
    rio::edit_real(block + fields[6].offset, 0.0102, 9, 5, digits);
    benchmark::DoNotOptimize(block);
  }
}
BENCHMARK(BM_EquationRecordLaidOut);

}  // namespace
