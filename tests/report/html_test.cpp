// The page: every text of a log inside it stays text, whatever it holds.
#include <gtest/gtest.h>

#include <string>

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

}  // namespace
}  // namespace tav::report
