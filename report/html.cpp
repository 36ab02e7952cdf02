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

// Rows as objects, each field by its name: a new field shifts no other.
void Sessions(JsonWriter& j, const std::vector<SessionRow>& rows)
{
    j.BeginArray();
    for (const SessionRow& r : rows) {
        j.BeginObject().Key("user").Text(VisibleText(r.user)).Key("from").Text(VisibleText(r.from));
        j.Key("type").Text(r.type).Key("start").Text(r.start).Key("end").Text(r.end).Key("duration").Text(r.duration);
        j.Key("startAt").Number(r.startAt).Key("endAt").Number(r.endAt);
        j.Key("reason").Text(sessions::EndReasonKey(r.reason)).Key("logonType").Number(r.logonType);
        j.Key("lane").Number(r.lane).Key("listed").Number(r.listed ? 1 : 0).EndObject();
    }
    j.EndArray();
}

// A reason the tool does not know is the status code of the log.
void Failures(JsonWriter& j, const std::vector<FailureRow>& rows)
{
    j.BeginArray();
    for (const FailureRow& r : rows) {
        j.BeginObject().Key("time").Text(r.time).Key("user").Text(VisibleText(r.user));
        j.Key("from").Text(VisibleText(r.from)).Key("type").Text(r.type).Key("reason").Text(VisibleText(r.reason));
        j.Key("at").Number(r.at).EndObject();
    }
    j.EndArray();
}

void Summary(JsonWriter& j, const std::vector<SourceRow>& rows)
{
    j.BeginArray();
    for (const SourceRow& r : rows) {
        j.BeginObject().Key("from").Text(VisibleText(r.from)).Key("attempts").Number(r.attempts);
        j.Key("users").Number(r.users).Key("first").Text(r.first).Key("last").Text(r.last);
        j.Key("topReason").Text(VisibleText(r.topReason)).Key("topUsers").Text(VisibleText(r.topUsers));
        j.Key("firstAt").Number(r.firstAt).Key("lastAt").Number(r.lastAt).EndObject();
    }
    j.EndArray();
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
    Sessions(j.Key("sessions"), in.sessionRows);
    j.Key("sessionsLeftOut").Number(in.sessionRowsLeftOut);
    Failures(j.Key("failures"), in.failureRows);
    j.Key("failuresLeftOut").Number(in.failureRowsLeftOut);
    Summary(j.Key("summary"), in.summary);
    j.Key("summaryLeftOut").Number(in.summaryLeftOut);
    j.Key("series").BeginObject().Key("start").Number(in.series.start).Key("step").Number(in.series.step);
    Shown(j.Key("sources"), in.series.sources);
    j.Key("counts").BeginArray();
    for (const std::vector<std::uint64_t>& counts : in.series.counts)
        Counts(j, counts);
    j.EndArray().EndObject().Key("heat").BeginArray();
    for (const auto& day : in.logonsByHour)
        Counts(j, day);
    j.EndArray().EndObject();
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
