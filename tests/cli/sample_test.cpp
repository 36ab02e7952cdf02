// The three commands in the three forms on the bundled sample logs, whose
// rows are written out here: what the program's scan makes of them.
#include <gtest/gtest.h>

#include <cstdlib>

#include "cli_test_support.h"
#include "seclog/evtx_source.h"
#include "seclog/memory_source.h"

namespace tav::cli {
namespace {

using test::RunInProcess;
using test::SampleSecurityLog;
using test::SampleSessionLog;

// Newest first. Left out: logons of types 5, 10 and 11, machine accounts,
// the anonymous logon (no workstation), and the logons collapsed into a
// later one of the same user, workstation and type (20 s or less apart).
const char kLogonsUtc[] =
    "ID     Date                 User Name      Logon From   Connection Type\n"
    "48463  05.11.2023 6:30:00   j.smith        HR-LAPTOP12  Удаленный доступ\n"
    "48462  05.11.2023 5:30:00   j.smith        HR-LAPTOP12  Удаленный доступ\n"
    "48446  29.10.2023 1:30:00   Петров         FIN-WS07     Локальный вход\n"
    "48442  29.10.2023 0:30:00   Петров         FIN-WS07     Локальный вход\n"
    "48411  14.07.2023 8:15:00   Смирнова.О     FIN-WS07     Локальный вход\n"
    "48399  01.06.2023 12:00:00  m.garcia       DEV-PC03     Удаленный доступ\n"
    "48333  18.04.2023 9:29:58   j.smith        HR-LAPTOP12  Удаленный доступ\n"
    "48328  18.04.2023 6:50:00   a.ivanov       FIN-WS07     Локальный вход\n"
    "48313  26.03.2023 1:00:30   j.smith        HR-LAPTOP12  Удаленный доступ\n"
    "48312  26.03.2023 0:59:30   a.ivanov       FIN-WS07     Локальный вход\n"
    "48299  12.03.2023 7:00:05   m.garcia       DEV-PC03     Удаленный доступ\n"
    "48280  09.02.2023 7:05:00   Администратор  FIN-WS07     Локальный вход\n"
    "48264  07.02.2023 11:00:00  j.smith        -            Удаленный доступ\n"
    "48262  07.02.2023 10:45:00  Смирнова.О     БУХ-ПК01     Удаленный доступ\n"
    "48260  07.02.2023 8:03:33   Петров         FIN-WS07     Локальный вход\n"
    "48258  07.02.2023 8:03:12   Петров         FIN-WS07     Локальный вход\n"
    "48235  06.02.2023 12:00:20  m.garcia       DEV-PC03     Удаленный доступ\n"
    "48221  06.02.2023 7:15:51   j.smith        HR-LAPTOP12  Удаленный доступ\n"
    "48218  06.02.2023 6:58:12   a.ivanov       FIN-WS07     Локальный вход\n"
    "48215  06.02.2023 6:55:02   DWM-1          -            Локальный вход\n"
    "48214  06.02.2023 6:55:01   UMFD-0         -            Локальный вход\n";

const char kSessionsUtc[] =
    "Date                User Name               Login From\n"
    "05.11.2023 6:30:05  CORP\\j.smith            2001:db8:10::25\n"
    "05.11.2023 5:30:05  CORP\\j.smith            10.20.30.52\n"
    "29.10.2023 1:30:02  CORP\\Петров             LOCAL\n"
    "29.10.2023 0:30:02  CORP\\Петров             LOCAL\n"
    "14.07.2023 8:15:03  CORP\\Смирнова.О         LOCAL\n"
    "18.04.2023 9:35:00  CORP\\m.garcia\n"
    "18.04.2023 9:30:02  CORP\\j.smith            10.20.30.52\n"
    "09.02.2023 7:05:02  FIN-WS07\\Администратор  LOCAL\n"
    "07.02.2023 8:03:02  CORP\\Петров             LOCAL\n"
    "06.02.2023 9:12:31  CORP\\Петров             10.20.31.17\n"
    "06.02.2023 6:58:14  CORP\\a.ivanov           LOCAL\n";

TEST(SampleLogs, LogonsInEachForm)
{
    test::Outcome run = RunInProcess({"logons", SampleSecurityLog()});
    EXPECT_EQ(run.status, kExitOk);
    EXPECT_EQ(run.out, kLogonsUtc);
    EXPECT_EQ(run.err, "");

    run = RunInProcess({"logons", "--format", "csv", "--until", "2023-02-07T08:03:33", SampleSecurityLog(),
                        "--since", "2023-02-07"});
    const std::string csv =
        "Date;User Name;Logon From;Connection Type\r\n"
        "07.02.2023 8:03:33;Петров;FIN-WS07;Локальный вход\r\n"
        "07.02.2023 8:03:12;Петров;FIN-WS07;Локальный вход\r\n";
    EXPECT_EQ(run.out, csv);
    for (const unsigned codePage : {1251u, 866u, 1252u}) {
        run = RunInProcess({"logons", "--format=csv", "--encoding", std::to_string(codePage), "--until",
                            "2023-02-07T08:03:33", SampleSecurityLog(), "--since", "2023-02-07"});
        EXPECT_EQ(run.out, EncodeCodePage(csv, codePage).value()) << codePage;
    }

    run = RunInProcess({"logons", SampleSecurityLog(), "--format", "json", "--since", "2023-10-29T01:00"});
    EXPECT_EQ(run.out,
              "{\"id\":48463,\"date\":\"05.11.2023 6:30:00\",\"user\":\"j.smith\",\"from\":\"HR-LAPTOP12\","
              "\"type\":\"Удаленный доступ\",\"time\":\"2023-11-05T06:30:00+00:00\",\"computer\":\"FIN-WS07.corp.example.com\","
              "\"record_id\":48463,\"logon_type\":3}\n"
              "{\"id\":48462,\"date\":\"05.11.2023 5:30:00\",\"user\":\"j.smith\",\"from\":\"HR-LAPTOP12\","
              "\"type\":\"Удаленный доступ\",\"time\":\"2023-11-05T05:30:00+00:00\",\"computer\":\"FIN-WS07.corp.example.com\","
              "\"record_id\":48462,\"logon_type\":3}\n"
              "{\"id\":48446,\"date\":\"29.10.2023 1:30:00\",\"user\":\"Петров\",\"from\":\"FIN-WS07\","
              "\"type\":\"Локальный вход\",\"time\":\"2023-10-29T01:30:00+00:00\",\"computer\":\"FIN-WS07.corp.example.com\","
              "\"record_id\":48446,\"logon_type\":2}\n");
}

TEST(SampleLogs, TheRangeIsAppliedBeforeBurstsCollapse)
{
    // 06:59:50 collapses into 07:00:05 (15 s later) unless the range ends between them.
    const auto rowsOf = [](const char* until) {
        return RunInProcess({"logons", SampleSecurityLog(), "--since", "2023-03-12", "--until", until}).out;
    };
    EXPECT_EQ(rowsOf("2023-03-12"),
              "ID     Date                User Name  Logon From  Connection Type\n"
              "48299  12.03.2023 7:00:05  m.garcia   DEV-PC03    Удаленный доступ\n");
    EXPECT_EQ(rowsOf("2023-03-12T07:00:04"),
              "ID     Date                User Name  Logon From  Connection Type\n"
              "48298  12.03.2023 6:59:50  m.garcia   DEV-PC03    Удаленный доступ\n");
}

// The same log twice is read once; a log of another kind gets a hint.
TEST(SampleLogs, SeveralFilesAreScannedOneByOneInTheirOrder)
{
    const std::string session = SampleSessionLog();
    const test::Outcome run = RunInProcess(
        {"logons", "--format", "json", "--since", "2023-11-05", SampleSecurityLog(), session, SampleSecurityLog()});
    EXPECT_EQ(run.status, kExitOk);
    const std::string twoRows =
        "{\"id\":48463,\"date\":\"05.11.2023 6:30:00\",\"user\":\"j.smith\",\"from\":\"HR-LAPTOP12\","
        "\"type\":\"Удаленный доступ\",\"time\":\"2023-11-05T06:30:00+00:00\",\"computer\":\"FIN-WS07.corp.example.com\","
        "\"record_id\":48463,\"logon_type\":3}\n"
        "{\"id\":48462,\"date\":\"05.11.2023 5:30:00\",\"user\":\"j.smith\",\"from\":\"HR-LAPTOP12\","
        "\"type\":\"Удаленный доступ\",\"time\":\"2023-11-05T05:30:00+00:00\",\"computer\":\"FIN-WS07.corp.example.com\","
        "\"record_id\":48462,\"logon_type\":3}\n";
    EXPECT_EQ(run.out, twoRows);
    EXPECT_EQ(run.err, "tavelin: " + session +
                           " is a Microsoft-Windows-TerminalServices-LocalSessionManager/Operational log and holds no "
                           "Security logon events; try 'tavelin sessions'\n"
                           "tavelin: 102 records read before from another input were passed over: 102 in " +
                           SampleSecurityLog() + "\n");
}

TEST(SampleLogs, SessionsInEachForm)
{
    test::Outcome run = RunInProcess({"sessions", SampleSessionLog()});
    EXPECT_EQ(run.status, kExitOk);
    EXPECT_EQ(run.out, kSessionsUtc);
    run = RunInProcess({"sessions", SampleSessionLog(), "--format", "csv", "--since", "2023-04-18", "--until",
                        "2023-07-14", "--encoding", "866"});
    EXPECT_EQ(run.out, EncodeCodePage("Date;User Name;Login From\r\n"
                                      "14.07.2023 8:15:03;CORP\\Смирнова.О;LOCAL\r\n"
                                      "18.04.2023 9:35:00;CORP\\m.garcia;\r\n"
                                      "18.04.2023 9:30:02;CORP\\j.smith;10.20.30.52\r\n",
                                      866)
                           .value());
    run = RunInProcess({"sessions", "--format", "json", "--since", "2023-11-05T06:00", SampleSessionLog()});
    EXPECT_EQ(run.out, "{\"date\":\"05.11.2023 6:30:05\",\"user\":\"CORP\\\\j.smith\",\"address\":\"2001:db8:10::25\","
                       "\"time\":\"2023-11-05T06:30:05+00:00\",\"computer\":\"FIN-WS07.corp.example.com\",\"record_id\":1746}\n");
    // The Security log holds no session logons.
    EXPECT_EQ(RunInProcess({"sessions", SampleSecurityLog()}).out, "Date  User Name  Login From\n");
}

TEST(SampleLogs, RecordInEachForm)
{
    // Петров's first console logon of 7 February (08:03:00), collapsed in the list, and its 4672.
    const std::vector<std::string> strings = {
        "S-1-5-18", "FIN-WS07$", "CORP", "0x3e7", "S-1-5-21-2977773840-2930198165-1551093962-1131", "Петров",
        "CORP", "0x3a86b7", "2", "User32 ", "Negotiate", "FIN-WS07", "{00000000-0000-0000-0000-000000000000}", "-",
        "-", "0", "0x3c8", "C:\\Windows\\System32\\svchost.exe", "127.0.0.1", "0", "%%1833", "-", "-", "-",
        "%%1843", "0x0", "%%1842"};
    test::Outcome run = RunInProcess({"record", SampleSecurityLog(), "48256"});
    EXPECT_EQ(run.status, kExitOk);
    std::string lines;
    for (const std::string& s : strings)
        lines += s + "\n";
    EXPECT_EQ(run.out, lines);

    run = RunInProcess({"record", SampleSecurityLog(), "48257", "--format", "json"});
    EXPECT_EQ(run.out,
              "{\"index\":1,\"string\":\"S-1-5-21-2977773840-2930198165-1551093962-1131\"}\n"
              "{\"index\":2,\"string\":\"Петров\"}\n"
              "{\"index\":3,\"string\":\"CORP\"}\n"
              "{\"index\":4,\"string\":\"0x3a86b7\"}\n"
              "{\"index\":5,\"string\":\"SeSecurityPrivilege\\r\\n\\t\\t\\tSeTakeOwnershipPrivilege\\r\\n\\t\\t\\t"
              "SeLoadDriverPrivilege\\r\\n\\t\\t\\tSeBackupPrivilege\\r\\n\\t\\t\\tSeRestorePrivilege\\r\\n\\t\\t\\t"
              "SeDebugPrivilege\\r\\n\\t\\t\\tSeSystemEnvironmentPrivilege\\r\\n\\t\\t\\tSeImpersonatePrivilege"
              "\\r\\n\\t\\t\\tSeDelegateSessionUserImpersonatePrivilege\"}\n");
    run = RunInProcess({"record", "--format", "csv", "--encoding", "1251", SampleSessionLog(), "1738"});
    EXPECT_EQ(run.out, EncodeCodePage("String\r\nFIN-WS07\\Администратор\r\n1\r\nLOCAL\r\n", 1251).value());
}

// Sessions that end by logoff, shutdown (down) and power cut (crash), split
// tokens counted once, and the password guessing of one night.
TEST(SampleLogs, LastAndLastbSummary)
{
    test::Outcome run = RunInProcess({"last", "--utc", SampleSecurityLog()});
    EXPECT_EQ(run.status, kExitOk);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out,
              "User           From         Type               Start                End                  Duration\n"
              "Петров         FIN-WS07     Interactive        29.10.2023 1:30:00   no logoff in log\n"
              "Петров         FIN-WS07     Interactive        29.10.2023 0:30:00   29.10.2023 1:10:00   (0:40)\n"
              "Петров         FIN-WS07     CachedInteractive  01.09.2023 10:00:00  down                 (57+13:30)\n"
              "Смирнова.О     FIN-WS07     Interactive        14.07.2023 8:15:00   14.07.2023 17:02:11  (8:47)\n"
              "j.smith        10.20.30.52  RemoteInteractive  18.04.2023 9:30:00   18.04.2023 17:55:00  (8:25)\n"
              "a.ivanov       FIN-WS07     Interactive        18.04.2023 6:50:00   down                 (16:40)\n"
              "a.ivanov       FIN-WS07     Interactive        26.03.2023 0:59:30   down                 (23+22:30)\n"
              "Администратор  FIN-WS07     Interactive        09.02.2023 7:05:00   09.02.2023 7:35:02   (0:30)\n"
              "Петров         FIN-WS07     Interactive        07.02.2023 8:03:33   07.02.2023 16:20:00  (8:16)\n"
              "Петров         FIN-WS07     Interactive        07.02.2023 8:03:12   crash                (2+05:16)\n"
              "Петров         FIN-WS07     Interactive        07.02.2023 8:03:00   crash                (2+05:17)\n"
              "a.ivanov       FIN-WS07     CachedInteractive  07.02.2023 8:01:05   crash                (2+05:18)\n"
              "Петров         10.20.31.17  RemoteInteractive  06.02.2023 9:12:29   06.02.2023 12:30:07  (3:17)\n"
              "a.ivanov       FIN-WS07     Interactive        06.02.2023 6:58:12   06.02.2023 17:40:10  (10:41)\n");
    run = RunInProcess({"lastb", "--utc", "--summary", SampleSecurityLog()});
    EXPECT_EQ(run.out,
              "From           Attempts  Users  First               Last                Top Reason      Top Users\n"
              "203.0.113.45   36        9      01.06.2023 2:14:05  01.06.2023 2:18:10  unknown user    "
              "Administrator, admin, scanner, test, user\n"
              "198.51.100.23  8         4      01.06.2023 2:31:17  01.06.2023 2:32:48  wrong password  "
              "a.ivanov, aivanov, ivanov, ivanov.a\n"
              "FIN-WS07       3         2      07.02.2023 8:02:41  29.10.2023 0:29:50  wrong password  Петров, Смирнова.О\n"
              "10.20.30.52    2         1      18.04.2023 9:29:40  18.04.2023 9:29:50  wrong password  J.Smith\n"
              "10.20.31.17    1         1      12.03.2023 6:59:40  12.03.2023 6:59:40  wrong password  m.garcia\n");
}

TEST(SampleLogs, TheLiveLogOfAComputerIsScannedAlike)
{
    // The sample's records, as a live log would hold them.
    auto log = std::make_shared<seclog::MemoryLog>();
    std::vector<std::uint8_t> buffer(1 << 20);
    Platform platform = test::TestPlatform();
    seclog::MemorySourceOpener opener(log);
    platform.liveLogs = &opener;
    {
        std::uint32_t error = 0;
        seclog::LegacyFileOpener files;
        auto file = files.Open(SampleSecurityLog(), "", error);
        std::vector<std::span<const std::uint8_t>> records;
        for (seclog::ReadResult read; (read = file->ReadNext(buffer)).ok;) {
            seclog::RecordWalker walker{std::span(buffer).first(read.bytesRead)};
            for (seclog::RecordView view; walker.Next(view) == seclog::WalkStep::Record;)
                records.push_back(view.bytes);
        }
        for (auto r = records.rbegin(); r != records.rend(); ++r)
            log->AddRaw(*r);
    }
    test::Outcome run = RunInProcess({"logons", "--computer", "FIN-WS07"}, platform);
    EXPECT_EQ(run.status, kExitOk);
    EXPECT_EQ(run.out, kLogonsUtc);
    EXPECT_EQ(opener.LastServer(), "FIN-WS07");
    EXPECT_EQ(opener.LastLog(), "security");
    // Sessions and failed logons of a live log are the file's, but that its
    // open sessions are still going on.
    for (const char* command : {"last", "lastb"})
        EXPECT_EQ(RunInProcess({command, "--computer", "FIN-WS07", "--format", "json"}, platform).out,
                  RunInProcess({command, SampleSecurityLog(), "--format", "json"}).out)
            << command;
    run = RunInProcess({"last", "--computer", "FIN-WS07", "--since", "2023-10-29T01:00"}, platform);
    EXPECT_EQ(run.out,
              "User    From      Type         Start               End              Duration\n"
              "Петров  FIN-WS07  Interactive  29.10.2023 1:30:00  still logged on\n");
    run = RunInProcess({"record", "--local", "48442", "--format", "json"}, platform);
    EXPECT_EQ(run.out.substr(0, 32), "{\"index\":1,\"string\":\"S-1-5-18\"}\n");
    EXPECT_EQ(opener.LastServer(), "");
    EXPECT_EQ(opener.Opens(), opener.Closes());
}

#ifndef _WIN32
// Local time by the C library's rules for TZ, through base.
class TimeZone {
public:
    explicit TimeZone(const char* rule)
    {
        const char* old = std::getenv("TZ");
        saved_ = old ? std::optional<std::string>(old) : std::nullopt;
        setenv("TZ", rule, 1);
    }
    ~TimeZone()
    {
        if (saved_)
            setenv("TZ", saved_->c_str(), 1);
        else
            unsetenv("TZ");
    }

private:
    std::optional<std::string> saved_;
};

TEST(SampleLogs, LocalTimeAcrossTheDaylightSavingChanges)
{
    Platform platform = test::TestPlatform();
    platform.utcToLocal = [](DateTime utc) { return UtcToLocalDateTime(utc); };
    const auto rows = [&](const char* rule, std::vector<std::string> args) {
        const TimeZone zone(rule);
        return RunInProcess(args, platform).out;
    };
    const char kBerlin[] = "CET-1CEST,M3.5.0,M10.5.0/3";
    const char kNewYork[] = "EST5EDT,M3.2.0,M11.1.0";
    // Europe: 02:30 twice on 29 October (one row); 01:59:30 and then 03:00:30 on 26 March.
    EXPECT_EQ(rows(kBerlin, {"logons", SampleSecurityLog(), "--since", "2023-10-29", "--format", "csv"}),
              "Date;User Name;Logon From;Connection Type\r\n"
              "05.11.2023 7:30:00;j.smith;HR-LAPTOP12;Удаленный доступ\r\n"
              "05.11.2023 6:30:00;j.smith;HR-LAPTOP12;Удаленный доступ\r\n"
              "29.10.2023 2:30:00;Петров;FIN-WS07;Локальный вход\r\n");
    EXPECT_EQ(rows(kBerlin, {"logons", SampleSecurityLog(), "--since", "2023-03-12", "--until", "2023-03-26",
                             "--format", "csv"}),
              "Date;User Name;Logon From;Connection Type\r\n"
              "26.03.2023 3:00:30;j.smith;HR-LAPTOP12;Удаленный доступ\r\n"
              "26.03.2023 1:59:30;a.ivanov;FIN-WS07;Локальный вход\r\n"
              "12.03.2023 8:00:05;m.garcia;DEV-PC03;Удаленный доступ\r\n");
    // United States: 01:59:50 and then 03:00:05 on 12 March (two rows); 01:30 twice on 5 November.
    EXPECT_EQ(rows(kNewYork, {"logons", SampleSecurityLog(), "--since", "2023-03-12", "--until", "2023-03-12",
                              "--format", "csv"}),
              "Date;User Name;Logon From;Connection Type\r\n"
              "12.03.2023 3:00:05;m.garcia;DEV-PC03;Удаленный доступ\r\n"
              "12.03.2023 1:59:50;m.garcia;DEV-PC03;Удаленный доступ\r\n");
    EXPECT_EQ(rows(kNewYork, {"logons", SampleSecurityLog(), "--since", "2023-10-28T21:00", "--format", "csv"}),
              "Date;User Name;Logon From;Connection Type\r\n"
              "05.11.2023 1:30:00;j.smith;HR-LAPTOP12;Удаленный доступ\r\n"
              "28.10.2023 21:30:00;Петров;FIN-WS07;Локальный вход\r\n");
    // --utc whatever the zone.
    EXPECT_EQ(rows(kNewYork, {"sessions", SampleSessionLog(), "--utc", "--since", "2023-10-29", "--format", "csv"}),
              "Date;User Name;Login From\r\n"
              "05.11.2023 6:30:05;CORP\\j.smith;2001:db8:10::25\r\n"
              "05.11.2023 5:30:05;CORP\\j.smith;10.20.30.52\r\n"
              "29.10.2023 1:30:02;CORP\\Петров;LOCAL\r\n"
              "29.10.2023 0:30:02;CORP\\Петров;LOCAL\r\n");
    EXPECT_EQ(rows(kBerlin, {"sessions", SampleSessionLog(), "--since", "2023-10-29", "--until", "2023-10-29",
                             "--format", "csv"}),
              "Date;User Name;Login From\r\n"
              "29.10.2023 2:30:02;CORP\\Петров;LOCAL\r\n"
              "29.10.2023 2:30:02;CORP\\Петров;LOCAL\r\n");
    // A table tells the repeated hour's two halves apart by their offsets; CSV does not.
    EXPECT_EQ(rows(kBerlin, {"last", SampleSecurityLog(), "--since", "2023-10-01"}),
              "User    From      Type         Start                     End                       Duration\n"
              "Петров  FIN-WS07  Interactive  29.10.2023 2:30:00 UTC+1  no logoff in log\n"
              "Петров  FIN-WS07  Interactive  29.10.2023 2:30:00 UTC+2  29.10.2023 2:10:00 UTC+1  (0:40)\n");
    EXPECT_EQ(rows(kBerlin, {"logons", SampleSecurityLog(), "--since", "2023-10-29", "--until", "2023-10-29"}),
              "ID     Date                      User Name  Logon From  Connection Type\n"
              "48446  29.10.2023 2:30:00 UTC+1  Петров     FIN-WS07    Локальный вход\n");
    EXPECT_EQ(rows(kNewYork, {"sessions", SampleSessionLog(), "--since", "2023-11-05"}),
              "Date                      User Name     Login From\n"
              "05.11.2023 1:30:05 UTC-5  CORP\\j.smith  2001:db8:10::25\n"
              "05.11.2023 1:30:05 UTC-4  CORP\\j.smith  10.20.30.52\n");
}
#endif

}  // namespace
}  // namespace tav::cli

