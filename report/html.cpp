// The page: the frame of page.html with its style, its script and the
// content as JSON in a <script> element of its own, escaped so that no text
// of a log can end that element. Texts of logs and names of inputs are shown
// as the terminal shows them, their control characters escaped, so that none
// turns the page's text around or forges a line.
#include <string_view>

#include "base/json_writer.h"
#include "base/visible_text.h"
#include "report/page_assets.h"
#include "report/report.h"
#include "sessions/security_events.h"

namespace tav::report {
namespace {

// U+2028 and U+2029 too: no text of a log reaches the page with its line
// separators as they are, in markup or in script.
std::string EscapeHtml(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (text.substr(i, 3) == "\xE2\x80\xA8" || text.substr(i, 3) == "\xE2\x80\xA9") {
            out += text[i + 2] == '\xA8' ? "&#x2028;" : "&#x2029;";
            i += 2;
            continue;
        }
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += c;
        }
    }
    return out;
}

// Texts of logs and names of inputs, each as the terminal shows it.
void Shown(JsonWriter& j, const std::vector<std::string>& texts)
{
    j.BeginArray();
    for (const std::string& text : texts)
        j.Text(VisibleText(text));
    j.EndArray();
}

template <typename Range>
void Counts(JsonWriter& j, const Range& counts)
{
    j.BeginArray();
    for (const std::uint64_t count : counts)
        j.Number(count);
    j.EndArray();
}

// Rows of sessions, failed logons and sources: each an array, with the names
// of its fields in that order written once beside them, by which the page
// reads each field (names on every row made the page of a large log two
// thirds bigger). A field's name and value stand together in one table, so
// the list and the rows cannot disagree and a new field shifts no other.
template <typename Row>
struct Field {
    std::string_view name;
    void (*write)(JsonWriter&, const Row&);
};

constexpr Field<SessionRow> kSessionFields[] = {
    {"user", [](JsonWriter& j, const SessionRow& r) { j.Text(VisibleText(r.user)); }},
    {"from", [](JsonWriter& j, const SessionRow& r) { j.Text(VisibleText(r.from)); }},
    {"type", [](JsonWriter& j, const SessionRow& r) { j.Text(r.type); }},
    {"start", [](JsonWriter& j, const SessionRow& r) { j.Text(r.start); }},
    {"end", [](JsonWriter& j, const SessionRow& r) { j.Text(r.end); }},
    {"duration", [](JsonWriter& j, const SessionRow& r) { j.Text(r.duration); }},
    {"startAt", [](JsonWriter& j, const SessionRow& r) { j.Number(r.startAt); }},
    {"endAt", [](JsonWriter& j, const SessionRow& r) { j.Number(r.endAt); }},
    {"reason", [](JsonWriter& j, const SessionRow& r) { j.Text(sessions::EndReasonKey(r.reason)); }},
    {"logonType", [](JsonWriter& j, const SessionRow& r) { j.Number(r.logonType); }},
    {"lane", [](JsonWriter& j, const SessionRow& r) { j.Number(r.lane); }},
    {"listed", [](JsonWriter& j, const SessionRow& r) { j.Number(r.listed ? 1 : 0); }},
};

// A reason the tool does not know is the status code of the log.
constexpr Field<FailureRow> kFailureFields[] = {
    {"time", [](JsonWriter& j, const FailureRow& r) { j.Text(r.time); }},
    {"user", [](JsonWriter& j, const FailureRow& r) { j.Text(VisibleText(r.user)); }},
    {"from", [](JsonWriter& j, const FailureRow& r) { j.Text(VisibleText(r.from)); }},
    {"type", [](JsonWriter& j, const FailureRow& r) { j.Text(r.type); }},
    {"reason", [](JsonWriter& j, const FailureRow& r) { j.Text(VisibleText(r.reason)); }},
    {"at", [](JsonWriter& j, const FailureRow& r) { j.Number(r.at); }},
};

constexpr Field<SourceRow> kSourceFields[] = {
    {"from", [](JsonWriter& j, const SourceRow& r) { j.Text(VisibleText(r.from)); }},
    {"attempts", [](JsonWriter& j, const SourceRow& r) { j.Number(r.attempts); }},
    {"users", [](JsonWriter& j, const SourceRow& r) { j.Number(r.users); }},
    {"first", [](JsonWriter& j, const SourceRow& r) { j.Text(r.first); }},
    {"last", [](JsonWriter& j, const SourceRow& r) { j.Text(r.last); }},
    {"topReason", [](JsonWriter& j, const SourceRow& r) { j.Text(VisibleText(r.topReason)); }},
    {"topUsers", [](JsonWriter& j, const SourceRow& r) { j.Text(VisibleText(r.topUsers)); }},
    {"firstAt", [](JsonWriter& j, const SourceRow& r) { j.Number(r.firstAt); }},
    {"lastAt", [](JsonWriter& j, const SourceRow& r) { j.Number(r.lastAt); }},
};

