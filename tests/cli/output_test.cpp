// The one writer of rows: alignment, hostile log text in each form, checked
// writes and the code page's losses; and the progress bar.
#include <gtest/gtest.h>

#include <streambuf>

#include "cli/output.h"
#include "cli/progress_bar.h"
#include "cli_test_support.h"
#include "tests/evtx/test_files.h"

namespace tav::cli {
namespace {

// The rows of a hand-made list, written in `format`.
test::Outcome WriteList(OutputFormat format, const std::vector<std::vector<std::string>>& rows,
                        const std::string& computer = {}, unsigned jobs = 1)
{
    Options options;
    options.format = format;
    options.codePage = 1251;
    options.jobs = jobs;
    const Platform platform = test::TestPlatform();
    std::ostringstream out, err;
    RunState state;
    const Run run{options, platform, out, err, state};
    Output list(run, {{"Date", "User", "From"}, {"Date", "User", "From"}});
    for (const auto& cells : rows) {
        Row row = list.NewRow();
        for (const std::string& cell : cells)
            format == OutputFormat::Json ? row.Text("user", cell) : row.Cell(cell);
        list.Add({}, computer.empty() ? "PC1" : computer, std::move(row));
    }
    test::Outcome outcome;
    outcome.status = list.Finish(true);
    outcome.out = out.str();
    outcome.err = err.str();
    return outcome;
}

TEST(Output, TableColumnsAreAsWideAsWhatTheyShow)
{
    EXPECT_EQ(WriteList(OutputFormat::Table, {{"07.02.2023 8:03:33", "Петров", "FIN-WS07"},
                                              {"6.02.2023 12:00:20", "a\tb", ""}})
                  .out,
              "Date                User    From\n"
              "07.02.2023 8:03:33  Петров  FIN-WS07\n"
              "6.02.2023 12:00:20  a\\tb\n");
    EXPECT_EQ(WriteList(OutputFormat::Table, {}).out, "Date  User  From\n");
}

// What whoever logs on can type as a user name, as each form shows it.
TEST(Output, LogTextNeitherSteersTheTerminalNorForgesARow)
{
    const std::string longName(10000, 'x');
    const struct {
        std::string user;
        std::string table;  // escaped
        std::string csv;    // as it is, quoted where it must be
        std::string json;
    } cases[] = {
        {"\x1b[1A\x1b[2Kroot", "\\x1b[1A\\x1b[2Kroot", "\x1b[1A\x1b[2Kroot", "\\u001b[1A\\u001b[2Kroot"},
        {"\x1b]0;pwned\a", "\\x1b]0;pwned\\x07", "\"\x1b]0;pwned\a\"", "\\u001b]0;pwned\\u0007"},
        {"a\r\nFORGED  row", "a\\r\\nFORGED  row", "\"a\r\nFORGED  row\"", "a\\r\\nFORGED  row"},
        {"tab\there", "tab\\there", "tab\there", "tab\\there"},
        {std::string("nul\0after", 9), "nul\\x00after", std::string("nul\0after", 9), "nul\\u0000after"},
        {"rlo\u202Egnp.exe", "rlo\\u202egnp.exe", "rlo\u202Egnp.exe", "rlo\u202Egnp.exe"},
        {"line\u2028sep", "line\\u2028sep", "line\u2028sep", "line\u2028sep"},
        {"CORP\\j.smith", "CORP\\j.smith", "CORP\\j.smith", "CORP\\\\j.smith"},
        {longName, longName, longName, longName},
    };
    std::vector<evtx::WriterEvent> events;
    for (const auto& c : cases) {
        evtx::WriterEvent e;
        e.record.recordId = events.size() + 1;
        e.record.timeCreated = e.record.timeWritten = 1700000000 + static_cast<std::int64_t>(events.size());
        e.record.eventId = 4625;
        e.record.provider = "Microsoft-Windows-Security-Auditing";
        e.record.channel = "Security";
        e.record.computer = "PC1";
        e.record.strings = {"S-1-0-0", "-", "-", "0x0", "S-1-0-0", c.user, "", "0xc000006d", "%%2313",
                            "0xc000006a", "3", "NtLmSsp ", "NTLM", "WS9", "-", "-", "0", "0x0", "-", "10.0.0.1", "0"};
        events.push_back(e);
    }
    const std::string log = test::PathText(evtx::test::WriteLog("hostile.evtx", events));
    const std::string table = test::RunInProcess({"lastb", "--utc", log}).out;
    const std::string csv = test::RunInProcess({"lastb", "--utc", "--format", "csv", log}).out;
    const std::string json = test::RunInProcess({"lastb", "--utc", "--format", "json", log}).out;
    // A header and one line a row: nothing forged, nothing erased.
    EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), std::size(cases) + 1);
    EXPECT_EQ(table.find_first_of(std::string("\x1b\a\r\0\t", 5)), std::string::npos);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        const std::string number = std::to_string(i + 1);
        SCOPED_TRACE(c.table.substr(0, 40));
        EXPECT_NE(table.find("  " + c.table + "  "), std::string::npos);
        EXPECT_NE(csv.find(";" + c.csv + ";"), std::string::npos);
        EXPECT_NE(json.find("\"user\":\"" + c.json + "\""), std::string::npos);
        // record: one string a line, the user name the sixth.
        std::istringstream record(test::RunInProcess({"record", log, number}).out);
        std::vector<std::string> lines;
        for (std::string line; std::getline(record, line);)
            lines.push_back(line);
        ASSERT_EQ(lines.size(), 21u);
        EXPECT_EQ(lines[5], c.table);
        EXPECT_NE(test::RunInProcess({"record", "--format", "json", log, number}).out.find(
                      "{\"index\":6,\"string\":\"" + c.json + "\"}"),
                  std::string::npos);
    }
}

