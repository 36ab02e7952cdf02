// The report page of the bundled sample, and of a log whose names are
// markup, opened in a real browser: no script error, the DOM shows what
// last and lastb list, and no name of a log becomes an element.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/cli/cli_test_support.h"
#include "tests/evtx/test_files.h"

namespace tav::cli {
namespace {

constexpr char kImg[] = "<img src=x onerror=alert(1)>";
constexpr char kScript[] = "<script>alert(2)</script>";

evtx::WriterEvent Event(std::int64_t time, std::uint32_t id, std::vector<std::string> strings)
{
    evtx::WriterEvent e;
    e.record.timeCreated = e.record.timeWritten = time;
    e.record.eventId = id;
    e.record.provider = "Microsoft-Windows-Security-Auditing";
    e.record.channel = "Security";
    e.record.computer = "FIN-WS07";  // the sample's: one computer, no Computer column in last
    e.record.strings = std::move(strings);
    return e;
}

// A logon of kImg from a workstation named kScript, its logoff, and a
// failed logon of both.
std::string WriteMarkupLog()
{
    const std::int64_t t = 1700000000;
    std::vector<evtx::WriterEvent> events = {
        Event(t, 4624, {"S-1-5-18", "PC1$", "CORP", "0x3e7", "S-1-5-21-1-2-3-1001", kImg, "CORP", "0x99", "2",
                        "User32 ", "Negotiate", kScript, "{0}", "-", "-", "0", "0x3c8", "C:\\x.exe", "-", "0",
                        "%%1833", "-", "-", "-", "%%1843", "0x0", "%%1842"}),
        Event(t + 600, 4634, {"S-1-5-21-1-2-3-1001", kImg, "CORP", "0x99", "2"}),
        Event(t + 700, 4625, {"S-1-0-0", "-", "-", "0x0", "S-1-0-0", kImg, "CORP", "0xc000006d", "%%2313",
                              "0xc000006a", "3", "NtLmSsp ", "NTLM", kScript, "-", "-", "0", "0x0", "-", "-", "0"}),
    };
    for (std::size_t i = 0; i < events.size(); ++i)
        events[i].record.recordId = i + 1;
    return test::PathText(evtx::test::WriteLog("report-markup.evtx", events));
}

std::string ReadText(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Unescape(std::string text)
{
    const std::pair<std::string, std::string> kEntities[] = {
        {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&#39;", "'"}, {"&nbsp;", " "}, {"&amp;", "&"}};
    for (const auto& [entity, character] : kEntities)
        for (std::size_t at = 0; (at = text.find(entity, at)) != std::string::npos; at += character.size())
            text.replace(at, entity.size(), character);
    return text;
}

// The value of attribute `name` in each tag that starts with `tagStart`.
std::vector<std::string> Attributes(const std::string& dom, const std::string& tagStart, const std::string& name)
{
    std::vector<std::string> values;
    for (std::size_t at = 0; (at = dom.find(tagStart, at)) != std::string::npos; ++at) {
        const std::size_t end = dom.find('>', at);
        const std::size_t value = dom.find(" " + name + "=\"", at);
        if (value < end)
            values.push_back(Unescape(dom.substr(value + name.size() + 3,
                                                 dom.find('"', value + name.size() + 3) - value - name.size() - 3)));
    }
    return values;
}

// The cells of each body row of the table of class "rows `kind`".
std::vector<std::vector<std::string>> TableRows(const std::string& dom, const std::string& kind)
{
    std::vector<std::vector<std::string>> rows;
    const std::size_t table = dom.find("<table class=\"rows " + kind + "\"");
    if (table == std::string::npos)
        return rows;
    const std::size_t end = dom.find("</table>", table);
    for (std::size_t at = dom.find("<tbody>", table); (at = dom.find("<tr>", at)) < end; ++at) {
        std::vector<std::string>& cells = rows.emplace_back();
        const std::size_t rowEnd = dom.find("</tr>", at);
        for (std::size_t cell = at; (cell = dom.find("<td", cell)) < rowEnd; ++cell) {
            const std::size_t open = dom.find('>', cell) + 1;
            cells.push_back(Unescape(dom.substr(open, dom.find("</td>", open) - open)));
        }
    }
    return rows;
}

// The lines of a CSV without quoted fields, split at ';', header left out.
std::vector<std::vector<std::string>> CsvRows(const std::string& csv)
{
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(csv);
    std::string line;
    std::getline(lines, line);
    while (std::getline(lines, line)) {
        line.pop_back();  // CR
        std::vector<std::string>& fields = rows.emplace_back();
        std::istringstream split(line + ";");
        for (std::string field; std::getline(split, field, ';');)
            fields.push_back(field);
    }
    return rows;
}

struct Opened {
    std::string dom;
    std::string log;  // the browser's, with what the page wrote to the console
};

// The report of `inputs` (and options) as headless chromium leaves its DOM.
Opened OpenReport(const std::filesystem::path& folder, std::vector<std::string> arguments)
{
    const std::filesystem::path chromium = TAVELIN_CHROMIUM;
    if (!std::filesystem::exists(chromium))
        throw std::runtime_error("chromium not found: tools/setup.sh installs it");
    const std::string page = test::PathText(folder / "page.html");
    arguments.insert(arguments.begin(), {"report", "--utc", "--lang", "en", "-o", page});
    const test::Outcome made = test::RunInProcess(arguments);
    EXPECT_EQ(made.status, 0) << made.err;
    // A script that ran from the log's text could stop the browser with a
    // dialog: it gets a minute.
    const std::string command = "timeout 60 " + chromium.string() +
                                " --headless --no-sandbox --disable-gpu --enable-logging=stderr --v=0 --dump-dom"
                                " file://" + page + " > " + test::PathText(folder / "dom.html") + " 2> " +
                                test::PathText(folder / "browser.log");
    EXPECT_EQ(std::system(command.c_str()), 0);
    Opened opened{ReadText(folder / "dom.html"), ReadText(folder / "browser.log")};
    EXPECT_EQ(opened.log.find(":CONSOLE"), std::string::npos) << opened.log;  // errors and anything else logged
    return opened;
}

TEST(ReportBrowser, PageShowsWhatLastAndLastbList)
{
    const std::filesystem::path folder = test::ScratchFolder("report");
    const std::vector<std::string> inputs = {test::SampleSecurityLog(), WriteMarkupLog()};
    const std::string dom = OpenReport(folder, inputs).dom;
    EXPECT_EQ(dom.find("<img"), std::string::npos);
    EXPECT_EQ(dom.find(kScript), std::string::npos);
    EXPECT_NE(dom.find("&lt;img src=x onerror=alert(1)&gt;"), std::string::npos);

    std::vector<std::string> lastArguments = {"last", "--utc", "--format", "csv"};
    lastArguments.insert(lastArguments.end(), inputs.begin(), inputs.end());
    const std::vector<std::vector<std::string>> last = CsvRows(test::RunInProcess(lastArguments).out);
    lastArguments[0] = "lastb";
    const std::vector<std::vector<std::string>> lastb = CsvRows(test::RunInProcess(lastArguments).out);
    ASSERT_FALSE(last.empty());
    ASSERT_FALSE(lastb.empty());

    // Sessions: User;Domain;From;Type;Start;End;Duration (s);End Reason, the page's
    // rows User, From, Type, Start, End (its time, or why it ended), Duration.
    const std::map<std::string, std::string> kEndWords = {
        {"shutdown", "down"}, {"crash", "crash"}, {"open", "no logoff in log"}};
    std::vector<std::vector<std::string>> sessions;
    std::map<std::string, int> perUser;
    std::multiset<std::pair<std::string, std::string>> bars;
    for (const std::vector<std::string>& f : last) {
        ASSERT_EQ(f.size(), 8u);
        sessions.push_back({f[0], f[2], f[3], f[4], f[7] == "logoff" ? f[5] : kEndWords.at(f[7])});
        ++perUser[f[0]];
        bars.insert({f[0], f[4]});
    }
    std::vector<std::vector<std::string>> shown = TableRows(dom, "sessions");
    for (std::vector<std::string>& row : shown)
        row.resize(5);  // the duration's text is not in the CSV
    EXPECT_EQ(shown, sessions);

    const std::vector<std::string> lanes = Attributes(dom, "<g class=\"lane\"", "data-user");
    ASSERT_EQ(lanes.size(), perUser.size());
    for (std::size_t i = 0; i < lanes.size(); ++i) {
        EXPECT_TRUE(perUser.count(lanes[i])) << lanes[i];
        if (i > 0) {
            EXPECT_GE(perUser[lanes[i - 1]], perUser[lanes[i]]);
        }
    }
    const std::vector<std::string> barUsers = Attributes(dom, "<rect class=\"bar ", "data-user");
    const std::vector<std::string> barStarts = Attributes(dom, "<rect class=\"bar ", "data-start");
    ASSERT_EQ(barUsers.size(), barStarts.size());
    std::multiset<std::pair<std::string, std::string>> drawn;
    for (std::size_t i = 0; i < barUsers.size(); ++i)
        drawn.insert({barUsers[i], barStarts[i]});
    EXPECT_EQ(drawn, bars);

    // Failed logons: Time;User;Domain;From;Type;Reason;Status;Sub Status.
    std::vector<std::vector<std::string>> failures;
    for (const std::vector<std::string>& f : lastb) {
        ASSERT_EQ(f.size(), 8u);
        failures.push_back({f[0], f[1], f[3], f[4], f[5]});
    }
    EXPECT_EQ(TableRows(dom, "failures"), failures);
    std::filesystem::remove_all(folder);
}

TEST(ReportBrowser, PageOfALogWithoutLogonsSaysSo)
{
    const std::filesystem::path folder = test::ScratchFolder("report-empty");
    const std::string dom = OpenReport(folder, {test::SampleSessionLog()}).dom;
    EXPECT_EQ(Attributes(dom, "<g class=\"lane\"", "data-user").size(), 0u);
    for (const char* text : {">No sessions.</p>", ">No failed logons.</p>"})
        EXPECT_NE(dom.find(text), std::string::npos) << text;
    std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace tav::cli