// The rows, each an array of its fields.
template <typename Row, std::size_t N>
void Arrays(JsonWriter& j, const Field<Row> (&fields)[N], const std::vector<Row>& rows)
{
    j.BeginArray();
    for (const Row& row : rows) {
        j.BeginArray();
        for (const Field<Row>& field : fields)
            field.write(j, row);
        j.EndArray();
    }
    j.EndArray();
}

template <typename Row, std::size_t N>
void FieldNames(JsonWriter& j, std::string_view fieldsKey, const Field<Row> (&fields)[N])
{
    j.Key(fieldsKey).BeginArray();
    for (const Field<Row>& field : fields)
        j.Text(field.name);
    j.EndArray();
}

// "<fieldsKey>": the names, then "<rowsKey>": the rows.
template <typename Row, std::size_t N>
void Rows(JsonWriter& j, std::string_view fieldsKey, std::string_view rowsKey, const Field<Row> (&fields)[N],
          const std::vector<Row>& rows)
{
    FieldNames(j, fieldsKey, fields);
    Arrays(j.Key(rowsKey), fields, rows);
}

// A Remote Desktop session's connections are rows of their own inside it,
// their names listed once beside those of the sessions.
constexpr Field<RdpConnectionRow> kRdpConnectionFields[] = {
    {"from", [](JsonWriter& j, const RdpConnectionRow& r) { j.Text(VisibleText(r.from)); }},
    {"client", [](JsonWriter& j, const RdpConnectionRow& r) { j.Text(VisibleText(r.client)); }},
    {"authenticated", [](JsonWriter& j, const RdpConnectionRow& r) { j.Text(r.authenticated); }},
    {"start", [](JsonWriter& j, const RdpConnectionRow& r) { j.Text(r.start); }},
    {"end", [](JsonWriter& j, const RdpConnectionRow& r) { j.Text(r.end); }},
    {"reason", [](JsonWriter& j, const RdpConnectionRow& r) { j.Text(VisibleText(r.reason)); }},
    {"startAt", [](JsonWriter& j, const RdpConnectionRow& r) { j.Number(r.startAt); }},
    {"endAt", [](JsonWriter& j, const RdpConnectionRow& r) { j.Number(r.endAt); }},
    {"newAddress", [](JsonWriter& j, const RdpConnectionRow& r) { j.Number(r.newAddress ? 1 : 0); }},
};

constexpr Field<RdpRow> kRdpFields[] = {
    {"computer", [](JsonWriter& j, const RdpRow& r) { j.Text(VisibleText(r.computer)); }},
    {"user", [](JsonWriter& j, const RdpRow& r) { j.Text(VisibleText(r.user)); }},
    {"session", [](JsonWriter& j, const RdpRow& r) { j.Text(r.session); }},
    {"from", [](JsonWriter& j, const RdpRow& r) { j.Text(VisibleText(r.from)); }},
    {"client", [](JsonWriter& j, const RdpRow& r) { j.Text(VisibleText(r.client)); }},
    {"logon", [](JsonWriter& j, const RdpRow& r) { j.Text(r.logon); }},
    {"end", [](JsonWriter& j, const RdpRow& r) { j.Text(r.end); }},
    {"active", [](JsonWriter& j, const RdpRow& r) { j.Text(r.active); }},
    {"disconnected", [](JsonWriter& j, const RdpRow& r) { j.Text(r.disconnected); }},
    {"connections", [](JsonWriter& j, const RdpRow& r) { j.Number(r.connections); }},
    {"addresses", [](JsonWriter& j, const RdpRow& r) { j.Text(VisibleText(r.addresses)); }},
    {"activeSeconds", [](JsonWriter& j, const RdpRow& r) { j.Number(r.activeSeconds); }},
    {"disconnectedSeconds", [](JsonWriter& j, const RdpRow& r) { j.Number(r.disconnectedSeconds); }},
    {"startAt", [](JsonWriter& j, const RdpRow& r) { j.Number(r.startAt); }},
    {"endAt", [](JsonWriter& j, const RdpRow& r) { j.Number(r.endAt); }},
    {"reason", [](JsonWriter& j, const RdpRow& r) { j.Text(r.reason); }},
    {"lane", [](JsonWriter& j, const RdpRow& r) { j.Number(r.lane); }},
    {"listed", [](JsonWriter& j, const RdpRow& r) { j.Number(r.listed ? 1 : 0); }},
    {"bars", [](JsonWriter& j, const RdpRow& r) { Arrays(j, kRdpConnectionFields, r.bars); }},
};

