// The report page of the bundled sample, and of logs whose names are
// markup, control characters or very long, opened in a real browser: no
// script error, the DOM shows what last and lastb list, no name of a log
// becomes an element, each is shown escaped in an element that isolates its
// direction and a long one is cut; and what the tool says of its inputs.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "base/terminal_events.h"
#include "report/report.h"
#include "sessions/security_events.h"
#include "tests/cli/cli_test_support.h"
#include "tests/evtx/test_files.h"

namespace tav::cli {
namespace {

constexpr char kImg[] = "<img src=x onerror=alert(1)>";
constexpr char kScript[] = "<script>alert(2)</script>";

// A scratch folder removed however the test ends.
struct Scratch {
    std::filesystem::path folder;
    explicit Scratch(const std::string& name) : folder(test::ScratchFolder(name)) {}
    ~Scratch()
    {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
};

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

// A logon of `user` from `workstation` at `t`, its logoff, and a failed
// logon of both; `id` tells the logon apart.
std::vector<evtx::WriterEvent> Logons(std::int64_t t, const std::string& user, const std::string& workstation, int id)
{
    const std::string logonId = "0x" + std::to_string(100 + id);
    return {
        Event(t, 4624, {"S-1-5-18", "PC1$", "CORP", "0x3e7", "S-1-5-21-1-2-3-1001", user, "CORP", logonId, "2",
                        "User32 ", "Negotiate", workstation, "{0}", "-", "-", "0", "0x3c8", "C:\\x.exe", "-", "0",
                        "%%1833", "-", "-", "-", "%%1843", "0x0", "%%1842"}),
        Event(t + 600, 4634, {"S-1-5-21-1-2-3-1001", user, "CORP", logonId, "2"}),
        Event(t + 700, 4625, {"S-1-0-0", "-", "-", "0x0", "S-1-0-0", user, "CORP", "0xc000006d", "%%2313",
                              "0xc000006a", "3", "NtLmSsp ", "NTLM", workstation, "-", "-", "0", "0x0", "-", "-", "0"}),
    };
}

// A log of `events` in `folder`, numbered in order.
std::string WriteLogIn(const std::filesystem::path& folder, const std::string& name, std::vector<evtx::WriterEvent> events)
{
    for (std::size_t i = 0; i < events.size(); ++i)
        events[i].record.recordId = i + 1;
    const std::filesystem::path path = folder / name;
    std::filesystem::rename(evtx::test::WriteLog(name, events), path);
    return test::PathText(path);
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

// The texts of the items of the list of class `kind`, their tags left out.
std::vector<std::string> ListItems(const std::string& dom, const std::string& kind)
{
    std::vector<std::string> items;
    const std::size_t list = dom.find("<ul class=\"" + kind + "\">");
    if (list == std::string::npos)
        return items;
    const std::size_t end = dom.find("</ul>", list);
    for (std::size_t at = list; (at = dom.find("<li>", at)) < end; ++at) {
        std::string text;
        bool inTag = false;
        for (std::size_t i = at + 4; i < dom.find("</li>", at); ++i)
            if (dom[i] == '<' || dom[i] == '>')
                inTag = dom[i] == '<';
            else if (!inTag)
                text += dom[i];
        items.push_back(Unescape(text));
    }
    return items;
}

// Run in the page after its own script: hovers a time a Remote Desktop
// session was disconnected and tells its tooltip, hovers the bar of a very
// long name, then finds each text node holding a text of the test's logs
// (they all hold U+018E) and tells whether its element isolates its
// direction (a tooltip of the chart by FSI and PDI), and how wide the cut
// elements are.
constexpr char kProbe[] = R"JS(<script>(() => {
  const out = [];
  const gap = document.querySelector('rect.gap');
  if (gap) gap.dispatchEvent(new MouseEvent('mousemove', { bubbles: true, clientX: 20, clientY: 20 }));
  if (gap) out.push('tip ' + document.getElementById('tip').textContent);
  const bar = [...document.querySelectorAll('rect.bar')].find(b => b.dataset.user.length > 1000);
  if (bar) bar.dispatchEvent(new MouseEvent('mousemove', { bubbles: true, clientX: 20, clientY: 20 }));
  let isolated = 0;
  const walker = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT);
  for (let n; (n = walker.nextNode());) {
    const e = n.parentElement;
    if (!n.data.includes('\u018e') || e.closest('script')) continue;
    const ok = e.localName === 'title' ? e.parentElement.localName !== 'circle' || n.data.startsWith('\u2068')
      : getComputedStyle(e).unicodeBidi === 'isolate';
    if (ok) isolated++; else out.push('loose ' + e.localName + ' ' + encodeURI(n.data.slice(0, 40)));
  }
  out.push('isolated ' + isolated, 'em ' + parseFloat(getComputedStyle(document.body).fontSize));
  for (const sel of ['td.log', '.cut', 'text.lane-label'])
    out.push('px ' + sel + ' ' + Math.max(0, ...[...document.querySelectorAll(sel)].map(e => e.getBoundingClientRect().width)));
  out.push('overflowing ' + [...document.querySelectorAll('.scroll')].filter(e => e.scrollWidth > e.clientWidth + 1).length);
  const pre = document.createElement('pre');
  pre.id = 'probe';
  pre.textContent = out.join('\n');
  document.body.append(pre);
})();</script>)JS";

