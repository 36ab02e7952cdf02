// Many logs and many computers: folders and patterns as inputs, the same
// bytes whatever the thread count, a collector's log of several computers,
// and live logs of several computers read side by side.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <algorithm>
#include <chrono>
#include <fstream>
#include <map>
#include <thread>

#include "cli/inputs.h"
#include "base/iso_date.h"
#include "cli_test_support.h"
#include "seclog/logon_scan.h"
#include "seclog/memory_source.h"
#include "tests/evtx/test_files.h"

namespace tav::cli {
namespace {

using Args = std::vector<std::string>;

TEST(Inputs, FoldersAndPatternsStandForTheirLogsInNameOrder)
{
    const std::filesystem::path root = test::ScratchFolder("inputs");
    for (const char* name : {"b.evtx", "a.EVTX", "sub/c.evtx", "sub/notes.txt"}) {
        std::filesystem::create_directories((root / name).parent_path());
        std::ofstream(root / name) << "x";
    }
    std::filesystem::create_directories(root / "empty");
    std::error_code noLinks;  // a link back up is not followed (where links can be made)
    std::filesystem::create_directory_symlink(root, root / "sub" / "loop", noLinks);
    const std::string r = test::PathText(root);
    const std::string a = test::PathText(root / "a.EVTX"), b = test::PathText(root / "b.evtx"),
                      c = test::PathText(root / "sub" / "c.evtx");
    const struct {
        Args inputs;
        Args files;
        const char* problem;
    } cases[] = {
        {{r}, {a, b, c}, ""},
        {{r + "/*.evtx", r + "/missing.evtx"}, {a, b, r + "/missing.evtx"}, ""},
        {{r + "/?.Evtx"}, {a, b}, ""},
        {{r + "/s*"}, {c}, ""},
        {{r + "/z*.evtx", b}, {b}, "no file matches"},
        {{r + "/empty"}, {}, "the folder holds no event log files (.evtx)"},
        {{r + "/*/c.evtx"}, {}, "* and ? work in the file name only, not in folder names"},
        {{""}, {}, "no such file"},
    };
    for (const auto& row : cases) {
        std::vector<InputProblem> problems;
        EXPECT_EQ(ExpandInputs(row.inputs, problems), row.files) << row.inputs.front();
        EXPECT_EQ(problems.empty() ? "" : problems.front().reason, row.problem) << row.inputs.front();
    }
    // Each problem is one line on standard error; the other inputs are read.
    const test::Outcome run = test::RunInProcess({"last", r + "/empty", r + "/nothing*", test::SampleSecurityLog()});
    EXPECT_EQ(run.err, "tavelin: " + r + "/empty: the folder holds no event log files (.evtx)\ntavelin: " + r +
                           "/nothing*: no file matches\n");
    EXPECT_EQ(run.status, kExitFailed);
    EXPECT_EQ(run.out, test::RunInProcess({"last", test::SampleSecurityLog()}).out);
#ifndef _WIN32
    // A name a pattern produced is a file, even one that holds * (and a
    // dangling link so named), never a pattern again; a pipe is no log.
    const std::filesystem::path odd = test::ScratchFolder("odd");
    std::ofstream(odd / "a*.evtx") << "x";
    std::filesystem::create_symlink(odd / "gone", odd / "a?.evtx");
    ASSERT_EQ(mkfifo(test::PathText(odd / "pipe.evtx").c_str(), 0600), 0);
    std::vector<InputProblem> problems;
    const std::string o = test::PathText(odd);
    EXPECT_EQ(ExpandInputs({o + "/a?.evtx", o + "/pipe.evtx"}, problems), (Args{o + "/a*.evtx", o + "/a?.evtx"}));
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_EQ(problems[0].reason, "is not a regular file (a pipe or a device): save the log to a file first");
#endif
}

// rdp reads the largest log last, whatever the order of the names (its
// records then go to the rules as read): said in that order, the same rows.
TEST(Inputs, RdpReadsTheLargestLogLast)
{
    const std::string large = test::PathText(tav::test::SamplesFolder() / "omer-vss-RCM-Operational-bad-checksum.evtx");
    const std::string small = test::PathText(tav::test::SamplesFolder() / "omer-Application_no_crc32-v3.2.evtx");
    const test::Outcome given = test::RunInProcess({"rdp", "--utc", large, small});
    const test::Outcome swapped = test::RunInProcess({"rdp", "--utc", small, large});
    EXPECT_LT(given.err.find("Application log"), given.err.find("failed their data checksum"));
    EXPECT_EQ(given.err, swapped.err);
    EXPECT_EQ(given.out, swapped.out);
}

TEST(Jobs, AFolderOfSamplesGivesTheSameBytesWhateverTheThreadCount)
{
    const std::string folder = test::PathText(tav::test::SamplesFolder());
    for (const Args& command : {Args{"logons"}, Args{"sessions", "--format=json"}, Args{"last", "--format=csv"},
                                Args{"lastb", "--format=json"}}) {
        const auto run = [&](const char* jobs) {
            Args args = command;
            args.insert(args.end(), {"--utc", folder, "--jobs", jobs});
            return test::RunInProcess(args);
        };
        const test::Outcome one = run("1");
        const test::Outcome four = run("4");
        EXPECT_EQ(four.out, one.out) << command.front();
        EXPECT_EQ(four.err, one.err) << command.front();
        EXPECT_EQ(four.status, one.status) << command.front();
        EXPECT_GT(one.out.size(), 1000u) << command.front();
    }
}

// A collector's log: the events of three computers, interleaved, each
// computer numbering its records and logon ids from the same start.
constexpr char kDay[] = "2024-03-01T";

evtx::WriterEvent Event(const char* computer, std::uint64_t record, const std::string& time, std::uint32_t id,
                        std::vector<std::string> strings)
{
    evtx::WriterEvent e;
    e.record.recordId = record;
    e.record.timeCreated = DateTimeToUnixMilliseconds(ParseIsoDate(kDay + time).value().value) / 1000;
    e.record.timeWritten = e.record.timeCreated;
    e.record.eventId = id;
    e.record.provider = "Microsoft-Windows-Security-Auditing";
    e.record.channel = "ForwardedEvents";
    e.record.computer = computer;
    e.record.strings = std::move(strings);
    return e;
}

evtx::WriterEvent Logon(const char* computer, std::uint64_t record, const std::string& time, const char* user,
                        const char* logonId, const char* type)
{
    return Event(computer, record, time, 4624,
                 {"S-1-5-18", "-", "-", "0x3e7", "S-1-5-21-1-2-3-1001", user, "CORP", logonId, type, "NtLmSsp ",
                  "NTLM", "WS1", "{0}", "-", "-", "0", "0x0", "-", "-", "0", "%%1833", "-", "-", "-", "%%1843", "0x0",
                  "%%1842"});
}

evtx::WriterEvent Logoff(const char* computer, std::uint64_t record, const std::string& time, const char* logonId)
{
    return Event(computer, record, time, 4634, {"S-1-5-21-1-2-3-1001", "ann", "CORP", logonId, "3"});
}

TEST(Fleet, AForwardedLogKeepsTheStateOfEachComputer)
{
    const std::string log = test::PathText(evtx::test::WriteLog(
        "fleet-forwarded", {Logon("PC-A.corp", 1, "08:00:00", "ann", "0x10", "3"),
                            Logon("PC-B.corp", 1, "08:00:05", "ann", "0x10", "3"),
                            Logon("PC-A.corp", 2, "08:00:10", "ann", "0x11", "3"),
                            Logon("PC-C.corp", 1, "08:30:00", "carl", "0x10", "2"),
                            Logoff("PC-C.corp", 2, "08:40:00", "0x11"),
                            Event("PC-B.corp", 2, "09:00:00", 4608, {}),
                            Logoff("PC-A.corp", 3, "10:00:00", "0x10")}));
    // B's logon 5 s after A's is a row of its own; A's two collapse.
    test::Outcome run = test::RunInProcess({"logons", "--utc", log});
    EXPECT_EQ(run.out,
              "Computer   ID  Date                User Name  Logon From  Connection Type\n"
              "PC-A.corp  2   01.03.2024 8:00:10  ann        WS1         Удаленный доступ\n"
              "PC-B.corp  1   01.03.2024 8:00:05  ann        WS1         Удаленный доступ\n"
              "PC-C.corp  1   01.03.2024 8:30:00  carl       WS1         Локальный вход\n");
    run = test::RunInProcess({"logons", "--utc", "--format=json", "--user", "carl", log});
    EXPECT_EQ(run.out,
              "{\"id\":1,\"date\":\"01.03.2024 8:30:00\",\"user\":\"carl\",\"from\":\"WS1\",\"type\":\"Локальный вход\","
              "\"time\":\"2024-03-01T08:30:00Z\",\"computer\":\"PC-C.corp\",\"record_id\":1,\"logon_type\":2}\n");
    // C's logoff of 0x11 ends none of A's sessions; B's boot ends B's alone.
    run = test::RunInProcess({"last", "--utc", "--types=all", log});
    EXPECT_EQ(run.out,
              "Computer   User  From  Type         Start               End                  Duration\n"
              "PC-C.corp  carl  WS1   Interactive  01.03.2024 8:30:00  no logoff in log\n"
              "PC-A.corp  ann   WS1   Network      01.03.2024 8:00:10  no logoff in log\n"
              "PC-B.corp  ann   WS1   Network      01.03.2024 8:00:05  crash                (0:59)\n"
              "PC-A.corp  ann   WS1   Network      01.03.2024 8:00:00  01.03.2024 10:00:00  (2:00)\n");
    EXPECT_EQ(run.err, "");
    // One computer: the list as it always was, unless the column is asked for.
    const std::string one = test::RunInProcess({"logons", "--utc", "--format=csv", "--user=carl", log}).out;
    EXPECT_EQ(one, "Date;User Name;Logon From;Connection Type\r\n01.03.2024 8:30:00;carl;WS1;Локальный вход\r\n");
    EXPECT_EQ(test::RunInProcess({"logons", "--utc", "--format=csv", "--user=carl", "--computer-column", log}).out,
              "Computer;Date;User Name;Logon From;Connection Type\r\n"
              "PC-C.corp;01.03.2024 8:30:00;carl;WS1;Локальный вход\r\n");
}

// The row cap ends a computer's scan in that log alone: its next log is
// scanned anew.
TEST(Fleet, TheRowCapEndsTheScanOfOneLogAlone)
{
    const std::filesystem::path capped = evtx::test::TempPath("fleet-capped");
    {
        evtx::Error error;
        auto writer = evtx::Writer::Create(capped, error);
        evtx::WriterEvent e = Logon("PC-A.corp", 0, "00:00:00", "ann", "0x10", "3");
        e.record.strings.resize(19);  // up to the address, the last string logons reads
        // Well past the cap: the chunks in flight when it is reached are not all.
        for (std::uint64_t n = 1; n <= seclog::MaxScanRows + 20000; ++n) {
            e.record.recordId = n;
            e.record.timeCreated = e.record.timeWritten += 21;  // no two collapse
            ASSERT_TRUE(writer->Add(e, error)) << error.message;
        }
        ASSERT_TRUE(writer->Close(error)) << error.message;
    }
    const std::string a = test::PathText(capped);
    const std::string b = test::PathText(evtx::test::WriteLog("fleet-next", {Logon("PC-A.corp", 200000, "23:00:00", "bob", "0x10", "3")}));
    const test::Outcome run = test::RunInProcess({"logons", "--utc", "--format=csv", "--jobs=2", a, b});
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 1 + seclog::MaxScanRows + 1);
    EXPECT_TRUE(run.out.ends_with(";bob;WS1;Удаленный доступ\r\n"));
    EXPECT_EQ(run.err, "tavelin: " + a + ": stopped after 100000 rows of PC-A.corp, the program's limit\n");
}

// Live logs of computers: one slow to answer, one that cannot be read.
class FakeComputers final : public seclog::RecordSourceOpener {
public:
    std::unique_ptr<seclog::RecordSource> Open(const std::string& server, const std::string&,
                                               std::uint32_t& error) override
    {
        if (server == "SLOW")
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
        if (server == "DOWN") {
            error = 1722;
            return nullptr;
        }
        auto log = std::make_shared<seclog::MemoryLog>();
        seclog::LegacyRecord record;
        record.recordNumber = 7;
        record.timeGenerated = 1709280000;
        record.eventId = 4624;
        record.computerName = server;
        record.strings = {"S-1-5-18", "-", "-", "0x3e7", "S-1-5-21-1", "ann", "CORP", "0x10", "3", "NtLmSsp ",
                          "NTLM", "WS1"};
        log->Add(record);
        return std::make_unique<seclog::MemorySource>(log);
    }
};

TEST(Fleet, ComputersAreReadSideBySideInTheOrderOfTheList)
{
    FakeComputers computers;
    Platform platform = test::TestPlatform();
    platform.liveLogs = &computers;
    const std::filesystem::path folder = test::ScratchFolder("computers");
    std::ofstream(folder / "list.txt") << "# the branch office\r\n\r\n  FAST  # answers at once\r\nSLOW\r\n";
    const std::string list = test::PathText(folder / "list.txt");
    const std::string rows = "Computer  ID  Date                User Name  Logon From  Connection Type\n"
                             "SLOW      7   01.03.2024 8:00:00  ann        WS1         Удаленный доступ\n"
                             "FAST      7   01.03.2024 8:00:00  ann        WS1         Удаленный доступ\n";
    for (const char* jobs : {"1", "3"}) {
        const test::Outcome run =
            test::RunInProcess({"logons", "--computer", "SLOW,DOWN", "--computers", list, "--jobs", jobs}, platform);
        EXPECT_EQ(run.out, rows) << jobs;
        // SLOW named twice is read once.
        EXPECT_EQ(run.err, "tavelin: DOWN: error 1722\n"
                           "tavelin: 1 record read before from another input was passed over: 1 in SLOW\n")
            << jobs;
        EXPECT_EQ(run.status, kExitFailed) << jobs;
    }
    const test::Outcome missing = test::RunInProcess({"last", "--computers", test::PathText(folder / "none.txt")}, platform);
    EXPECT_EQ(missing.err, "tavelin: " + test::PathText(folder / "none.txt") + ": cannot read the list of computers\n");
    EXPECT_EQ(missing.status, kExitFailed);
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace tav::cli