// The Remote Desktop part: lanes of users and computers, then the rows.
void RdpData(JsonWriter& j, const ReportInput& in)
{
    j.Key("rdpSessions").Number(in.rdpSessions).Key("rdpComputers").Number(in.rdpComputers ? 1 : 0);
    j.Key("rdpLanes").BeginArray();
    for (const auto& [user, computer] : in.rdpLanes)
        j.BeginArray().Text(VisibleText(user)).Text(VisibleText(computer)).EndArray();
    j.EndArray().Key("rdpLanesLeftOut").Number(in.rdpLanesLeftOut).Key("rdpBarsLeftOut").Number(in.rdpBarsLeftOut);
    FieldNames(j, "rdpConnectionFields", kRdpConnectionFields);
    Rows(j, "rdpFields", "rdp", kRdpFields, in.rdpRows);
    j.Key("rdpLeftOut").Number(in.rdpRowsLeftOut);
}

std::string PageData(const ReportInput& in)
{
    JsonWriter j(JsonEscaping::InScript);
    j.BeginObject().Key("lang").Text(in.language == Language::English ? "en" : "ru");
    j.Key("utc").Number(in.utc ? 1 : 0).Key("live").Number(in.live ? 1 : 0).Key("zone").Text(VisibleText(in.zone));
    Shown(j.Key("inputs"), in.inputs);
    Shown(j.Key("computers"), in.computers);
    j.Key("unread").BeginArray();
    for (const auto& [input, why] : in.unread)
        j.BeginArray().Text(VisibleText(input)).Text(VisibleText(why)).EndArray();
    j.EndArray();
    Shown(j.Key("notices"), in.notices);
    j.Key("first").Text(in.first).Key("last").Text(in.last);
    j.Key("firstAt").Number(in.firstAt).Key("lastAt").Number(in.lastAt);
    j.Key("counts").BeginObject().Key("sessions").Number(in.sessions).Key("open").Number(in.open);
    j.Key("failures").Number(in.failures).Key("users").Number(in.users).Key("sources").Number(in.sources).EndObject();
    Shown(j.Key("lanes"), in.lanes);
    j.Key("usersLeftOut").Number(in.usersLeftOut).Key("barsLeftOut").Number(in.barsLeftOut);
    Rows(j, "sessionFields", "sessions", kSessionFields, in.sessionRows);
    j.Key("sessionsLeftOut").Number(in.sessionRowsLeftOut);
    Rows(j, "failureFields", "failures", kFailureFields, in.failureRows);
    j.Key("failuresLeftOut").Number(in.failureRowsLeftOut);
    Rows(j, "summaryFields", "summary", kSourceFields, in.summary);
    j.Key("summaryLeftOut").Number(in.summaryLeftOut);
    j.Key("series").BeginObject().Key("start").Number(in.series.start).Key("step").Number(in.series.step);
    Shown(j.Key("sources"), in.series.sources);
    j.Key("counts").BeginArray();
    for (const std::vector<std::uint64_t>& counts : in.series.counts)
        Counts(j, counts);
    j.EndArray().EndObject().Key("heat").BeginArray();
    for (const auto& day : in.logonsByHour)
        Counts(j, day);
    j.EndArray();
    RdpData(j, in);
    j.EndObject();
    return j.Take();
}

}  // namespace

std::string ReportHtml(const ReportInput& input)
{
    std::string title = "Tavelin:";
    for (std::size_t i = 0; i < input.inputs.size(); ++i)
        title += (i == 0 ? " " : ", ") + VisibleText(input.inputs[i]);
    const std::pair<std::string_view, std::string> parts[] = {
        {"{{lang}}", input.language == Language::English ? "en" : "ru"},
        {"{{title}}", EscapeHtml(title)},
        {"{{style}}", kPageCss},
        {"{{data}}", PageData(input)},
        {"{{script}}", kPageJs},
    };
    // Each mark once, in this order: no text put in is searched again.
    const std::string_view frame = kPageHtml;
    std::string page;
    std::size_t at = 0;
    for (const auto& [mark, text] : parts) {
        const std::size_t found = frame.find(mark, at);
        page.append(frame.substr(at, found - at));
        page += text;
        at = found + mark.size();
    }
    page.append(frame.substr(at));
    return page;
}

}  // namespace tav::report