struct Opened {
    std::string dom;
    std::string log;                       // the browser's, with what the page wrote to the console
    std::map<std::string, double> probe;   // what kProbe measured
    std::vector<std::string> loose;        // texts of logs whose direction is not isolated
    std::string tip;                       // of a time disconnected
};

// `html` as headless chromium leaves its DOM, 1400 pixels wide.
Opened OpenPage(const std::filesystem::path& folder, std::string html)
{
    const std::filesystem::path chromium = TAVELIN_CHROMIUM;
    if (!std::filesystem::exists(chromium))
        throw std::runtime_error("chromium not found: tools/setup.sh installs it");
    const std::filesystem::path page = folder / "page.html";
    html.insert(html.rfind("</body>"), kProbe);
    std::ofstream(page, std::ios::binary) << html;
    // A script that ran from the log's text could stop the browser with a
    // dialog: it gets a minute.
    const std::string command = "timeout 60 " + chromium.string() +
                                " --headless --no-sandbox --disable-gpu --enable-logging=stderr --v=0"
                                " --window-size=1400,1000 --dump-dom file://" + test::PathText(page) + " > " +
                                test::PathText(folder / "dom.html") + " 2> " + test::PathText(folder / "browser.log");
    EXPECT_EQ(std::system(command.c_str()), 0);
    Opened opened{ReadText(folder / "dom.html"), ReadText(folder / "browser.log"), {}, {}};
    EXPECT_EQ(opened.log.find(":CONSOLE"), std::string::npos) << opened.log;  // errors and anything else logged
    const std::size_t probe = opened.dom.find("<pre id=\"probe\">");
    EXPECT_NE(probe, std::string::npos);
    std::istringstream lines(opened.dom.substr(probe + 16, opened.dom.find("</pre>", probe) - probe - 16));
    for (std::string line; std::getline(lines, line);) {
        const std::size_t space = line.rfind(' ');
        if (line.rfind("loose ", 0) == 0)
            opened.loose.push_back(line);
        else if (line.rfind("tip ", 0) == 0)
            opened.tip = Unescape(line.substr(4));
        else
            opened.probe[line.substr(0, space)] = std::stod(line.substr(space + 1));
    }
    return opened;
}

// The report of `inputs` (and options), in English with UTC times.
Opened OpenReport(const std::filesystem::path& folder, std::vector<std::string> arguments)
{
    const std::string page = test::PathText(folder / "report.html");
    arguments.insert(arguments.begin(), {"report", "--utc", "--lang", "en", "-o", page});
    const test::Outcome made = test::RunInProcess(arguments);
    EXPECT_EQ(made.status, 0) << made.err;
    return OpenPage(folder, ReadText(page));
}

TEST(ReportBrowser, PageShowsWhatLastAndLastbList)
{
    const Scratch scratch("report");
    const std::vector<std::string> inputs = {test::SampleSecurityLog(),
                                             WriteLogIn(scratch.folder, "markup.evtx", Logons(1700000000, kImg, kScript, 1))};
    const std::string dom = OpenReport(scratch.folder, inputs).dom;
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
    EXPECT_EQ(dom.find("<section class=\"timeline rdp\""), std::string::npos) << "no Remote Desktop without its logs";
    EXPECT_EQ(dom.find("<table class=\"rows rdp\""), std::string::npos);
}