namespace tav::cli {
namespace {

std::vector<std::string> ServerLogs()
{
    return {test::PathText(test::SampleFolder() / sample::kSampleServerSessionLog),
            test::PathText(test::SampleFolder() / sample::kSampleServerConnectionLog),
            test::PathText(test::SampleFolder() / sample::kSampleServerSecurityLog)};
}

// The terminal server of the sample: its three logs merged, whatever their
// order and the threads; each form.
TEST(SampleLogs, RemoteDesktopSessionsOfTheTerminalServer)
{
    std::vector<std::string> args = {"rdp", "--jobs", "1"};
    std::vector<std::string> logs = ServerLogs();
    args.insert(args.end(), logs.begin(), logs.end());
    const test::Outcome run = RunInProcess(args);
    EXPECT_EQ(run.status, kExitOk);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out,
              "User             Session  From          Client       Logon                End                  "
              "Active   Disconnected  Connections  Addresses\n"
              "CORP\\m.garcia    3        10.20.31.17   DEV-PC03     17.05.2023 9:10:32   no logoff in log     "
              "(2:30)                 1            10.20.31.17\n"
              "CORP\\Смирнова.О  2        10.20.32.8                 17.05.2023 8:05:22   17.05.2023 16:50:01  "
              "(8:44)   (0:00)        1            10.20.32.8\n"
              "CORP\\Петров      4        LOCAL                      16.05.2023 7:30:42   down                 "
              "(11:31)  (0:00)        1            LOCAL\n"
              "admin            -        203.0.113.45               15.05.2023 22:13:07  no session in log    "
              "(0:00)                 0            203.0.113.45\n"
              "CORP\\j.smith     2        10.20.30.52   HR-LAPTOP12  15.05.2023 7:58:13   15.05.2023 16:30:01  "
              "(6:31)   (2:00)        2            10.20.30.52, 198.51.100.7\n"
              "CORP\\a.ivanov    5        10.20.30.60   ACC-PC08     before log           15.05.2023 13:20:01  "
              "(4:39)   (2:00)        1            10.20.30.60\n");
    std::reverse(logs.begin(), logs.end());
    std::vector<std::string> reversed = {"rdp", "--jobs", "3"};
    reversed.insert(reversed.end(), logs.begin(), logs.end());
    EXPECT_EQ(RunInProcess(reversed).out, run.out);

