// The output forms, the progress bar and the time-range filter, on small
// hand-made inputs.
#include <gtest/gtest.h>

#include "cli/progress_bar.h"
#include "cli/row_output.h"
#include "cli/time_range_source.h"
#include "seclog/logon_scan.h"
#include "seclog/memory_source.h"

namespace tav::cli {
namespace {

const std::vector<ResultRow> kRows = {
    {"48249", {"07.02.2023 8:03:33", "Петров", "FIN-WS07", "Локальный вход"}},
    {"7", {"06.02.2023 12:00:20", "m;garcia", "\"DEV\"", "Удаленный доступ"}},
    {"12", {"06.02.2023 6:55:01", "Tab\tand\\ \x01 \xFF", "", ""}},
};

TEST(RowOutput, TableColumnsAreAsWideAsTheirLongestTextInCharacters)
{
    EXPECT_EQ(TableText(LogonList(), kRows),
              "ID     Date                 User Name     Logon From  Connection Type\n"
              "48249  07.02.2023 8:03:33   Петров        FIN-WS07    Локальный вход\n"
              "7      06.02.2023 12:00:20  m;garcia      \"DEV\"       Удаленный доступ\n"
              "12     06.02.2023 6:55:01   Tab\tand\\ \x01 \xFF\n");
    EXPECT_EQ(TableText(SessionList(), {}), "Date  User Name  Login From\n");
}

TEST(RowOutput, CsvIsTheProgramsExportWithoutTheId)
{
    EXPECT_EQ(CsvText(LogonList(), kRows),
              "Date;User Name;Logon From;Connection Type\r\n"
              "07.02.2023 8:03:33;Петров;FIN-WS07;Локальный вход\r\n"
              "06.02.2023 12:00:20;\"m;garcia\";\"\"\"DEV\"\"\";Удаленный доступ\r\n"
              "06.02.2023 6:55:01;Tab\tand\\ \x01 \xFF;;\r\n");
    EXPECT_EQ(CsvText(SessionList(), {{"01.01.2024 0:00:00", {"CORP\\u", "LOCAL"}}}),
              "Date;User Name;Login From\r\n01.01.2024 0:00:00;CORP\\u;LOCAL\r\n");
}

TEST(RowOutput, JsonLinesAreEscapedUtf8WithANumericId)
{
    EXPECT_EQ(JsonLines(LogonList(), kRows),
              "{\"id\":48249,\"date\":\"07.02.2023 8:03:33\",\"user\":\"Петров\",\"from\":\"FIN-WS07\","
              "\"type\":\"Локальный вход\"}\n"
              "{\"id\":7,\"date\":\"06.02.2023 12:00:20\",\"user\":\"m;garcia\",\"from\":\"\\\"DEV\\\"\","
              "\"type\":\"Удаленный доступ\"}\n"
              "{\"id\":12,\"date\":\"06.02.2023 6:55:01\",\"user\":\"Tab\\tand\\\\ \\u0001 \xEF\xBF\xBD\","
              "\"from\":\"\",\"type\":\"\"}\n");
    EXPECT_EQ(JsonLines(SessionList(), {{"1.1.2024", {"u"}}}), "{\"date\":\"1.1.2024\",\"user\":\"u\",\"address\":\"\"}\n");
    EXPECT_EQ(JsonLines(StringList(), {{"1", {"a\r\nb\b\f\x1f"}}}), "{\"index\":1,\"string\":\"a\\r\\nb\\b\\f\\u001f\"}\n");
}

TEST(ProgressBar, AppearsAfterAMomentRedrawsSeldomAndIsErased)
{
    std::ostringstream err;
    auto now = std::chrono::steady_clock::time_point();
    {
        ProgressBar bar(err, true, "/logs/Security.evtx", [&] { return now; });
        // The clock is looked at once per 256 calls.
        const auto update = [&](double share) {
            for (int i = 0; i < 256; ++i)
                bar.Update(share);
        };
        update(0.1);
        EXPECT_EQ(err.str(), "");
        now += std::chrono::milliseconds(300);
        update(0.5);
        const std::string half = "\r/logs/Security.evtx [###############...............] 50%";
        EXPECT_EQ(err.str(), half);
        now += std::chrono::milliseconds(100);
        update(0.6);
        EXPECT_EQ(err.str(), half);
        now += std::chrono::milliseconds(100);
        update(1.0);
        EXPECT_EQ(err.str(), half + "\r/logs/Security.evtx [##############################] 100%");
    }
    EXPECT_EQ(err.str().substr(err.str().size() - 59), "\r" + std::string(57, ' ') + "\r");

    std::ostringstream quiet;
    ProgressBar off(quiet, false, "x", [&] { return now += std::chrono::seconds(1); });
    for (int i = 0; i < 1000; ++i)
        off.Update(0.5);
    off.Finish();
    EXPECT_EQ(quiet.str(), "");
}

seclog::LegacyRecord Event(std::uint32_t number, const char* utc)
{
    seclog::LegacyRecord record;
    record.recordNumber = number;
    record.timeGenerated =
        static_cast<std::uint32_t>(DateTimeToUnixMilliseconds(EncodeDateTime(CivilTime{2023, 3, 26}).value()) / 1000);
    int h = 0, m = 0;
    std::sscanf(utc, "%d:%d", &h, &m);
    record.timeGenerated += static_cast<std::uint32_t>(h * 3600 + m * 60);
    record.eventId = 4624;
    record.strings = {"x"};
    return record;
}

std::vector<std::uint32_t> ReadAllNumbers(seclog::RecordSource& source, std::size_t bufferSize)
{
    std::vector<std::uint32_t> numbers;
    std::vector<std::uint8_t> buffer(bufferSize);
    for (seclog::ReadResult read; (read = source.ReadNext(buffer)).ok;) {
        seclog::RecordWalker walker{std::span(buffer).first(read.bytesRead)};
        for (seclog::RecordView view; walker.Next(view) == seclog::WalkStep::Record;)
            numbers.push_back(view.recordNumber);
    }
    return numbers;
}

TEST(TimeRangeSource, LeavesOutRecordsOutsideTheRangeInDisplayedTime)
{
    auto log = std::make_shared<seclog::MemoryLog>();
    const char* const times[] = {"0:30", "0:59", "1:00", "1:30", "2:00", "2:59", "3:00", "23:00", "48:00"};
    std::uint32_t number = 0;
    for (const char* time : times)
        log->Add(Event(++number, time));
    // Shown two hours ahead of UTC; from 03:00 to before 05:00 shown.
    const auto shown = [](DateTime utc) { return utc + 2.0 / 24; };
    const TimeRange range{EncodeDateTime(CivilTime{2023, 3, 26, 3}), EncodeDateTime(CivilTime{2023, 3, 26, 5})};
    seclog::MemorySource all(log);
    const std::size_t one = log->ByteSize() / log->Count();
    for (const std::size_t size : {one, 3 * one, 100 * one}) {
        seclog::MemorySource inner(log);
        TimeRangeSource source(inner, range, shown);
        EXPECT_EQ(ReadAllNumbers(source, size), (std::vector<std::uint32_t>{6, 5, 4, 3})) << size;
    }
    seclog::MemorySource inner(log);
    TimeRangeSource since(inner, {EncodeDateTime(CivilTime{2023, 3, 27}), std::nullopt}, shown);
    EXPECT_EQ(ReadAllNumbers(since, 100 * one), (std::vector<std::uint32_t>{9, 8}));
    // Seek reads and the end of the log are the inner source's.
    std::vector<std::uint8_t> buffer(one);
    EXPECT_TRUE(since.ReadRecord(1, buffer).ok);
    EXPECT_EQ(since.ReadNext(buffer).error, seclog::kErrorHandleEof);
}

TEST(TimeRangeSource, PassesBytesThatAreNoRecordOnToTheScan)
{
    auto log = std::make_shared<seclog::MemoryLog>();
    log->Add(Event(1, "1:00"));
    const std::uint8_t garbage[] = {0x10, 0, 0, 0, 'L', 'f', 'L', 'e', 0, 0, 0, 0};
    log->AddRaw(garbage);
    seclog::MemorySource inner(log);
    TimeRangeSource source(inner, {EncodeDateTime(CivilTime{2030, 1, 1}), std::nullopt},
                           [](DateTime utc) { return utc; });
    seclog::LogonFilter filter(DateTimeFormats{}, [](DateTime utc) { return utc; });
    EXPECT_EQ(seclog::RunScan(source, filter, {}).end, seclog::ScanEnd::Malformed);
}

}  // namespace
}  // namespace tav::cli
