// The page: every text of a log inside it stays text, whatever it holds,
// and reaches the page's data with its control characters escaped.
#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "base/json_string.h"
#include "report/report.h"

namespace tav::report {
namespace {

TEST(ReportHtml, LogTextCannotBecomeMarkup)
{
    const char* kNames[] = {
        "<img src=x onerror=alert(1)>",
        "</script><script>alert(1)</script>",
        "<!--",
        "a&b",
        "line\xE2\x80\xA8" "break\xE2\x80\xA9",  // U+2028 and U+2029 end a line in older script
    };
    for (const char* name : kNames) {
        ReportInput in;
        in.inputs = {name};
        in.computers = {name};
        in.lanes = {name};
        SessionRow row;
        row.user = row.from = name;
        in.sessionRows = {row};
        in.failureRows = {{name, name, name, name, name, 0}};
        in.rdpLanes = {{name, name}};
        RdpRow rdp;
        rdp.computer = rdp.user = rdp.from = rdp.client = rdp.addresses = name;
        rdp.bars = {{name, name, "", "", "", name, 0, 0, false}};
        in.rdpRows = {rdp};
        const std::string page = ReportHtml(in);
        EXPECT_EQ(page.find(name), std::string::npos) << name;
        EXPECT_EQ(page.find("{{"), std::string::npos);
    }
}

TEST(ReportHtml, JsonStringsForAScript)
{
    const struct {
        const char* text;
        const char* plain;
        const char* inScript;
    } kCases[] = {
        {"a<b>&c", "\"a<b>&c\"", "\"a\\u003cb\\u003e\\u0026c\""},
        {"\xE2\x80\xA8\xE2\x80\xA9", "\"\xE2\x80\xA8\xE2\x80\xA9\"", "\"\\u2028\\u2029\""},
        {"\"\\\x01", "\"\\\"\\\\\\u0001\"", "\"\\\"\\\\\\u0001\""},
        {"Петров", "\"Петров\"", "\"Петров\""},
    };
    for (const auto& c : kCases) {
        std::string plain, inScript;
        AppendJsonString(plain, c.text);
        AppendJsonString(inScript, c.text, true);
        EXPECT_EQ(plain, c.plain);
        EXPECT_EQ(inScript, c.inScript);
    }
}

// The JSON of the page's data.
std::string Data(const std::string& page)
{
    const std::string open = "<script type=\"application/json\" id=\"data\">";
    const std::size_t start = page.find(open) + open.size();
    return page.substr(start, page.find("</script>", start) - start);
}

std::size_t Count(std::string_view text, std::string_view part)
{
    std::size_t n = 0;
    for (std::size_t at = 0; (at = text.find(part, at)) != std::string_view::npos; at += part.size())
        ++n;
    return n;
}

// Every text of a log, and the names of inputs, as the terminal shows them:
// the JSON holds the escape's backslash, not the character.
TEST(ReportHtml, LogTextWithControlsShownEscaped)
{
    const struct {
        const char* text;
        const char* inData;  // as a JSON string holds it
        const char* raw;     // how the JSON would hold the character itself
    } kCases[] = {
        {"\x1b[31mred\x1b[0m", R"(\\x1b[31mred\\x1b[0m)", R"(\u001b)"},
        {"two\nlines", R"(two\\nlines)", R"(two\n)"},
        {"abc\xE2\x80\xAE" "def", R"(abc\\u202edef)", "\xE2\x80\xAE"},
        {"line\xE2\x80\xA8" "sep", R"(line\\u2028sep)", R"(line\u2028)"},
        {"c1\xC2\x85" "del\x7F", R"(c1\\x85del\\x7f)", "\xC2\x85"},
        {"CORP\\j.smith", R"(CORP\\j.smith)", R"(CORP\\\\)"},  // a backslash stays one
    };
    constexpr std::size_t kPlaces = 16;  // each field below that holds the text
    for (const auto& c : kCases) {
        const std::string t = c.text;
        ReportInput in;
        in.inputs = {t};
        in.computers = {t};
        in.unread = {{t, t}};
        in.notices = {t};
        in.zone = t;
        in.lanes = {t};
        SessionRow row;
        row.user = row.from = t;
        in.sessionRows = {row};
        in.failureRows = {{"1.1.2024 0:00:00", t, t, "Network", t, 0}};
        SourceRow source;
        source.from = source.topReason = source.topUsers = t;
        in.summary = {source};
        in.series.sources = {t};
        const std::string data = Data(ReportHtml(in));
        EXPECT_EQ(Count(data, c.inData), kPlaces) << c.text << "\n" << data;
        EXPECT_EQ(Count(data, c.raw), 0u) << c.text;
    }
}

// Rows of sessions, failed logons and sources go as arrays, each beside the
// names of its fields in their order: the page reads a field by its name.
TEST(ReportHtml, RowsBesideTheNamesOfTheirFields)
{
    ReportInput in;
    in.sessionRows = {{"u", "f", "Interactive", "s", "e", "d", 10, 20, sessions::EndReason::Shutdown, 2, 1, true}};
    in.failureRows = {{"t", "u", "f", "Network", "wrong password", 30}};
    in.summary = {{"f", 4, 3, "a", "b", "unknown user", "x, y", 40, 50}};
    const std::string data = Data(ReportHtml(in));
    for (const char* rows : {
             R"("sessionFields":["user","from","type","start","end","duration","startAt","endAt","reason","logonType",)"
             R"("lane","listed"],"sessions":[["u","f","Interactive","s","e","d",10,20,"shutdown",2,1,1]])",
             R"("failureFields":["time","user","from","type","reason","at"],)"
             R"("failures":[["t","u","f","Network","wrong password",30]])",
             R"("summaryFields":["from","attempts","users","first","last","topReason","topUsers","firstAt","lastAt"],)"
             R"("summary":[["f",4,3,"a","b","unknown user","x, y",40,50]])",
         })
        EXPECT_NE(data.find(rows), std::string::npos) << rows << "\n" << data;
}

// Remote Desktop rows too, their connections rows inside them beside names
// of their own; their texts of logs shown escaped.
TEST(ReportHtml, RemoteDesktopRowsAndTheirConnections)
{
    ReportInput in;
    in.rdpSessions = 1;
    in.rdpLanes = {{"CORP\\ann\x1b", "TS1"}};
    in.rdpRows = {{"TS1", "CORP\\ann\x1b", "2", "10.0.0.1", "PC\n1", "1", "2", "(0:50)", "(0:10)", "a, b", 2, 3000, 600,
                   10, 20, "logoff", 0, true,
                   {{"10.0.0.1", "PC\n1", "0", "1", "2", "taken over by session \xE2\x80\xAE", 10, 20, true}}}};
    in.rdpRowsLeftOut = 7;
    const std::string data = Data(ReportHtml(in));
    const char* kRdp =
        R"("rdpSessions":1,"rdpComputers":0,"rdpLanes":[["CORP\\ann\\x1b","TS1"]],"rdpLanesLeftOut":0,"rdpBarsLeftOut":0,)"
        R"("rdpConnectionFields":["from","client","authenticated","start","end","reason","startAt","endAt","newAddress"],)"
        R"("rdpFields":["computer","user","session","from","client","logon","end","active","disconnected","connections",)"
        R"("addresses","activeSeconds","disconnectedSeconds","startAt","endAt","reason","lane","listed","bars"],)"
        R"x("rdp":[["TS1","CORP\\ann\\x1b","2","10.0.0.1","PC\\n1","1","2","(0:50)","(0:10)",2,"a, b",3000,600,10,20,)x"
        R"("logoff",0,1,[["10.0.0.1","PC\\n1","0","1","2","taken over by session \\u202e",10,20,1]]]],"rdpLeftOut":7)";
    EXPECT_NE(data.find(kRdp), std::string::npos) << data;
}

// What the tool says of its inputs, and the zone, reach the page's data.
TEST(ReportHtml, UnreadNoticesAndZone)
{
    const struct {
        std::vector<std::pair<std::string, std::string>> unread;
        std::vector<std::string> notices;
        std::string zone;
        const char* inData;
    } kCases[] = {
        {{}, {}, "", "\"zone\":\"\",\"inputs\":[],\"computers\":[],\"unread\":[],\"notices\":[]"},
        {{{"gone.evtx", "No such file or directory"}, {"C:\\Windows", "Is a directory"}},
         {"bad.evtx: 2 damaged chunks skipped", "two.evtx: 40 records read twice"},
         "Europe/Berlin, UTC+1/+2",
         "\"zone\":\"Europe/Berlin, UTC+1/+2\",\"inputs\":[],\"computers\":[],"
         "\"unread\":[[\"gone.evtx\",\"No such file or directory\"],[\"C:\\\\Windows\",\"Is a directory\"]],"
         "\"notices\":[\"bad.evtx: 2 damaged chunks skipped\",\"two.evtx: 40 records read twice\"]"},
    };
    for (const auto& c : kCases) {
        ReportInput in;
        in.unread = c.unread;
        in.notices = c.notices;
        in.zone = c.zone;
        EXPECT_NE(Data(ReportHtml(in)).find(c.inData), std::string::npos) << c.inData;
    }
}

}  // namespace
}  // namespace tav::report
