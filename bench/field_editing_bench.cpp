// field_editing_bench.cpp - cost of the two conversions every measurement
// pays several times: text to double on input, digit strings on output.
#include <benchmark/benchmark.h>

#include <string_view>

#include "recordio/decimal_conversion.h"
#include "recordio/power_of_ten.h"
#include "recordio/decimal_digits.h"

namespace {

void BM_ConvertDecimal(benchmark::State& state) {
  constexpr std::string_view texts[] = {"1565221.53684744", "-88210.35000000", "0.00012000",
                                        "4.177"};
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(recordio::convert_decimal(texts[i++ % 4]));
  }
}
BENCHMARK(BM_ConvertDecimal);

void BM_DecimalDigits(benchmark::State& state) {
  constexpr double values[] = {43501.02385, -94548.173901, 0.012856, 1.565};
  recordio::DigitString digits;
  std::size_t i = 0;
  for (auto _ : state) {
    recordio::decimal_digits(values[i++ % 4], 6, digits);
    benchmark::DoNotOptimize(digits);
  }
}
BENCHMARK(BM_DecimalDigits);

}  // namespace
