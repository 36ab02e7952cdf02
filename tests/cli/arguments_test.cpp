// The command line: what each accepted form sets, and the usage error of
// each form that is refused.
#include <gtest/gtest.h>

#include "cli/arguments.h"
#include "cli/inputs.h"
#include "base/iso_date.h"

namespace tav::cli {
namespace {

using Args = std::vector<std::string>;

DateTime Civil(int year, int month, int day, int hour = 0, int minute = 0, int second = 0)
{
    return EncodeDateTime(CivilTime{year, month, day, hour, minute, second}).value();
}

TEST(Arguments, AcceptedFormsSetTheirOptions)
{
    ParsedArguments p = ParseArguments({"logons", "a.evtx", "b.evtx"}, false);
    EXPECT_EQ(p.error, "");
    EXPECT_EQ(p.options.command, Command::Logons);
    EXPECT_EQ(p.options.files, (Args{"a.evtx", "b.evtx"}));
    EXPECT_EQ(p.options.format, OutputFormat::Table);
    EXPECT_FALSE(p.options.codePage || p.options.since || p.options.until || p.options.utc || ReadsLiveLogs(p.options) ||
                 p.options.jobs || p.options.computerColumn);

    p = ParseArguments({"--format=csv", "sessions", "x.evtx", "--encoding", "CP1251", "--utc"}, false);
    EXPECT_EQ(p.options.command, Command::Sessions);
    EXPECT_EQ(p.options.format, OutputFormat::Csv);
    EXPECT_EQ(p.options.codePage, 1251u);
    EXPECT_TRUE(p.options.utc);

    // --until takes in the whole day, or the second, given.
    p = ParseArguments({"logons", "--since", "2023-03-26", "--until=2023-03-27", "f"}, false);
    EXPECT_EQ(p.options.since, Civil(2023, 3, 26));
    EXPECT_EQ(DateTimeToUnixMilliseconds(*p.options.until), DateTimeToUnixMilliseconds(Civil(2023, 3, 28)));
    p = ParseArguments({"logons", "--since", "2023-03-26T01:59", "--until", "2023-03-26 03:00:10", "f"}, false);
    EXPECT_EQ(p.options.since, Civil(2023, 3, 26, 1, 59));
    EXPECT_EQ(DateTimeToUnixMilliseconds(*p.options.until), DateTimeToUnixMilliseconds(Civil(2023, 3, 26, 3, 0, 11)));
    // A minute is taken whole, as a day is; below 1899-12-30 too.
    p = ParseArguments({"logons", "--until", "2023-02-07T08:03", "f"}, false);
    EXPECT_EQ(DateTimeToUnixMilliseconds(*p.options.until), DateTimeToUnixMilliseconds(Civil(2023, 2, 7, 8, 4)));
    p = ParseArguments({"lastb", "--since", "1899-12-29T06:00:00", "--until", "1899-12-29T06:00:00", "f"}, false);
    EXPECT_EQ(p.error, "");
    EXPECT_EQ(DateTimeToUnixMilliseconds(*p.options.until), DateTimeToUnixMilliseconds(Civil(1899, 12, 29, 6, 0, 1)));
    // Option values in any case.
    p = ParseArguments({"report", "f", "-o", "r.html", "--lang", "EN", "--format", "Json"}, false);
    EXPECT_TRUE(p.options.english);
    EXPECT_EQ(p.options.format, OutputFormat::Json);

    p = ParseArguments({"record", "f.evtx", "4294967295", "--format", "json"}, false);
    EXPECT_EQ(p.options.command, Command::Record);
    EXPECT_EQ(p.options.files, Args{"f.evtx"});
    EXPECT_EQ(p.options.recordNumber, 4294967295u);
    EXPECT_EQ(p.options.format, OutputFormat::Json);

    EXPECT_EQ(ParseArguments({"logons", "--", "--odd.evtx", "-"}, false).options.files, (Args{"--odd.evtx", "-"}));
    EXPECT_EQ(ParseArguments({"logons", "-h"}, false).options.command, Command::Help);
    EXPECT_EQ(ParseArguments({"--help", "bogus"}, false).options.command, Command::Help);
    EXPECT_EQ(ParseArguments({"--version"}, false).options.command, Command::Version);
    for (const char* name : {"utf-8", "UTF8", "65001", "866", "windows-1252"})
        EXPECT_TRUE(ParseArguments({"logons", "f", "--format=csv", "--encoding", name}, false).options.codePage) << name;

    p = ParseArguments({"last", "--jobs", "4", "--computer-column", "d"}, false);
    EXPECT_EQ(p.options.jobs, 4u);
    EXPECT_TRUE(p.options.computerColumn);

    // The live logs, where there are some: a blank name is this computer.
    p = ParseArguments({"logons", "--computer", " DC01, ,DC02 ", "--computers", "list.txt"}, true);
    EXPECT_EQ(p.options.computers, (Args{"DC01", "DC02"}));
    EXPECT_EQ(p.options.computersFile, "list.txt");
    EXPECT_TRUE(p.options.files.empty());
    p = ParseArguments({"record", "--local", "5"}, true);
    EXPECT_EQ(p.options.computers, Args{""});
    EXPECT_EQ(p.options.recordNumber, 5u);
    EXPECT_EQ(ParseArguments({"logons", "--computer="}, true).options.computers, Args{""});

    p = ParseArguments({"report", "logs", "-o", "r.html", "--lang=en", "--types", "all", "--all-accounts"}, false);
    EXPECT_EQ(p.error, "");
    EXPECT_EQ(p.options.command, Command::Report);
    EXPECT_EQ(p.options.files, Args{"logs"});
    EXPECT_EQ(p.options.output, "r.html");
    EXPECT_TRUE(p.options.english && p.options.allAccounts);
    EXPECT_FALSE(ParseArguments({"report", "f", "--output", "r.html", "--lang", "ru"}, false).options.english);
}

TEST(ComputerList, NamesOneALineOrByCommasWithoutBlanksAndComments)
{
    EXPECT_EQ(ComputerList("# web servers\r\nWEB1\r\n\r\n  WEB2 # the old one\n\tdb1,db2,, \n#DB3\nlast"),
              (Args{"WEB1", "WEB2", "db1", "db2", "last"}));
    EXPECT_EQ(ComputerList(" \n# none\n"), Args{});
}

TEST(Arguments, RefusedFormsSayWhy)
{
    const struct {
        Args args;
        bool liveLogs;
        const char* error;
    } cases[] = {
        {{}, false, "no command given"},
        {{"--utc"}, false, "no command given"},
        {{"bogus", "f"}, false, "unknown command 'bogus'"},
        {{"logons", "--frobnicate", "f"}, false, "unknown option '--frobnicate'"},
        {{"record", "f", "-5"}, false, "unknown option '-5'"},
        {{"logons", "f", "--format"}, false, "option --format needs a value"},
        {{"--utc=yes", "logons", "f"}, false, "option --utc takes no value"},
        {{"logons", "--format", "xml", "f"}, false, "--format: 'xml' is none of table, csv, json"},
        {{"logons", "--encoding", "koi8-r", "f"}, false, "--encoding: 'koi8-r' is none of utf-8, 1251, 866, 1252"},
        {{"logons", "--since", "2023-02-30", "f"}, false,
         "--since: '2023-02-30' is not a date (YYYY-MM-DD or YYYY-MM-DDTHH:MM[:SS])"},
        {{"logons", "--until", "2023-03-01T25:00", "f"}, false,
         "--until: '2023-03-01T25:00' is not a date (YYYY-MM-DD or YYYY-MM-DDTHH:MM[:SS])"},
        {{"logons", "--since", "2023-03-02", "--until", "2023-03-01", "f"}, false, "--since is not before --until"},
        {{"logons"}, false, "logons needs at least one .evtx file"},
        {{"sessions", "--utc"}, false, "sessions needs at least one .evtx file"},
        {{"record", "f"}, false, "record needs a file and a record number"},
        {{"record", "f", "12x"}, false, "'12x' is not a record number"},
        {{"record", "f", "4294967296"}, false, "'4294967296' is not a record number"},
        {{"record", "f", "1", "--since", "2023-01-01"}, false, "--since works with logons, sessions, last, lastb, report and rdp only"},
        {{"logons", "--computer", "DC01"}, false,
         "--computer reads the event log of a Windows computer: it works on Windows only"},
        {{"logons", "--local", "f"}, true, "logons reads either files or --computer, not both"},
        {{"sessions", "--local", "f"}, true, "--local works with logons, last, lastb, report and record only"},
        {{"record", "--local"}, true, "record needs a record number"},
        {{"record", "--computer", "a,b", "5"}, true, "record reads the log of one computer"},
        {{"logons", "--computers", "l"}, false,
         "--computers reads the event log of a Windows computer: it works on Windows only"},
        {{"logons", "--jobs", "0", "f"}, false, "--jobs: '0' is not a number of threads from 1 to 256"},
        {{"logons", "--jobs=257", "f"}, false, "--jobs: '257' is not a number of threads from 1 to 256"},
        {{"record", "--computer-column", "f", "1"}, false,
         "--computer-column works with logons, sessions, last, lastb and rdp only"},
        {{"report", "f"}, false, "report needs -o FILE.html"},
        {{"report", "-o", "r.html"}, false, "report needs at least one .evtx file"},
        {{"report", "-o", "r.html", "--lang", "de", "f"}, false, "--lang: 'de' is neither ru nor en"},
        {{"report", "-o=", "f"}, false, "unknown option '-o='"},
        {{"report", "--output=", "f"}, false, "--output needs a file name"},
        {{"last", "-o", "r.html", "f"}, false, "-o works with report only"},
        {{"lastb", "--lang", "en", "f"}, false, "--lang works with report only"},
        {{"sessions", "--user", "ann", "f"}, false, "--user works with logons, last, lastb, report and rdp only"},
        {{"lastb", "--all-accounts", "f"}, false, "--all-accounts works with last and report only"},
        {{"last", "--encoding", "1252", "f"}, false, "--encoding works with --format csv only"},
        {{"lastb", "--format", "json", "--encoding", "utf-8", "f"}, false, "--encoding works with --format csv only"},
        {{"report", "-o", "r.html", "--encoding", "1251", "f"}, false, "--encoding works with --format csv only"},
        {{"last", "--user", "", "f"}, false, "--user needs a name"},
        {{"lastb", "--from=", "f"}, false, "--from needs a name"},
        {{"last", "--types", "0", "f"}, false, "--types: '0' is not a list of logon types from 2 to 13 (such as 2,10) or all"},
        {{"last", "--types", "2,99", "f"}, false,
         "--types: '2,99' is not a list of logon types from 2 to 13 (such as 2,10) or all"},
    };
    for (const auto& c : cases) {
        std::string joined;
        for (const std::string& a : c.args)
            joined += a + " ";
        EXPECT_EQ(ParseArguments(c.args, c.liveLogs).error, c.error) << joined;
    }
}

TEST(IsoDate, DatesAndTimesOfTheCalendarOnly)
{
    EXPECT_EQ(ParseIsoDate("2024-02-29")->value, Civil(2024, 2, 29));
    EXPECT_EQ(ParseIsoDate("2024-02-29")->span, 86400000);
    EXPECT_EQ(ParseIsoDate("2023-10-29T02:30")->value, Civil(2023, 10, 29, 2, 30));
    EXPECT_EQ(ParseIsoDate("1601-01-01 23:59:59")->value, Civil(1601, 1, 1, 23, 59, 59));
    EXPECT_EQ(ParseIsoDate("2023-10-29T02:30:00")->span, 1000);
    EXPECT_EQ(ParseIsoDate("2023-10-29T02:30")->span, 60000);
    for (const char* bad : {"", "2023", "2023-1-05", "2023-02-29", "0000-01-01", "2023-01-01T", "2023-01-01T7:00",
                            "2023-01-01T07:00:", "2023-01-01T07:00:00Z", "2023-01-01x", "+2023-01-01",
                            "2023-01-01T24:00", "2023-01-01T12:60", "２０２３-01-01"})
        EXPECT_FALSE(ParseIsoDate(bad)) << bad;
}

}  // namespace
}  // namespace tav::cli
