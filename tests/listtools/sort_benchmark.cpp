// Sorting a workstation list of 100,000 rows by its Date and User Name
// columns: the program's sort against the reference order that reads both
// dates in every comparison.
#include "listtools/sort_rows.h"

#include "list_test_support.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace tav {
namespace {

constexpr std::size_t kRows = 100000;
constexpr std::size_t kDateColumn = 1;
constexpr std::size_t kUserColumn = 2;

unsigned Below(std::mt19937& random, unsigned bound)
{
    return static_cast<unsigned>(random() % bound);
}

// Texts as the program shows them under the "dd.MM.yyyy H:mm:ss" formats.
std::string DateText(std::mt19937& random)
{
    char text[32];
    std::snprintf(text, sizeof text, "%02u.%02u.%04u %u:%02u:%02u", 1 + Below(random, 28),
                  1 + Below(random, 12), 2010 + Below(random, 8), Below(random, 24),
                  Below(random, 60), Below(random, 60));
    return text;
}

const std::vector<ResultRow>& WorkstationRows()
{
    static const std::vector<ResultRow> rows = [] {
        std::mt19937 random(42);
        std::vector<ResultRow> made;
        made.reserve(kRows);
        for (std::size_t i = 0; i < kRows; ++i)
            made.push_back({std::to_string(i + 1),
                            {DateText(random), "user" + std::to_string(Below(random, 300)),
                             "10.0." + std::to_string(Below(random, 256)) + ".7",
                             Below(random, 2) != 0 ? "Interactive" : "RemoteInteractive"}});
        return made;
    }();
    return rows;
}

template <auto Sort>
void SortBenchmark(benchmark::State& state, std::size_t column, SortKind kind)
{
    const TextCompare compareText = test::CompareOrdinal;
    const DateParser parse = test::ParseDottedDateTime;
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<ResultRow> rows = WorkstationRows();
        state.ResumeTiming();
        Sort(rows, column, kind, false, compareText, parse);
        benchmark::DoNotOptimize(rows.data());
        state.PauseTiming();
        rows = {};
        state.ResumeTiming();
    }
}

void ByDate_SortRows(benchmark::State& state)
{
    SortBenchmark<SortRows>(state, kDateColumn, SortKind::DateTime);
}
void ByDate_Reference(benchmark::State& state)
{
    SortBenchmark<SortRowsByComparison>(state, kDateColumn, SortKind::DateTime);
}
void ByText_SortRows(benchmark::State& state)
{
    SortBenchmark<SortRows>(state, kUserColumn, SortKind::Text);
}
void ByText_Reference(benchmark::State& state)
{
    SortBenchmark<SortRowsByComparison>(state, kUserColumn, SortKind::Text);
}

BENCHMARK(ByDate_SortRows)->Unit(benchmark::kMillisecond);
BENCHMARK(ByDate_Reference)->Unit(benchmark::kMillisecond);
BENCHMARK(ByText_SortRows)->Unit(benchmark::kMillisecond);
BENCHMARK(ByText_Reference)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tav

BENCHMARK_MAIN();
