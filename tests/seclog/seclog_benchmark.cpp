// The workstation scan over an in-memory Security log of a million records,
// against a loop that only steps from record to record by Length over the
// same reads.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>
#include <string>

#include "base/row_store.h"
#include "seclog/logon_scan.h"
#include "seclog/memory_source.h"
#include "test_records.h"

namespace tav::seclog {
namespace {

constexpr std::uint32_t kRecords = 1000000;
constexpr std::uint32_t kStart = 1700000000;  // one record a second from here

// Other events of a busy Security log: ID, strings, characters per string.
struct OtherKind {
    std::uint32_t eventId;
    std::size_t strings;
    std::size_t length;
};
constexpr OtherKind kOtherKinds[] = {
    {4634, 5, 12},   // logoff
    {4672, 5, 60},   // special privileges
    {4688, 15, 24},  // process creation
    {5156, 20, 8},   // connection permitted
    {4776, 4, 16},   // credential validation
    {4798, 9, 20},   // group membership enumerated
};

// 10% logons (half of them retained, from 200 people), the rest other events.
std::shared_ptr<const MemoryLog> BusyLog()
{
    static const std::shared_ptr<const MemoryLog> log = [] {
        auto made = std::make_shared<MemoryLog>();
        for (std::uint32_t n = 0; n < kRecords; ++n) {
            const std::uint32_t time = kStart + n;
            if (n % 10 != 0) {
                const OtherKind& kind = kOtherKinds[n % std::size(kOtherKinds)];
                made->Add(test::OtherEvent(n, time, kind.eventId, kind.strings, kind.length));
            } else if (n % 20 == 0) {
                const std::string person = std::to_string(n / 20 % 200);
                made->Add(test::Logon(n, time, "employee.name" + person, n % 40 ? "3" : "2",
                                      "WS-DEPARTMENT-" + person));
            } else {
                made->Add(test::Logon(n, time, "SRV-APP-0" + std::to_string(n % 7) + "$", "3",
                                      "-"));
            }
        }
        return made;
    }();
    return log;
}

// A fixed offset: the platform's local-time rules are not the scan's cost.
DateTime CentralEuropeanTime(DateTime utc)
{
    return utc + 1.0 / 24;
}

void SetRates(benchmark::State& state)
{
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kRecords);
    state.counters["log_MB"] = static_cast<double>(BusyLog()->ByteSize()) / 1e6;
}

// The reference: the same reads, then only a step by Length per record.
void BM_StepByLength(benchmark::State& state)
{
    const auto log = BusyLog();
    std::vector<std::uint8_t> buffer(EventLogBufferSize);
    for (auto _ : state) {
        MemorySource source(log);
        std::uint64_t records = 0;
        for (ReadResult read = source.ReadNext(buffer); read.ok; read = source.ReadNext(buffer)) {
            for (std::uint32_t position = 0; position + 4 <= read.bytesRead;) {
                std::uint32_t length = 0;
                std::memcpy(&length, buffer.data() + position, 4);
                if (length == 0)
                    break;
                position += length;
                ++records;
            }
        }
        benchmark::DoNotOptimize(records);
    }
    SetRates(state);
}
BENCHMARK(BM_StepByLength)->Unit(benchmark::kMillisecond);

// Decode and skip: the walker and the filter over every record, rows made
// but not kept.
void BM_DecodeAndSkip(benchmark::State& state)
{
    const auto log = BusyLog();
    std::vector<std::uint8_t> buffer(EventLogBufferSize);
    for (auto _ : state) {
        MemorySource source(log);
        LogonFilter filter(DateTimeFormats{}, CentralEuropeanTime);
        ResultRow row;
        std::string error;
        for (ReadResult read = source.ReadNext(buffer); read.ok; read = source.ReadNext(buffer)) {
            RecordWalker walker(std::span<const std::uint8_t>(buffer).first(read.bytesRead));
            RecordView record;
            while (walker.Next(record) == WalkStep::Record)
                benchmark::DoNotOptimize(filter.Offer(record, row, error));
        }
        benchmark::DoNotOptimize(filter.RowCount());
    }
    SetRates(state);
}
BENCHMARK(BM_DecodeAndSkip)->Unit(benchmark::kMillisecond);

// The whole scan as the window runs it: a callback per record, rows kept.
void BM_RunScan(benchmark::State& state)
{
    const auto log = BusyLog();
    std::size_t rows = 0;
    for (auto _ : state) {
        MemorySource source(log);
        LogonFilter filter(DateTimeFormats{}, CentralEuropeanTime);
        RowStore store;
        ScanCallbacks callbacks;
        callbacks.perRecord = [] { return true; };
        callbacks.stopRequested = [] { return false; };
        callbacks.addRow = [&](ResultRow&& row) { store.Append(std::move(row)); };
        const ScanOutcome outcome = RunScan(source, filter, callbacks);
        if (outcome.end != ScanEnd::EndOfLog)
            state.SkipWithError("the scan did not read to the end of the log");
        rows = store.Count();
    }
    SetRates(state);
    state.counters["rows"] = static_cast<double>(rows);
    state.counters["rows_per_second"] = benchmark::Counter(
        static_cast<double>(rows) * static_cast<double>(state.iterations()),
        benchmark::Counter::kIsRate);
}
BENCHMARK(BM_RunScan)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tav::seclog

BENCHMARK_MAIN();