// A stream that takes `room` bytes, then fails as a full disk does.
class FullDisk : public std::streambuf {
public:
    explicit FullDisk(std::size_t room) : room_(room) {}
    std::string taken;

protected:
    std::streamsize xsputn(const char* bytes, std::streamsize size) override
    {
        const auto n = static_cast<std::streamsize>(std::min<std::size_t>(room_ - taken.size(), size));
        taken.append(bytes, static_cast<std::size_t>(n));
        return n;
    }
    int overflow(int c) override { return xsputn(reinterpret_cast<const char*>(&c), 1) == 1 ? c : EOF; }

private:
    std::size_t room_;
};

TEST(Output, AFailedWriteIsSaidOnceAndFailsTheRun)
{
    const std::string log = test::SampleSecurityLog();
    for (const std::size_t room : {0, 100}) {
        for (const char* format : {"table", "csv", "json"}) {
            FullDisk disk(room);
            std::ostream out(&disk);
            std::ostringstream err;
            const int status = RunTool({"last", "--format", format, log}, test::TestPlatform(), out, err);
            EXPECT_EQ(status, kExitFailed) << format;
            EXPECT_EQ(err.str(), "tavelin: cannot write the output: No space left on device\n") << format;
            EXPECT_EQ(disk.taken.size(), room);
        }
    }
    // A reader that closed the pipe ends the output quietly.
    Platform platform = test::TestPlatform();
    platform.outputError = [] { return std::string(); };
    FullDisk disk(10);
    std::ostream out(&disk);
    std::ostringstream err;
    EXPECT_EQ(RunTool({"last", log}, platform, out, err), kExitOk);
    EXPECT_EQ(err.str(), "");
}

TEST(Output, WhatACodePageCannotHoldIsCountedOnce)
{
    const test::Outcome lost = WriteList(OutputFormat::Csv, {{"1", "Петров", "a"}, {"2", "日本", "€€"}, {"3", "Ω", "x"}});
    EXPECT_EQ(lost.out, "Date;User;From\r\n1;\xCF\xE5\xF2\xF0\xEE\xE2;a\r\n2;??;\x88\x88\r\n3;?;x\r\n");
    EXPECT_EQ(lost.status, kExitOk);
    EXPECT_EQ(lost.err,
              "tavelin: 3 characters in 2 fields could not be written in code page 1251 (first: row 2, User); "
              "use --encoding utf-8\n");
    EXPECT_EQ(WriteList(OutputFormat::Csv, {{"1", "Петров", "a"}}).err, "");
    EXPECT_EQ(WriteList(OutputFormat::Table, {{"1", "日本", "a"}}).err, "");
    // Rows enough for several threads to write: the same bytes, and the first loss in the order written.
    std::vector<std::vector<std::string>> many(3000, {"d", "Петров", "a"});
    many[2999][2] = "日";
    many[2100][1] = "Ω";
    const test::Outcome one = WriteList(OutputFormat::Csv, many, {}, 1);
    EXPECT_EQ(one.err, "tavelin: 2 characters in 2 fields could not be written in code page 1251 (first: row 2101, User); "
                       "use --encoding utf-8\n");
    for (const unsigned jobs : {2u, 3u}) {
        const test::Outcome several = WriteList(OutputFormat::Csv, many, {}, jobs);
        EXPECT_EQ(several.out, one.out) << jobs;
        EXPECT_EQ(several.err, one.err) << jobs;
    }
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

}  // namespace
}  // namespace tav::cli
