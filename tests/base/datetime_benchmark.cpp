// Date texts are parsed again on every comparison of a column sort.
#include <benchmark/benchmark.h>

#include "base/datetime.h"

namespace tav {
namespace {

void Parse(benchmark::State& state, const DateTimeFormats& formats, const char* text)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(ParseDateTime(text, formats));
}

void Format(benchmark::State& state, const DateTimeFormats& formats)
{
    const DateTime value = EncodeDateTime({2016, 10, 14, 9, 5, 11}).value();
    for (auto _ : state)
        benchmark::DoNotOptimize(FormatDateTime(value, formats));
}

const DateTimeFormats kRussian{"dd.MM.yyyy", "H:mm:ss", ".", ":", "", ""};
const DateTimeFormats kUs{"M/d/yyyy", "h:mm:ss tt", "/", ":", "AM", "PM"};
const DateTimeFormats kShortYear{"d/M/yy", "H:mm:ss", "/", ":", "AM", "PM"};

BENCHMARK_CAPTURE(Parse, russian, kRussian, " 14.10.2016 9:05:11");
BENCHMARK_CAPTURE(Parse, us, kUs, "10/14/2016 9:05:11 PM");
BENCHMARK_CAPTURE(Parse, two_digit_year, kShortYear, "14/10/16 9:05:11");
BENCHMARK_CAPTURE(Parse, garbage, kRussian, "Security");
BENCHMARK_CAPTURE(Format, russian, kRussian);
BENCHMARK_CAPTURE(Format, us, kUs);

}  // namespace
}  // namespace tav

BENCHMARK_MAIN();
