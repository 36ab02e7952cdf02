// The session parser over about 100 MB of query output, English and Russian
// event blocks mixed as a terminal server with both kinds of clients prints them.
#include "tsquery/session_parser.h"

#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace tav::tsquery {
namespace {

constexpr std::size_t kOutputBytes = 100u * 1000u * 1000u;

struct Output {
    RawOutputBuffer buffer;
    std::size_t bytes = 0;
};

void AddLine(Output& output, const std::string& line)
{
    output.buffer.Append(line);
    output.bytes += line.size() + 2;  // the UTF-8 line and its CR LF
}

void AddBlock(Output& output, std::size_t event)
{
    const std::string indent(14, ' ');
    const std::string date = std::to_string(1 + event % 28) + "." + std::to_string(1 + event % 12) +
                             ".2016 " + std::to_string(event % 24) + ":" +
                             std::to_string(10 + event % 50) + ":" + std::to_string(10 + event % 50);
    const std::string address = "10.0." + std::to_string(event % 256) + "." + std::to_string(event % 200);
    const bool russian = event % 3 == 0;
    AddLine(output, "");
    AddLine(output, "TimeCreated : " + date);
    if (russian) {
        AddLine(output, "Message     : Служба удаленных рабочих столов: успешный вход в сеанс:");
        AddLine(output, "");
        AddLine(output, indent + "Пользователь: CORP\\Иванов" + std::to_string(event % 500));
        AddLine(output, indent + "ИД сеанса: " + std::to_string(2 + event % 40));
        AddLine(output, indent + "Адрес сети источника: " + address);
    } else {
        AddLine(output, "Message     : Remote Desktop Services: Session logon succeeded:");
        AddLine(output, "");
        AddLine(output, indent + "User: CORP\\user" + std::to_string(event % 500));
        AddLine(output, indent + "Session ID: " + std::to_string(2 + event % 40));
        AddLine(output, indent + "Source Network Address: " + address);
    }
}

const Output& HundredMegabytes()
{
    static const Output output = [] {
        Output made;
        for (std::size_t event = 0; made.bytes < kOutputBytes; ++event)
            AddBlock(made, event);
        return made;
    }();
    return output;
}

void BM_ParseSessionOutput(benchmark::State& state)
{
    const Output& output = HundredMegabytes();
    int rows = 0;
    for (auto _ : state) {
        rows = ParseSessionOutput(
            output.buffer, [](ResultRow&& row) { benchmark::DoNotOptimize(row); },
            [](const std::string&) {});
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * output.bytes));
    state.counters["rows"] = rows;
}
BENCHMARK(BM_ParseSessionOutput)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tav::tsquery

BENCHMARK_MAIN();
