// The tool on the real logs of the sample set: its logon rows are the
// program's scan core run over the golden 4624 records, its session rows
// the golden event-21 records.
#include <gtest/gtest.h>

#include "base/json_string.h"
#include "golden_rows.h"
#include "seclog/logon_scan.h"
#include "seclog/memory_source.h"

namespace tav::cli {
namespace {

const char* const kSecurityLogs[] = {
    "aptsim-server2022-Security",     "belkasoft-win10-Security",
    "omer-Security_with_size_t",      "omer-post-Security-bad-header-flags",
    "omer-security-dirty-win7",       "omer-security_bad_string_cache",
    "sbousseaden-DE_RDP_Tunnel_5156", "sbousseaden-DE_RDP_Tunneling_4624",
    "velocidex-Security-dirty",
};

constexpr char kDamagedCopy[] = "omer-security_bad_string_cache";

// The scan core over a live log holding the golden records.
std::vector<ResultRow> ScanCoreRows(const std::string& golden)
{
    auto log = std::make_shared<seclog::MemoryLog>();
    const std::vector<test::GoldenRecord> records = test::GoldenNewestFirst(golden);
    for (auto r = records.rbegin(); r != records.rend(); ++r) {
        seclog::LegacyRecord legacy;
        legacy.recordNumber = static_cast<std::uint32_t>(r->id);
        legacy.timeGenerated = static_cast<std::uint32_t>(r->created);
        legacy.timeWritten = static_cast<std::uint32_t>(r->written);
        legacy.eventId = r->eventId;
        legacy.strings = r->strings;
        log->Add(legacy);
    }
    seclog::MemorySource source(log);
    seclog::LogonFilter filter(DateTimeFormats{}, [](DateTime utc) { return utc; });
    std::vector<ResultRow> rows;
    seclog::ScanCallbacks callbacks;
    callbacks.addRow = [&rows](ResultRow&& row) { rows.push_back(std::move(row)); };
    EXPECT_EQ(seclog::RunScan(source, filter, callbacks).end, seclog::ScanEnd::EndOfLog);
    return rows;
}

// The workstation list's columns as logons --format json writes them first.
std::string ListJson(const std::vector<ResultRow>& rows)
{
    std::string text;
    for (const ResultRow& row : rows) {
        text += "{\"id\":" + row.Text(0);
        const char* keys[] = {"date", "user", "from", "type"};
        for (std::size_t c = 1; c <= 4; ++c) {
            text += ",\"" + std::string(keys[c - 1]) + "\":";
            AppendJsonString(text, row.Text(c));
        }
        text += "}\n";
    }
    return text;
}

// Each JSON line cut to the list's own columns, before "time".
std::string ListColumns(const std::string& jsonLines)
{
    std::string out;
    for (std::size_t start = 0; start < jsonLines.size();) {
        const std::size_t end = jsonLines.find('\n', start);
        const std::string line = jsonLines.substr(start, end - start);
        out += line.substr(0, line.find(",\"time\":")) + "}\n";
        start = end == std::string::npos ? jsonLines.size() : end + 1;
    }
    return out;
}

TEST(SampleSet, LogonsAreTheScanCoresRows)
{
    std::size_t rows = 0;
    for (const std::string name : kSecurityLogs) {
        SCOPED_TRACE(name);
        const std::vector<ResultRow> expected = ScanCoreRows(name + ".4624.tsv");
        const test::Outcome run = test::RunInProcess({"logons", "--format", "json", test::SamplePath(name + ".evtx")});
        EXPECT_EQ(run.status, kExitOk);
        // The copy of the dirty log whose string table was damaged says so.
        EXPECT_EQ(run.err, name == kDamagedCopy ? "tavelin: " + test::SamplePath(name + ".evtx") +
                                                      ": 1 chunk failed its header checksum and was read anyway\n"
                                                : "");
        EXPECT_EQ(ListColumns(run.out), ListJson(expected));
        rows += expected.size();
    }
    EXPECT_EQ(rows, 235u);
    // All of them at once: one scan per file, one after the other; the
    // damaged copy holds only records the dirty log had.
    std::vector<std::string> args = {"logons", "--format=json"};
    std::string expected;
    for (const std::string name : kSecurityLogs) {
        args.push_back(test::SamplePath(name + ".evtx"));
        if (name != kDamagedCopy)
            expected += ListJson(ScanCoreRows(name + ".4624.tsv"));
    }
    const test::Outcome all = test::RunInProcess(args);
    EXPECT_EQ(ListColumns(all.out), expected);
    EXPECT_NE(all.err.find("583 records read before from another input were passed over: 583 in " +
                           test::SamplePath(std::string(kDamagedCopy) + ".evtx")),
              std::string::npos);
}

TEST(SampleSet, SessionsAreTheGoldenLogons)
{
    for (const std::string name :
         {"aptsim-server2022-LSM-Operational", "belkasoft-win10-LSM-Operational", "rathbun-win11-LSM-Operational"}) {
        SCOPED_TRACE(name);
        std::string expected = "Date;User Name;Login From\r\n";
        for (const auto& record : test::GoldenNewestFirst(name + ".lsm21.tsv"))
            expected += FormatDateTime(UnixSecondsToDateTime(record.created), DateTimeFormats{}) + ";" +
                        record.strings.at(0) + ";" + record.strings.at(2) + "\r\n";
        const test::Outcome run =
            test::RunInProcess({"sessions", "--format", "csv", test::SamplePath(name + ".evtx")});
        EXPECT_EQ(run.status, kExitOk);
        // The machine of the last log was renamed: its rows are of two computers, in a column of their own.
        std::string rows = run.out;
        if (rows.rfind("Computer;", 0) == 0)
            for (std::size_t line = 0; line < rows.size(); line = rows.find('\n', line) + 1)
                rows.erase(line, rows.find(';', line) + 1 - line);
        EXPECT_EQ(rows, expected);
        EXPECT_EQ(run.out.rfind("Computer;", 0) == 0, name[0] == 'r');
    }
}

}  // namespace
}  // namespace tav::cli