TEST(ReportBrowser, PageOfALogWithoutLogonsSaysSo)
{
    const Scratch scratch("report-empty");
    const std::string dom = OpenReport(scratch.folder, {test::SampleSessionLog()}).dom;
    EXPECT_EQ(Attributes(dom, "<g class=\"lane\"", "data-user").size(), 0u);
    for (const char* text : {">No sessions.</p>", ">No failed logons.</p>"})
        EXPECT_NE(dom.find(text), std::string::npos) << text;
}

// Names that would steer a terminal, break a line or turn the text around,
// and one of 10,000 characters: shown escaped as the terminal table shows
// them, each in an element that isolates its direction; the long one cut
// in its cell, its lane and its tooltip, whole in its cell's title.
TEST(ReportBrowser, LogTextEscapedIsolatedAndCut)
{
    const std::string kLong = "\u018E" + std::string(9999, 'L');
    const struct {
        std::string user, shown;
    } kNames[] = {
        {"\u018Ered\x1b[31mred\x1b[0m", R"(Ǝred\x1b[31mred\x1b[0m)"},
        {"\u018Etwo\nlines", R"(Ǝtwo\nlines)"},
        {"\u018Eabc\u202E" "def", R"(Ǝabc\u202edef)"},
        {kLong, kLong},
    };
    const std::string kWorkstation = "\u018EWS\x1b]0;t\x07";
    const std::string kWorkstationShown = R"(ƎWS\x1b]0;t\x07)";
    const Scratch scratch("report-names");
    std::vector<evtx::WriterEvent> events;
    std::multiset<std::string> users;
    for (std::size_t i = 0; i < std::size(kNames); ++i) {
        const std::vector<evtx::WriterEvent> logons =
            Logons(1700000000 + static_cast<std::int64_t>(i) * 3600, kNames[i].user, kWorkstation, static_cast<int>(i));
        events.insert(events.end(), logons.begin(), logons.end());
        users.insert(kNames[i].shown);
    }
    const Opened opened = OpenReport(scratch.folder, {WriteLogIn(scratch.folder, "names.evtx", events)});
    const std::string& dom = opened.dom;
    for (const char* raw : {"\x1b", "\x07", "two\nlines", "\u202E"})
        EXPECT_EQ(dom.find(raw), std::string::npos) << raw;

    const struct {
        const char* table;
        std::size_t user, from;
    } kTables[] = {{"sessions", 0, 1}, {"failures", 1, 2}};
    for (const auto& t : kTables) {
        std::multiset<std::string> shown;
        for (const std::vector<std::string>& row : TableRows(dom, t.table)) {
            shown.insert(row.at(t.user));
            EXPECT_EQ(row.at(t.from), kWorkstationShown) << t.table;
        }
        EXPECT_EQ(shown, users) << t.table;
    }
    const std::vector<std::string> titles = Attributes(dom, "<td class=\"log\"", "title");
    EXPECT_EQ(std::count_if(titles.begin(), titles.end(),
                            [&](const std::string& title) { return title.find(kLong) != std::string::npos; }),
              3)
        << "sessions, failures, top users: whole";
    EXPECT_NE(dom.find("<title>" + kLong + "</title>"), std::string::npos) << "the lane's label";

    EXPECT_TRUE(opened.loose.empty()) << opened.loose.front();
    EXPECT_GE(opened.probe.at("isolated"), 20.0);  // cells, lanes, legend, tooltip
    const double em = opened.probe.at("em");
    EXPECT_LE(opened.probe.at("px td.log"), 22 * em + 1);
    EXPECT_LE(opened.probe.at("px .cut"), 22 * em + 1);
    EXPECT_LE(opened.probe.at("px text.lane-label"), 160);
    EXPECT_EQ(opened.probe.at("overflowing"), 0) << "a table wider than its box";
}

std::size_t Count(const std::string& text, const std::string& part)
{
    std::size_t n = 0;
    for (std::size_t at = 0; (at = text.find(part, at)) != std::string::npos; at += part.size())
        ++n;
    return n;
}

