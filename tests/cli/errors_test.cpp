// Every way the tool refuses or fails: the line it writes on standard error
// and its exit status; inputs that can be read are still read.
#include <gtest/gtest.h>

#include <fstream>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "cli_test_support.h"
#include "version.h"
#include "evtx/reader.h"
#include "seclog/memory_source.h"

namespace tav::cli {
namespace {

using test::RunInProcess;

const std::string kUsageHint = "Try 'tavelin --help' for more information.\n";
const std::string kNoLogons = "ID  Date  User Name  Logon From  Connection Type\n";

TEST(Errors, UsageErrorsExitWithStatusTwoAndWriteNoRows)
{
    const struct {
        std::vector<std::string> args;
        const char* error;
    } cases[] = {
        {{"--bogus", "logons", "f.evtx"}, "unknown option '--bogus'"},
        {{"bogus"}, "unknown command 'bogus'"},
        {{}, "no command given"},
        {{"logons"}, "logons needs at least one .evtx file"},
        {{"record", test::SampleSecurityLog()}, "record needs a file and a record number"},
        {{"record", test::SampleSecurityLog(), "x1"}, "'x1' is not a record number"},
        {{"logons", "--since", "yesterday", "f.evtx"},
         "--since: 'yesterday' is not a date (YYYY-MM-DD or YYYY-MM-DDTHH:MM[:SS])"},
        {{"sessions", "f.evtx", "--encoding", "437"}, "--encoding: '437' is none of utf-8, 1251, 866, 1252"},
        {{"logons", "f.evtx", "--computer", "DC01"},
         "--computer reads the event log of a Windows computer: it works on Windows only"},
    };
    for (const auto& c : cases) {
        const test::Outcome run = RunInProcess(c.args);
        EXPECT_EQ(run.status, kExitUsage) << c.error;
        EXPECT_EQ(run.err, "tavelin: " + std::string(c.error) + "\n" + kUsageHint);
        EXPECT_EQ(run.out, "");
    }
    const test::Outcome help = RunInProcess({"-h"});
    EXPECT_EQ(help.status, kExitOk);
    EXPECT_EQ(help.out.rfind("Usage: tavelin COMMAND", 0), 0u);
    EXPECT_EQ(help.out.find("--local"), std::string::npos);
    EXPECT_EQ(RunInProcess({"--version"}).out, "tavelin " TAVELIN_VERSION_TEXT "\n");
}

TEST(Errors, InputsThatCannotBeReadExitWithStatusOneAfterTheOthers)
{
    const std::filesystem::path folder = test::ScratchFolder("errors");
    const std::string missing = test::PathText(folder / "missing.evtx");
    const std::string text = test::PathText(folder / "notes.txt");
    std::ofstream(folder / "notes.txt") << std::string(20, '-') + " not an event log " + std::string(200, '-');
    const std::string shortFile = test::PathText(folder / "short.evtx");
    std::ofstream(folder / "short.evtx") << "ElfFile";

    test::Outcome run = RunInProcess({"logons", missing, test::SampleSecurityLog(), text, test::PathText(folder),
                                      shortFile, "--since", "2023-11-05"});
    EXPECT_EQ(run.status, kExitFailed);
    EXPECT_EQ(run.err, "tavelin: " + missing + ": missing.evtx does not exist.\n" +
                           "tavelin: " + text + ": notes.txt is not an event log file (.evtx).\n" +
                           "tavelin: " + shortFile + ": short.evtx is too short to be an event log file (.evtx).\n" +
                           "tavelin: " + shortFile + ": short.evtx is too short to be an event log file (.evtx).\n");
    EXPECT_EQ(run.out,
              "ID     Date                User Name  Logon From   Connection Type\n"
              "48463  05.11.2023 6:30:00  j.smith    HR-LAPTOP12  Удаленный доступ\n"
              "48462  05.11.2023 5:30:00  j.smith    HR-LAPTOP12  Удаленный доступ\n");

    run = RunInProcess({"sessions", "--format=json", text, test::SampleSessionLog(), "--since=2023-11-05T06:00"});
    EXPECT_EQ(run.status, kExitFailed);
    EXPECT_EQ(run.err, "tavelin: " + text + ": notes.txt is not an event log file (.evtx).\n");
    EXPECT_EQ(run.out.substr(0, run.out.find(",\"time\"")), "{\"date\":\"05.11.2023 6:30:05\",\"user\":\"CORP\\\\j.smith\",\"address\":\"2001:db8:10::25\"");

    run = RunInProcess({"record", missing, "1"});
    EXPECT_EQ(run.status, kExitFailed);
    EXPECT_EQ(run.err, "tavelin: " + missing + ": missing.evtx does not exist.\n");
    run = RunInProcess({"record", test::SampleSecurityLog(), "48210", "--format", "csv"});
    EXPECT_EQ(run.status, kExitFailed);
    EXPECT_EQ(run.err, "tavelin: " + test::SampleSecurityLog() + ": there is no record number 48210\n");
    EXPECT_EQ(run.out, "");
    std::filesystem::remove_all(folder);
}

std::string Bytes(const std::string& path)
{
    std::ifstream in(std::filesystem::u8path(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// What a responder must be told: an edited record, a copy read beside its
// log, a log of another kind; said once at the end, the rows unchanged.
TEST(Errors, EditsCopiesAndWrongKindsAreSaid)
{
    const std::filesystem::path folder = test::ScratchFolder("told");
    const std::string original = Bytes(test::SampleSecurityLog());
    // One letter of a workstation name changed, the checksum left as it was.
    const std::string name = {'H', 0, 'R', 0, '-', 0, 'L', 0, 'A', 0, 'P', 0};
    std::string edited = original;
    edited[edited.rfind(name)] = 'X';
    std::ofstream(folder / "edited.evtx", std::ios::binary) << edited;
    const std::string editedLog = test::PathText(folder / "edited.evtx");
    test::Outcome run = RunInProcess({"logons", editedLog, "--since", "2023-11-05"});
    EXPECT_EQ(run.status, kExitOk);
    EXPECT_NE(run.out.find("XR-LAPTOP12"), std::string::npos);
    EXPECT_EQ(run.err, "tavelin: " + editedLog + ": 1 chunk failed its data checksum and was read anyway\n");

    // The log and its backup copy in one folder: every row once, whatever the threads.
    std::filesystem::create_directories(folder / "case");
    std::filesystem::copy_file(test::SampleSecurityLog(), folder / "case" / "a.evtx");
    std::filesystem::copy_file(test::SampleSecurityLog(), folder / "case" / "b-backup.evtx");
    const std::string alone = RunInProcess({"last", test::SampleSecurityLog()}).out;
    for (const char* jobs : {"1", "2"}) {
        run = RunInProcess({"last", test::PathText(folder / "case"), "--jobs", jobs});
        EXPECT_EQ(run.out, alone);
        EXPECT_EQ(run.err, "tavelin: 138 records read before from another input were passed over: 138 in " +
                               test::PathText(folder / "case" / "b-backup.evtx") + "\n");
    }
    EXPECT_EQ(RunInProcess({"lastb", "--summary", test::SampleSecurityLog(), test::SampleSecurityLog()}).out,
              RunInProcess({"lastb", "--summary", test::SampleSecurityLog()}).out);

    // Each command names what a log of another kind is, and who reads it.
    const struct {
        std::vector<std::string> args;
        std::string log;
        const char* hint;
    } kinds[] = {
        {{"last"}, test::SampleSessionLog(),
         " is a Microsoft-Windows-TerminalServices-LocalSessionManager/Operational log and holds no Security logon "
         "events; try 'tavelin sessions'"},
        {{"sessions"}, test::SampleSecurityLog(),
         " is a Security log and holds no Remote Desktop session logons (event 21); try 'tavelin last'"},
        {{"report", "-o", "-"}, test::SampleSessionLog(), nullptr},  // its Remote Desktop sessions are on the page
        {{"rdp"}, test::SampleSecurityLog(), nullptr},
        {{"lastb"}, test::SampleSecurityLog(), nullptr},
    };
    for (const auto& kind : kinds) {
        std::vector<std::string> args = kind.args;
        args.push_back(kind.log);
        run = RunInProcess(args);
        EXPECT_EQ(run.status, kExitOk);
        EXPECT_EQ(run.err, kind.hint ? "tavelin: " + kind.log + kind.hint + "\n" : "") << args.front();
    }
}

TEST(Errors, DamagedCopiesGiveWhatCanStillBeRead)
{
    const std::filesystem::path folder = test::ScratchFolder("damaged");
    const std::string original = Bytes(test::SampleSecurityLog());
    ASSERT_EQ(original.size(), evtx::kFileHeaderSize + 3 * evtx::kChunkSize);
    const auto copy = [&](const std::string& name, const std::string& bytes) {
        std::ofstream(folder / name, std::ios::binary) << bytes;
        return test::PathText(folder / name);
    };
    // Cut in the middle of the last chunk: its records up to the cut are
    // read, the last two logons of November are not.
    const std::string cut = copy("cut.evtx", original.substr(0, evtx::kFileHeaderSize + 2 * evtx::kChunkSize + 50000));
    test::Outcome run = RunInProcess({"logons", cut, "--since", "2023-06-01"});
    EXPECT_EQ(run.status, kExitOk);
    EXPECT_EQ(run.err, "tavelin: " + cut +
                           ": the file ends inside chunk 3 (cut short?); 1 chunk failed its data checksum and was read "
                           "anyway; 1 record could not be decoded and was skipped\n");
    EXPECT_EQ(run.out,
              "ID     Date                 User Name   Logon From  Connection Type\n"
              "48446  29.10.2023 1:30:00   Петров      FIN-WS07    Локальный вход\n"
              "48442  29.10.2023 0:30:00   Петров      FIN-WS07    Локальный вход\n"
              "48411  14.07.2023 8:15:00   Смирнова.О  FIN-WS07    Локальный вход\n"
              "48399  01.06.2023 12:00:00  m.garcia    DEV-PC03    Удаленный доступ\n");
    // The first chunk overwritten (February's logons): the other two are read.
    std::string garbage = original;
    for (std::size_t i = evtx::kFileHeaderSize + 600; i < evtx::kFileHeaderSize + evtx::kChunkSize; i += 7)
        garbage[i] = static_cast<char>(0xA5);
    run = RunInProcess({"logons", copy("garbage.evtx", garbage), "--until", "2023-02-09", "--format", "json"});
    EXPECT_EQ(run.status, kExitOk);
    EXPECT_EQ(run.out, "");
    run = RunInProcess({"logons", copy("garbage2.evtx", garbage), "--since", "2023-07-14", "--format", "csv"});
    EXPECT_EQ(run.out,
              "Date;User Name;Logon From;Connection Type\r\n"
              "05.11.2023 6:30:00;j.smith;HR-LAPTOP12;Удаленный доступ\r\n"
              "05.11.2023 5:30:00;j.smith;HR-LAPTOP12;Удаленный доступ\r\n"
              "29.10.2023 1:30:00;Петров;FIN-WS07;Локальный вход\r\n"
              "29.10.2023 0:30:00;Петров;FIN-WS07;Локальный вход\r\n"
              "14.07.2023 8:15:00;Смирнова.О;FIN-WS07;Локальный вход\r\n");
    // No file header: no event log file at all.
    std::string headless = original;
    headless.replace(0, 8, "NotAFile");
    run = RunInProcess({"sessions", copy("headless.evtx", headless)});
    EXPECT_EQ(run.status, kExitFailed);
    EXPECT_EQ(run.err, "tavelin: " + test::PathText(folder / "headless.evtx") +
                           ": headless.evtx is not an event log file (.evtx).\n");
    run = RunInProcess({"record", copy("short.evtx", original.substr(0, 100)), "1"});
    EXPECT_EQ(run.status, kExitFailed);
    EXPECT_EQ(run.err, "tavelin: " + test::PathText(folder / "short.evtx") +
                           ": short.evtx is too short to be an event log file (.evtx).\n");
    std::filesystem::remove_all(folder);
}

TEST(Errors, ALiveLogThatFailsIsReportedByItsComputer)
{
    auto log = std::make_shared<seclog::MemoryLog>();
    seclog::LegacyRecord record;
    record.recordNumber = 7;
    record.eventId = 4624;
    log->Add(record);
    seclog::MemorySourceOpener opener(log);
    opener.Refuse("DC01", 53);
    Platform platform = test::TestPlatform();
    platform.liveLogs = &opener;

    test::Outcome run = RunInProcess({"logons", "--computer", "DC01"}, platform);
    EXPECT_EQ(run.status, kExitFailed);
    EXPECT_EQ(run.err, "tavelin: DC01: error 53\n");
    EXPECT_EQ(run.out, kNoLogons);
    run = RunInProcess({"record", "--computer=DC01", "7"}, platform);
    EXPECT_EQ(run.err, "tavelin: DC01: error 53\n");

    opener.FailRead({1, 30});
    run = RunInProcess({"logons", "--local"}, platform);
    EXPECT_EQ(run.status, kExitFailed);
    EXPECT_EQ(run.err, "tavelin: this computer: error 30\n");
    run = RunInProcess({"record", "--local", "7"}, platform);
    EXPECT_EQ(run.status, kExitFailed);
    EXPECT_EQ(run.err, "tavelin: this computer: error 30\n");
    EXPECT_EQ(opener.Opens(), opener.Closes());
    EXPECT_NE(RunInProcess({"--help"}, platform).out.find("--computer NAME"), std::string::npos);
}

TEST(Errors, ARecordTheScanCannotTakeEndsItsInput)
{
    // Bytes that are no record, where the live log's newest record should be.
    auto log = std::make_shared<seclog::MemoryLog>();
    const std::uint8_t garbage[] = {0x10, 0, 0, 0, 'L', 'f', 'L', 'e', 0, 0, 0, 0};
    log->AddRaw(garbage);
    seclog::MemorySourceOpener opener(log);
    Platform platform = test::TestPlatform();
    platform.liveLogs = &opener;
    test::Outcome run = RunInProcess({"logons", "--local"}, platform);
    EXPECT_EQ(run.status, kExitFailed);
    EXPECT_EQ(run.err, "tavelin: this computer: error 1500\n");

    // A date form whose text does not parse back, as the program meets it.
    platform = test::TestPlatform();
    platform.formats.longTime = "tt";  // a designator alone gives no time to read back
    run = RunInProcess({"logons", test::SampleSecurityLog()}, platform);
    EXPECT_EQ(run.status, kExitFailed);
    EXPECT_EQ(run.err, "tavelin: " + test::SampleSecurityLog() + ": '05.11.2023 AM' is not a valid date and time\n");
    EXPECT_EQ(run.out, kNoLogons);
}

}  // namespace
}  // namespace tav::cli

namespace tav::cli {
namespace {

// The page never replaces an input, appears whole or not at all, and says
// which inputs it could not read.
TEST(ReportPage, NeverOverAnInputAndWholeOrNotAtAll)
{
    const std::filesystem::path folder = test::ScratchFolder("page");
    const std::filesystem::path log = folder / "ev.evtx";
    std::filesystem::copy_file(test::SampleSecurityLog(), log);
    const std::string logText = test::PathText(log);
    const std::string original = Bytes(logText);
    std::error_code noLinks;
    std::filesystem::create_symlink(log, folder / "link.html", noLinks);
    const struct {
        std::string output;
        std::string error;
    } refused[] = {
        {logText, logText + ": the page would replace an event log (.evtx); name an .html file"},
        {test::PathText(folder / "new.EVTX"), test::PathText(folder / "new.EVTX") +
                                                  ": the page would replace an event log (.evtx); name an .html file"},
        {test::PathText(folder), test::PathText(folder) + ": is a folder; name an .html file in it"},
        {test::PathText(folder / "." / "sub" / ".." / "link.html"),
         noLinks ? "" : test::PathText(folder / "." / "sub" / ".." / "link.html") + ": is an input (" + logText +
                            "); the page would replace it"},
    };
    std::filesystem::create_directories(folder / "sub");
    for (const auto& r : refused) {
        if (r.error.empty())
            continue;
        const test::Outcome run = RunInProcess({"report", logText, "-o", r.output});
        EXPECT_EQ(run.status, kExitUsage) << r.output;
        EXPECT_EQ(run.err, "tavelin: " + r.error + "\n");
    }
    EXPECT_EQ(Bytes(logText), original);

    // Written beside the target, then renamed: nothing else is left.
    const std::string page = test::PathText(folder / "page.html");
    std::ofstream(folder / "page.html") << "the page of yesterday";
    test::Outcome run = RunInProcess({"report", logText, test::PathText(folder / "missing.evtx"), "-o", page});
    EXPECT_EQ(run.status, kExitFailed);
    const std::string html = Bytes(page);
    EXPECT_EQ(html.rfind("<!DOCTYPE html>", 0), 0u);
    EXPECT_NE(html.find("missing.evtx does not exist."), std::string::npos);  // among the inputs not read
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        files += entry.is_regular_file() && !entry.is_symlink() ? 1 : 0;
    EXPECT_EQ(files, 2u);  // the log and the page
    // A device or a pipe is written into: renamed over, it would become a file.
#ifdef _WIN32
    run = RunInProcess({"report", logText, "-o", "NUL"});
    EXPECT_EQ(run.status, kExitOk) << run.err;
#else
    const std::filesystem::path fifo = folder / "pipe.html";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // Room for the whole page: the run does not wait for this reader.
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(::fcntl(reader, F_SETPIPE_SZ, 1 << 20), 1 << 20);
    run = RunInProcess({"report", logText, "-o", test::PathText(fifo)});
    std::string piped(1 << 20, '\0');
    piped.resize(static_cast<std::size_t>(std::max<ssize_t>(::read(reader, piped.data(), piped.size()), 0)));
    ::close(reader);
    EXPECT_EQ(run.status, kExitOk) << run.err;
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
    EXPECT_EQ(piped.rfind("<!DOCTYPE html>", 0), 0u);
    EXPECT_EQ(piped.substr(piped.size() - 8), "</html>\n");
#endif
    // To standard output with -o -; a folder that is not there: nothing written.
    run = RunInProcess({"report", logText, "-o", "-"});
    EXPECT_EQ(run.status, kExitOk);
    EXPECT_EQ(run.out.rfind("<!DOCTYPE html>", 0), 0u);
    EXPECT_EQ(run.out.substr(run.out.size() - 8), "</html>\n");
    run = RunInProcess({"report", logText, "-o", test::PathText(folder / "gone" / "p.html")});
    EXPECT_EQ(run.status, kExitFailed);
    EXPECT_EQ(run.err.rfind("tavelin: cannot write the page: " + test::PathText(folder / "gone" / "p.html") + ": ", 0),
              0u);
    EXPECT_FALSE(std::filesystem::exists(folder / "gone"));
    // No input read: no page.
    run = RunInProcess({"report", test::PathText(folder / "missing.evtx"), "-o", test::PathText(folder / "none.html")});
    EXPECT_EQ(run.status, kExitFailed);
    EXPECT_FALSE(std::filesystem::exists(folder / "none.html"));
}

}  // namespace
}  // namespace tav::cli