    reversed.insert(reversed.end(), {"--format", "json", "--connections", "--user", "j.smith"});
    EXPECT_EQ(RunInProcess(reversed).out,
              "{\"computer\":\"FIN-TS01.corp.example.com\",\"user\":\"CORP\\\\j.smith\",\"session_id\":2,"
              "\"from\":\"198.51.100.7\",\"client\":\"HOME-PC\",\"authenticated\":\"2023-05-15T11:45:10+00:00\","
              "\"start\":\"2023-05-15T11:45:12+00:00\",\"end\":\"2023-05-15T16:30:01+00:00\",\"reason\":\"logoff\","
              "\"duration_s\":17089}\n"
              "{\"computer\":\"FIN-TS01.corp.example.com\",\"user\":\"CORP\\\\j.smith\",\"session_id\":2,"
              "\"from\":\"10.20.30.52\",\"client\":\"HR-LAPTOP12\",\"authenticated\":\"2023-05-15T07:58:11+00:00\","
              "\"start\":\"2023-05-15T07:58:13+00:00\",\"end\":\"2023-05-15T09:45:01+00:00\","
              "\"reason\":\"disconnected by the user\",\"duration_s\":6408}\n");
    // Sessions that overlap the range; from an address or a client.
    std::vector<std::string> ranged = {"rdp", "--format", "csv", "--since", "2023-05-16T12:00", "--until",
                                       "2023-05-17T08:30", "--from", "local"};
    ranged.insert(ranged.end(), logs.begin(), logs.end());
    EXPECT_EQ(RunInProcess(ranged).out,
              "User;Session;From;Client;Authenticated;Logon;End;Active (s);Disconnected (s);Connections;Addresses;"
              "End Reason\r\n"
              "CORP\\Петров;4;LOCAL;;;16.05.2023 7:30:42;16.05.2023 19:02:00;41478;0;1;LOCAL;shutdown\r\n");
}

}  // namespace
}  // namespace tav::cli