// The terminal server of the sample: its lanes, and its sessions as rdp
// lists them.
TEST(ReportBrowser, RemoteDesktopSessionsOfTheTerminalServer)
{
    const std::vector<std::string> logs = {test::PathText(test::SampleFolder() / sample::kSampleServerSessionLog),
                                           test::PathText(test::SampleFolder() / sample::kSampleServerConnectionLog),
                                           test::PathText(test::SampleFolder() / sample::kSampleServerSecurityLog)};
    const Scratch scratch("report-rdp");
    const Opened opened = OpenReport(scratch.folder, logs);
    const std::string& dom = opened.dom;
    std::vector<std::string> arguments = {"rdp", "--utc", "--format", "csv"};
    arguments.insert(arguments.end(), logs.begin(), logs.end());
    // User;Session;From;Client;Authenticated;Logon;End;Active (s);Disconnected (s);Connections;Addresses;End Reason
    const std::map<std::string, std::string> kEndWords = {
        {"shutdown", "down"}, {"crash", "crash"}, {"open", "no logoff in log"}, {"no_session", "no session in log"}};
    const auto duration = [](const std::string& s) { return s.empty() ? s : sessions::DurationText(std::stoll(s)); };
    std::vector<std::vector<std::string>> rows;
    std::set<std::string> users;
    std::size_t connections = 0;
    for (const std::vector<std::string>& f : CsvRows(test::RunInProcess(arguments).out)) {
        ASSERT_EQ(f.size(), 12u);
        rows.push_back({f[0], f[1], f[2], f[3], f[5].empty() ? "before log" : f[5],
                        f[11] == "logoff" ? f[6] : kEndWords.at(f[11]), duration(f[7]), duration(f[8]), f[9], f[10]});
        users.insert(f[0]);
        connections += std::stoul(f[9]);
    }
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(TableRows(dom, "rdp"), rows);
    const std::vector<std::string> lanes = Attributes(dom, "<g class=\"rdp-lane\"", "data-user");
    EXPECT_EQ(std::set<std::string>(lanes.begin(), lanes.end()), users);
    EXPECT_EQ(lanes.size(), users.size());
    EXPECT_EQ(Count(dom, "<rect class=\"conn\""), connections);
    EXPECT_EQ(Count(dom, "<rect class=\"gap\""), 3u) << "a reconnect, an idle time-out, a disconnect before a logoff";
    EXPECT_EQ(Count(dom, "<path class=\"new-address\""), 1u);
    EXPECT_EQ(Count(dom, "<path class=\"auth-only\""), 1u);
    EXPECT_NE(opened.tip.find("Reason: disconnected by the user"), std::string::npos) << opened.tip;
}

// Names of users, computers and addresses of a LocalSessionManager log that
// are markup, control characters or very long: text, escaped, isolated, cut.
TEST(ReportBrowser, RemoteDesktopNamesEscapedIsolatedAndCut)
{
    const std::string kLong = "\u018E" + std::string(9999, 'L');
    const std::string kUser = std::string("\u018E") + kImg, kFirst = "\u018E10.0.0.1\x1b[2J", kSecond = "\u018E<b>x</b>";
    const auto lsm = [](std::int64_t t, std::uint16_t id, const std::string& computer, const std::string& user,
                        const std::string& session, const std::string& address) {
        evtx::WriterEvent e = Event(t, id, {user, session, address});
        e.record.provider = terminal::kSessionProvider;
        e.record.channel = terminal::kSessionChannel;
        e.record.computer = computer;
        e.names = {"User", "SessionID", "Address"};
        e.userDataWrapper = "EventXML";
        return e;
    };
    const std::int64_t t = 1700000000;
    const Scratch scratch("report-rdp-names");
    const std::string log = WriteLogIn(
        scratch.folder, "lsm.evtx",
        {lsm(t, 21, "\u018ETS01", kUser, "2", kFirst), lsm(t + 60, 21, "\u018ETS02\x07", kLong, "3", kFirst),
         lsm(t + 600, 24, "\u018ETS01", kUser, "2", kFirst), lsm(t + 1200, 25, "\u018ETS01", kUser, "2", kSecond),
         lsm(t + 1800, 23, "\u018ETS01", kUser, "2", ""), lsm(t + 1900, 23, "\u018ETS02\x07", kLong, "3", "")});
    const Opened opened = OpenReport(scratch.folder, {log});
    const std::string& dom = opened.dom;
    for (const char* raw : {"<img", "<b>x", "\x1b", "\x07"})
        EXPECT_EQ(dom.find(raw), std::string::npos) << raw;
    const std::vector<std::vector<std::string>> rows = TableRows(dom, "rdp");
    ASSERT_EQ(rows.size(), 2u);
    ASSERT_EQ(rows[0].size(), 11u);
    ASSERT_EQ(rows[1].size(), 11u);
    EXPECT_EQ(rows[0][0], R"(ƎTS02\x07)");  // a Computer column: two computers
    EXPECT_EQ(rows[0][1], kLong);
    EXPECT_EQ(rows[1][1], kUser);
    EXPECT_EQ(rows[1][10], R"(Ǝ10.0.0.1\x1b[2J, Ǝ<b>x</b>)");
    EXPECT_EQ(Count(dom, "<path class=\"new-address\""), 1u);
    EXPECT_NE(opened.tip.find("Reason: disconnected"), std::string::npos) << opened.tip;
    EXPECT_NE(dom.find("<title>\u2068" + kLong + "\u2069 — \u2068ƎTS02\\x07\u2069</title>"), std::string::npos);
    const std::vector<std::string> titles = Attributes(dom, "<td class=\"log\"", "title");
    EXPECT_EQ(std::count(titles.begin(), titles.end(), kLong), 1);
    EXPECT_TRUE(opened.loose.empty()) << opened.loose.front();
    const double em = opened.probe.at("em");
    EXPECT_LE(opened.probe.at("px td.log"), 22 * em + 1);
    EXPECT_LE(opened.probe.at("px text.lane-label"), 240) << "a user and a computer";
}

