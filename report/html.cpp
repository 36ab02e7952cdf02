// The page: the frame of page.html with its style, its script and the
// content as JSON in a <script> element of its own, escaped so that no text
// of a log can end that element. Texts of logs and names of inputs are shown
// as the terminal shows them, their control characters escaped, so that none
// turns the page's text around or forges a line.
#include <string_view>

#include "base/json_string.h"
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

// A JSON value written field by field; every text escaped for a <script>.
class Json {
public:
    explicit Json(std::string& out) : out_(out) {}

    Json& Key(std::string_view key)
    {
        Separate();
        AppendJsonString(out_, key, true);
        out_ += ':';
        fresh_ = true;
        return *this;
    }
    Json& Text(std::string_view text)
    {
        Separate();
        AppendJsonString(out_, text, true);
        return *this;
    }
    template <typename Number>
    Json& Num(Number value)
    {
        Separate();
        out_ += std::to_string(value);
        return *this;
    }
    Json& Open(char bracket)
    {
        Separate();
        out_ += bracket;
        fresh_ = true;
        return *this;
    }
    Json& Close(char bracket)
    {
        out_ += bracket;
        fresh_ = false;
        return *this;
    }
    // A text of a log or the name of an input.
    Json& Shown(std::string_view text) { return Text(VisibleText(text)); }
    Json& Shown(const std::vector<std::string>& texts)
    {
        Open('[');
        for (const std::string& text : texts)
            Shown(text);
        return Close(']');
    }

private:
    void Separate()
    {
        if (!fresh_)
            out_ += ',';
        fresh_ = false;
    }

    std::string& out_;
    bool fresh_ = true;
};

std::string PageData(const ReportInput& in)
{
    std::string out;
    Json j(out);
    j.Open('{');
    j.Key("lang").Text(in.language == Language::English ? "en" : "ru");
    j.Key("utc").Num(in.utc ? 1 : 0).Key("live").Num(in.live ? 1 : 0).Key("zone").Shown(in.zone);
    j.Key("inputs").Shown(in.inputs).Key("computers").Shown(in.computers);
    j.Key("unread").Open('[');
    for (const auto& [input, why] : in.unread)
        j.Open('[').Shown(input).Shown(why).Close(']');
    j.Close(']').Key("notices").Shown(in.notices);
    j.Key("first").Text(in.first).Key("last").Text(in.last);
    j.Key("firstAt").Num(in.firstAt).Key("lastAt").Num(in.lastAt);
    j.Key("counts").Open('{');
    j.Key("sessions").Num(in.sessions).Key("open").Num(in.open).Key("failures").Num(in.failures);
    j.Key("users").Num(in.users).Key("sources").Num(in.sources).Close('}');
    j.Key("lanes").Shown(in.lanes).Key("usersLeftOut").Num(in.usersLeftOut).Key("barsLeftOut").Num(in.barsLeftOut);
    j.Key("sessions").Open('[');
    for (const SessionRow& r : in.sessionRows) {
        j.Open('[').Shown(r.user).Shown(r.from).Text(r.type).Text(r.start).Text(r.end).Text(r.duration);
        j.Num(r.startAt).Num(r.endAt).Text(sessions::EndReasonKey(r.reason)).Num(r.logonType).Num(r.lane).Num(r.listed ? 1 : 0);
        j.Close(']');
    }
    j.Close(']').Key("sessionsLeftOut").Num(in.sessionRowsLeftOut);
    // A reason the tool does not know is the status code of the log.
    j.Key("failures").Open('[');
    for (const FailureRow& r : in.failureRows)
        j.Open('[').Text(r.time).Shown(r.user).Shown(r.from).Text(r.type).Shown(r.reason).Num(r.at).Close(']');
    j.Close(']').Key("failuresLeftOut").Num(in.failureRowsLeftOut);
    j.Key("summary").Open('[');
    for (const SourceRow& r : in.summary) {
        j.Open('[').Shown(r.from).Num(r.attempts).Num(r.users).Text(r.first).Text(r.last).Shown(r.topReason);
        j.Shown(r.topUsers).Num(r.firstAt).Num(r.lastAt).Close(']');
    }
    j.Close(']').Key("summaryLeftOut").Num(in.summaryLeftOut);
    j.Key("series").Open('{').Key("start").Num(in.series.start).Key("step").Num(in.series.step);
    j.Key("sources").Shown(in.series.sources).Key("counts").Open('[');
    for (const std::vector<std::uint64_t>& counts : in.series.counts) {
        j.Open('[');
        for (const std::uint64_t count : counts)
            j.Num(count);
        j.Close(']');
    }
    j.Close(']').Close('}');
    j.Key("heat").Open('[');
    for (const auto& day : in.logonsByHour) {
        j.Open('[');
        for (const std::uint64_t count : day)
            j.Num(count);
        j.Close(']');
    }
    j.Close(']').Close('}');
    return out;
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
