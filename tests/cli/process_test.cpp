// The built tool run as a process: its exit status, standard output and
// standard error apart, the time zone from TZ, and the sample logs the
// build writes.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <fstream>

#include "cli_test_support.h"

namespace tav::cli {
namespace {

// Runs the tool with `arguments` (quoted for the shell) under `environment`,
// its standard output through `pipe` when given.
test::Outcome RunProcess(const std::string& environment, const std::vector<std::string>& arguments,
                         const std::string& pipeTo = {})
{
    const std::filesystem::path errFile = tav::test::ScratchRoot() / "cli.err";
    std::string command = environment + " '" TAVELIN_TOOL "'";
    for (const std::string& argument : arguments)
        command += " '" + argument + "'";
    command += " 2>'" + errFile.string() + "'" + pipeTo;
    test::Outcome outcome;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return outcome;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        outcome.out.append(buffer, n);
    const int status = pclose(pipe);
    outcome.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream err(errFile);
    outcome.err.assign(std::istreambuf_iterator<char>(err), std::istreambuf_iterator<char>());
    std::filesystem::remove(errFile);
    return outcome;
}

std::string Bytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(ToolProcess, TheBuildsSampleLogsAreTheSampleLogs)
{
    for (const char* name : {sample::kSampleSecurityLog, sample::kSampleSessionLog}) {
        const std::string built = Bytes(std::filesystem::path(TAVELIN_BUILD_SAMPLE_DIR) / name);
        EXPECT_FALSE(built.empty()) << name;
        EXPECT_TRUE(built == Bytes(test::SampleFolder() / name)) << name;
    }
}

TEST(ToolProcess, RowsOnStandardOutputInLocalTimeByTz)
{
    const std::string security = std::string(TAVELIN_BUILD_SAMPLE_DIR) + "/" + sample::kSampleSecurityLog;
    test::Outcome run = RunProcess("TZ=UTC", {"logons", security});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, test::RunInProcess({"logons", test::SampleSecurityLog()}).out);
    run = RunProcess("TZ=EST5EDT,M3.2.0,M11.1.0", {"logons", "--format", "csv", "--since", "2023-11-01", security});
    EXPECT_EQ(run.out,
              "Date;User Name;Logon From;Connection Type\r\n"
              "05.11.2023 1:30:00;j.smith;HR-LAPTOP12;Удаленный доступ\r\n");
    run = RunProcess("TZ=EST5EDT,M3.2.0,M11.1.0",
                     {"sessions", "--utc", "--since", "2023-11-05T06:00", "--format=json",
                      std::string(TAVELIN_BUILD_SAMPLE_DIR) + "/" + sample::kSampleSessionLog});
    EXPECT_EQ(run.out, "{\"date\":\"05.11.2023 6:30:05\",\"user\":\"CORP\\\\j.smith\",\"address\":\"2001:db8:10::25\","
                       "\"time\":\"2023-11-05T06:30:05Z\",\"computer\":\"FIN-WS07.corp.example.com\",\"record_id\":1746}\n");
}

TEST(ToolProcess, AFullDiskIsSaidAndAReaderThatStopsIsNot)
{
    const std::string security = std::string(TAVELIN_BUILD_SAMPLE_DIR) + "/" + sample::kSampleSecurityLog;
    test::Outcome run = RunProcess("exec >/dev/full;", {"last", security});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "tavelin: cannot write the output: No space left on device\n");
    run = RunProcess("", {"last", security, "--format", "json"}, " | head -c 10");
    EXPECT_EQ(run.out, "{\"record_i");
    EXPECT_EQ(run.err, "");
}

TEST(ToolProcess, ExitStatusAndErrorsOnStandardError)
{
    test::Outcome run = RunProcess("", {"logons", "/nonexistent/Security.evtx"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "tavelin: /nonexistent/Security.evtx: Security.evtx does not exist.\n");
    EXPECT_EQ(run.out, "ID  Date  User Name  Logon From  Connection Type\n");
    run = RunProcess("", {"logons", "--format", "yaml", "x.evtx"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "tavelin: --format: 'yaml' is none of table, csv, json\n"
                       "Try 'tavelin --help' for more information.\n");
    EXPECT_EQ(run.out, "");
    run = RunProcess("", {"--help"});
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("Exit status: 0 when every input was read"), std::string::npos);
}

}  // namespace
}  // namespace tav::cli