// The inputs not read and the tool's warnings at the top, in the page's
// language, and the zone beside the period.
TEST(ReportBrowser, WarningsAndZoneAtTheTop)
{
    const struct {
        report::Language language;
        bool warned;
        std::string zone;
        std::vector<std::string> shown, absent;
    } kCases[] = {
        {report::Language::English, true, "Europe/Berlin, UTC+1/+2",
         {"<h2>Not read:</h2>", "<h2>Warnings</h2>", "<dt>Period</dt>", "0:00:00 (<bdi>Europe/Berlin, UTC+1/+2</bdi>)"},
         {"(local time)"}},
        {report::Language::Russian, true, "America/New_York, UTC-5/-4",
         {"<h2>Не прочитаны:</h2>", "<h2>Предупреждения</h2>", "<dt>Период</dt>",
          "0:00:00 (<bdi>America/New_York, UTC-5/-4</bdi>)"},
         {"(местное время)"}},
        {report::Language::Russian, false, "", {"0:00:00 (местное время)"}, {"class=\"warnings\"", "<h2>Не прочитаны"}},
    };
    const Scratch scratch("report-warnings");
    for (const auto& c : kCases) {
        report::ReportInput in;
        in.language = c.language;
        in.inputs = {"\u018Eone.evtx", "\u018Egone\x1b[2J.evtx"};
        in.zone = c.zone;
        in.first = "01.03.2023 0:00:00";
        in.last = "30.03.2023 0:00:00";
        if (c.warned) {
            in.unread = {{"\u018Egone\x1b[2J.evtx", "No such file or directory"}, {"\u018Edir", "Is a directory"}};
            in.notices = {"\u018Eone.evtx: 2 damaged chunks skipped", "\u018Eone.evtx: 40 records read twice"};
        }
        const Opened opened = OpenPage(scratch.folder, report::ReportHtml(in));
        for (const std::string& text : c.shown)
            EXPECT_NE(opened.dom.find(text), std::string::npos) << text;
        for (const std::string& text : c.absent)
            EXPECT_EQ(opened.dom.find(text), std::string::npos) << text;
        const std::vector<std::string> unread = ListItems(opened.dom, "unread");
        const std::vector<std::string> notices = ListItems(opened.dom, "notices");
        if (c.warned) {
            EXPECT_EQ(unread, (std::vector<std::string>{R"(Ǝgone\x1b[2J.evtx: No such file or directory)",
                                                        "Ǝdir: Is a directory"}));
            EXPECT_EQ(notices, in.notices);
        } else {
            EXPECT_TRUE(unread.empty() && notices.empty());
        }
        EXPECT_TRUE(opened.loose.empty()) << opened.loose.front();
    }
}

}  // namespace
}  // namespace tav::cli
