// tavelin last and lastb over logs the .evtx writer makes: each rule of
// session pairing and of failed logons as one row of a table.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/iso_date.h"
#include "cli_test_support.h"
#include "sessions/failed_logons.h"
#include "tests/evtx/test_files.h"

namespace tav::cli {
namespace {

using evtx::WriterEvent;

constexpr char kDay[] = "2024-03-01T";
constexpr char kAuditing[] = "Microsoft-Windows-Security-Auditing";

WriterEvent Event(const std::string& time, std::uint32_t id, std::vector<std::string> strings,
                  const char* computer = "PC1", const char* provider = kAuditing)
{
    WriterEvent e;
    e.record.timeCreated = DateTimeToUnixMilliseconds(ParseIsoDate(kDay + time).value().value) / 1000;
    e.record.timeWritten = e.record.timeCreated;
    e.record.eventId = id;
    e.record.provider = provider;
    e.record.channel = "Security";
    e.record.computer = computer;
    e.record.strings = std::move(strings);
    return e;
}

struct LogonSpec {
    const char* user = "ann";
    const char* id = "0x10";
    int type = 2;
    const char* linked = "0x0";  // nullptr: an older 4624 without the field (20 strings)
    const char* ip = "-";
    const char* sid = "S-1-5-21-1-2-3-1001";
    const char* computer = "PC1";
};

WriterEvent Logon(const std::string& time, const LogonSpec& l)
{
    std::vector<std::string> s = {"S-1-5-18", "PC1$", "CORP", "0x3e7", l.sid, l.user, "CORP", l.id,
                                  std::to_string(l.type), "User32 ", "Negotiate", "PC1", "{0}", "-", "-", "0",
                                  "0x3c8", "C:\\Windows\\System32\\svchost.exe", l.ip, "0"};
    if (l.linked)
        s.insert(s.end(), {"%%1833", "-", "-", "-", "%%1843", l.linked, "%%1842"});
    return Event(time, 4624, std::move(s), l.computer);
}

WriterEvent LogonIdEvent(const std::string& time, std::uint32_t event, const char* id, const char* computer = "PC1")
{
    if (event == 4778 || event == 4779)
        return Event(time, event, {"ann", "CORP", id, "RDP-Tcp#1", "HOST", "10.0.0.9"}, computer);
    return Event(time, event, {"S-1-5-21-1-2-3-1001", "ann", "CORP", id, "2"}, computer);
}

WriterEvent Boot(const std::string& time, const char* computer = "PC1") { return Event(time, 4608, {}, computer); }

WriterEvent Failed(const std::string& time, const char* user, const char* ip, const char* status = "0xc000006d",
                   const char* subStatus = "0xc000006a")
{
    return Event(time, 4625,
                 {"S-1-0-0", "-", "-", "0x0", "S-1-0-0", user, "CORP", status, "%%2313", subStatus, "3", "NtLmSsp ",
                  "NTLM", "WS9", "-", "-", "0", "0x0", "-", ip, "51234"});
}

// Writes the events numbered from 1 in their order; the log's path.
std::string WriteEvents(const std::string& name, std::vector<WriterEvent> events)
{
    for (std::size_t i = 0; i < events.size(); ++i)
        events[i].record.recordId = i + 1;
    return test::PathText(evtx::test::WriteLog(name, events));
}

// The value of `key` in a JSON line whose values hold no commas.
std::string Field(const std::string& line, const std::string& key)
{
    const std::size_t at = line.find("\"" + key + "\":");
    if (at == std::string::npos)
        return "?";
    const std::size_t start = at + key.size() + 3;
    std::string value = line.substr(start, line.find_first_of(",}", start) - start);
    if (value.size() >= 2 && value.front() == '"')
        value = value.substr(1, value.size() - 2);
    // Times of the one day: the time of day alone.
    if (value.rfind(kDay, 0) == 0)
        value = value.substr(11, 8);
    return value;
}

// Each JSON row as the fields named, blank-separated, one row a line.
std::string Project(const std::string& json, const std::vector<std::string>& keys)
{
    std::istringstream lines(json);
    std::string line;
    std::string rows;
    while (std::getline(lines, line)) {
        for (std::size_t k = 0; k < keys.size(); ++k)
            rows += (k ? " " : "") + Field(line, keys[k]);
        rows += '\n';
    }
    return rows;
}

struct Case {
    const char* name;
    std::vector<WriterEvent> events;
    std::vector<std::string> options;
    const char* rows;
};

void RunCases(const char* command, const std::vector<Case>& cases, const std::vector<std::string>& keys)
{
    for (const Case& c : cases) {
        const std::string log = WriteEvents(std::string(command) + "-" + c.name, c.events);
        std::vector<std::string> args = {command, "--utc", "--format", "json", log};
        args.insert(args.end(), c.options.begin(), c.options.end());
        const test::Outcome run = test::RunInProcess(args);
        EXPECT_EQ(run.status, kExitOk) << c.name;
        EXPECT_EQ(Project(run.out, keys), c.rows) << c.name;
    }
}

// The rules themselves are tested on records in tests/sessions; here what
// the command line adds: the fields, the range and filters, the computers.
TEST(Last, RowsSelectedAndWritten)
{
    RunCases(
        "last",
        {
            {"logoff", {Logon("08:00:00", {}), LogonIdEvent("09:00:00", 4634, "0x10")}, {},
             "ann PC1 08:00:00 09:00:00 3600 logoff\n"},
            {"clock-set-back", {Logon("10:00:00", {}), LogonIdEvent("09:00:00", 4634, "0x10")}, {},
             "ann PC1 10:00:00 09:00:00 -3600 logoff\n"},
            {"since-selects-starts-ends-anywhere",
             {Logon("08:00:00", {}), Logon("12:00:00", {.id = "0x11"}), LogonIdEvent("13:00:00", 4634, "0x11"),
              LogonIdEvent("14:00:00", 4634, "0x10")},
             {"--since", "2024-03-01T10:00", "--until", "2024-03-01T12:00"}, "ann PC1 12:00:00 13:00:00 3600 logoff\n"},
            {"user-and-from",
             {Logon("08:00:00", {}), Logon("08:10:00", {.user = "bob", .id = "0x11", .ip = "10.0.0.7"}),
              Logon("08:20:00", {.user = "BOB", .id = "0x12", .ip = "10.0.0.8"})},
             {"--user", "corp\\Bob", "--from", "10.0.0.7"}, "bob 10.0.0.7 08:10:00 null null open\n"},
            {"per-computer",
             {Logon("08:00:00", {.computer = "PC1"}), Logon("08:00:01", {.user = "bob", .computer = "PC2.corp"}),
              Boot("09:00:00", "PC2"), LogonIdEvent("09:30:00", 4634, "0x10", "PC1.corp")},
             {}, "bob PC1 08:00:01 09:00:00 3599 crash\nann PC1 08:00:00 09:30:00 5400 logoff\n"},
        },
        {"user", "from", "start", "end", "duration_s", "end_reason"});
}

TEST(Last, AllTypesAccountsReconnectsAndRecordsTooShort)
{
    std::vector<WriterEvent> events = {
        Logon("08:00:00", {.user = "PC1$", .type = 3}),
        Logon("08:00:01", {.user = "ann", .id = "0x11", .type = 10, .ip = "10.0.0.5"}),
        LogonIdEvent("08:10:00", 4779, "0x11"), LogonIdEvent("08:20:00", 4778, "0x11"),
        LogonIdEvent("08:30:00", 4779, "0x11"), Event("08:40:00", 4624, {"S-1-5-18", "too", "short"}),
        Event("08:41:00", 4634, {"S-1-5-18"})};
    const std::string log = WriteEvents("last-all", events);
    const test::Outcome run = test::RunInProcess({"last", "--utc", "--format", "json", "--types", "all", "--all-accounts", log});
    EXPECT_EQ(Project(run.out, {"user", "logon_type", "logon_type_name", "disconnects", "reconnects", "end_reason"}),
              "ann 10 RemoteInteractive 2 1 open\nPC1$ 3 Network 0 0 open\n");
    EXPECT_EQ(run.err, "tavelin: " + log + ": 2 records skipped: too few fields\n");
    EXPECT_EQ(run.status, kExitOk);
    // A copy read after the log is passed over, before the fields are counted.
    EXPECT_EQ(test::RunInProcess({"last", log, log}).err,
              "tavelin: " + log + ": 2 records skipped: too few fields\n" +
                  "tavelin: 7 records read before from another input were passed over: 7 in " + log + "\n");
    const test::Outcome table = test::RunInProcess({"last", "--utc", log});
    EXPECT_EQ(table.out,
              "User  From      Type               Start               End               Duration\n"
              "ann   10.0.0.5  RemoteInteractive  01.03.2024 8:00:01  no logoff in log\n");
}

TEST(Lastb, ReasonsOrderAndSummary)
{
    const struct {
        const char* status;
        const char* subStatus;
        const char* reason;
    } reasons[] = {
        {"0xC000006D", "0xC0000064", "unknown user"},    {"0xc000006d", "0xc000006a", "wrong password"},
        {"0xC0000234", "0x0", "account locked out"},     {"0xC000006E", "0xC0000072", "account disabled"},
        {"0xC000006E", "0xC000006F", "outside logon hours"}, {"0xC000006E", "0xC0000070", "workstation not allowed"},
        {"0xC000006E", "0xC0000071", "password expired"}, {"0xC000006E", "0xC0000193", "account expired"},
        {"0xC000006E", "0xC0000224", "password must change"}, {"0xC0000133", "0x0", "clock skew"},
        {"0xC000015B", "0x0", "logon type not granted"}, {"0xC000006E", "0x0", "account restriction"},
        {"0xC000006D", "-", "bad user name or password"}, {"0xC0000413", "0x0", "authentication firewall"},
        {"0xC000006D", "0xC00000DC", "status 0xc00000dc"}, {"0xC0000022", "0x00000000", "status 0xc0000022"},
    };
    for (const auto& r : reasons)
        EXPECT_EQ(sessions::FailureReason(r.status, r.subStatus), r.reason) << r.status << " " << r.subStatus;

    // Equal times: the later record first; a clock set back is not in record order.
    const std::vector<WriterEvent> events = {
        Failed("08:00:00", "admin", "203.0.113.9"), Failed("08:00:00", "Admin", "203.0.113.9"),
        Failed("07:00:00", "root", "203.0.113.9", "0xc000006d", "0xc0000064"),
        Failed("08:00:01", "ann", "10.0.0.5"),     Failed("08:00:02", "bob", "10.0.0.6"),
        Failed("09:00:00", "x1", "-"),             Event("09:00:01", 4625, {"short"})};
    const std::string log = WriteEvents("lastb", events);
    test::Outcome run = test::RunInProcess({"lastb", "--utc", "--format", "json", log});
    EXPECT_EQ(Project(run.out, {"record_id", "time", "user", "from", "reason"}),
              "6 09:00:00 x1 WS9 wrong password\n5 08:00:02 bob 10.0.0.6 wrong password\n"
              "4 08:00:01 ann 10.0.0.5 wrong password\n2 08:00:00 Admin 203.0.113.9 wrong password\n"
              "1 08:00:00 admin 203.0.113.9 wrong password\n3 07:00:00 root 203.0.113.9 unknown user\n");
    EXPECT_EQ(run.err, "tavelin: " + log + ": 1 records skipped: too few fields\n");

    run = test::RunInProcess({"lastb", "--utc", "--summary", "--format", "json", log});
    EXPECT_EQ(run.out,
              "{\"from\":\"203.0.113.9\",\"attempts\":3,\"users\":2,\"first\":\"2024-03-01T07:00:00Z\","
              "\"last\":\"2024-03-01T08:00:00Z\",\"top_reason\":\"wrong password\",\"top_users\":[\"Admin\",\"root\"],\"computer\":\"PC1\"}\n"
              "{\"from\":\"10.0.0.5\",\"attempts\":1,\"users\":1,\"first\":\"2024-03-01T08:00:01Z\","
              "\"last\":\"2024-03-01T08:00:01Z\",\"top_reason\":\"wrong password\",\"top_users\":[\"ann\"],\"computer\":\"PC1\"}\n"
              "{\"from\":\"10.0.0.6\",\"attempts\":1,\"users\":1,\"first\":\"2024-03-01T08:00:02Z\","
              "\"last\":\"2024-03-01T08:00:02Z\",\"top_reason\":\"wrong password\",\"top_users\":[\"bob\"],\"computer\":\"PC1\"}\n"
              "{\"from\":\"WS9\",\"attempts\":1,\"users\":1,\"first\":\"2024-03-01T09:00:00Z\","
              "\"last\":\"2024-03-01T09:00:00Z\",\"top_reason\":\"wrong password\",\"top_users\":[\"x1\"],\"computer\":\"PC1\"}\n");
    run = test::RunInProcess({"lastb", "--utc", "--summary", log, "--format", "csv"});
    EXPECT_EQ(run.out.substr(0, run.out.find("\r\n", run.out.find("\r\n") + 2)),
              "From;Attempts;Users;First;Last;Top Reason;Top Users\r\n"
              "203.0.113.9;3;2;01.03.2024 7:00:00;01.03.2024 8:00:00;wrong password;Admin, root");

    // Sources of several computers are summed up per computer, as with the option for one.
    std::vector<WriterEvent> two = {Failed("08:00:00", "admin", "203.0.113.9"),
                                    Failed("08:00:01", "root", "203.0.113.9")};
    two[1].record.computer = "PC2";
    const std::string twoLog = WriteEvents("lastb-two", two);
    EXPECT_EQ(test::RunInProcess({"lastb", "--utc", "--summary", twoLog, "--format", "csv"}).out,
              "Computer;From;Attempts;Users;First;Last;Top Reason;Top Users\r\n"
              "PC1;203.0.113.9;1;1;01.03.2024 8:00:00;01.03.2024 8:00:00;wrong password;admin\r\n"
              "PC2;203.0.113.9;1;1;01.03.2024 8:00:01;01.03.2024 8:00:01;wrong password;root\r\n");
    EXPECT_EQ(test::RunInProcess({"lastb", "--utc", "--summary", "--computer-column", log}).out.substr(0, 14),
              "Computer  From");
}

// Archived logs of one computer: a logon in one and its logoff in the next
// are one session, whatever the order of the inputs and the threads.
TEST(Last, ASessionRunsAcrossTheLogsOfItsComputer)
{
    std::vector<WriterEvent> older = {Logon("08:00:00", {}), Logon("08:30:00", {.user = "bob", .id = "0x20"})};
    std::vector<WriterEvent> newer = {LogonIdEvent("09:00:00", 4634, "0x10"), LogonIdEvent("09:10:00", 4634, "0x20")};
    for (std::size_t i = 0; i < 2; ++i) {
        older[i].record.recordId = 100 + i;
        newer[i].record.recordId = 102 + i;
    }
    const std::string a = test::PathText(evtx::test::WriteLog("Archive-Security-1.evtx", older));
    const std::string b = test::PathText(evtx::test::WriteLog("Archive-Security-2.evtx", newer));
    const std::string rows = "bob PC1 08:30:00 09:10:00 2400 logoff\nann PC1 08:00:00 09:00:00 3600 logoff\n";
    for (const auto& args : {std::vector<std::string>{a, b, "--jobs", "1"}, std::vector<std::string>{b, a, "--jobs", "3"}}) {
        std::vector<std::string> command = {"last", "--utc", "--format", "json"};
        command.insert(command.end(), args.begin(), args.end());
        EXPECT_EQ(Project(test::RunInProcess(command).out, {"user", "from", "start", "end", "duration_s", "end_reason"}),
                  rows);
    }
}

TEST(Last, FolderStandsForItsEvtxFilesByName)
{
    const std::filesystem::path folder = test::ScratchFolder("folder");
    const std::filesystem::path empty = test::ScratchFolder("empty");
    const std::filesystem::path first = folder / "A.EVTX";
    const std::filesystem::path second = folder / "b.evtx";
    std::filesystem::copy_file(WriteEvents("folder-a", {Logon("08:00:00", {.user = "ann"})}), first);
    std::filesystem::copy_file(WriteEvents("folder-b", {Logon("09:00:00", {.user = "bob"})}), second);
    std::filesystem::create_directory(folder / "c.evtx");  // a folder, not a log
    std::ofstream(folder / "notes.txt") << "not a log";

    const test::Outcome files = test::RunInProcess({"last", "--utc", test::PathText(first), test::PathText(second)});
    const test::Outcome inFolder = test::RunInProcess({"last", "--utc", test::PathText(folder)});
    EXPECT_EQ(inFolder.status, kExitOk) << inFolder.err;
    EXPECT_EQ(inFolder.out, files.out);
    EXPECT_NE(files.out.find("ann"), std::string::npos);

    const test::Outcome none = test::RunInProcess({"lastb", test::PathText(empty)});
    EXPECT_EQ(none.status, kExitFailed);
    EXPECT_EQ(none.err, "tavelin: " + test::PathText(empty) + ": the folder holds no event log files (.evtx)\n");
    std::filesystem::remove_all(folder);
    std::filesystem::remove_all(empty);
}

}  // namespace
}  // namespace tav::cli
