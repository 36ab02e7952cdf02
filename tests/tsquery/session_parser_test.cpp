#include "tsquery/session_parser.h"

#include <gtest/gtest.h>

#include <array>
#include <stdexcept>
#include <string>
#include <vector>

namespace tav::tsquery {
namespace {

using Row = std::array<std::string, 3>;  // date, user, address
using Rows = std::vector<Row>;

Rows Parse(const std::vector<std::string>& lines)
{
    RawOutputBuffer buffer;
    for (const std::string& line : lines)
        buffer.Append(line);
    Rows rows;
    int errors = 0;
    const int count = ParseSessionOutput(
        buffer,
        [&rows](ResultRow&& row) { rows.push_back({row.Text(0), row.Text(1), row.Text(2)}); },
        [&errors](const std::string&) { ++errors; });
    EXPECT_EQ(count, static_cast<int>(rows.size()));
    EXPECT_EQ(errors, 0);
    return rows;
}

const std::string kIndent(14, ' ');

TEST(SessionParser, ReadsEnglishAndRussianBlocks)
{
    const Rows rows = Parse({
        "",
        "TimeCreated : 14.10.2016 9:05:11",
        "Message     : Remote Desktop Services: Session logon succeeded:",
        "",
        kIndent + "User: DOMAIN\\user1",
        kIndent + "Session ID: 2",
        kIndent + "Source Network Address: 10.0.0.15",
        "",
        "TimeCreated : 15.10.2016 10:00:00",
        "Message     : Служба удаленных рабочих столов: успешный вход в сеанс:",
        "",
        kIndent + "Пользователь: DOMAIN\\Иванов",
        kIndent + "ИД сеанса: 3",
        kIndent + "Адрес сети источника: 10.0.0.16",
        "",
        "TimeCreated : 16.10.2016 23:59:59",
        "Message     : Remote Desktop Services: Session logon succeeded:",
        "",
        kIndent + "User: ДОМЕН\\Пётр",
        kIndent + "Session ID: 4",
        kIndent + "Source Network Address: LOCAL",
    });
    EXPECT_EQ(rows, (Rows{{" 14.10.2016 9:05:11", "DOMAIN\\user1", "10.0.0.15"},
                          {" 15.10.2016 10:00:00", "DOMAIN\\Иванов", "10.0.0.16"},
                          {" 16.10.2016 23:59:59", "ДОМЕН\\Пётр", "LOCAL"}}));
}

TEST(SessionParser, CutsAtFixedColumnsWhereverTheMarkerStands)
{
    const std::string forty = "abcdefghijklmnopqrstuvwxyz012User:567890";
    const struct {
        const char* what;
        std::vector<std::string> lines;
        Rows expected;
    } cases[] = {
        {"an address before any date or user", {kIndent + "Source Network Address: 1.2.3.4"},
         {{"", "", "1.2.3.4"}}},
        {"User: at column 1 in a line shorter than 21 characters",
         {kIndent + "User: bob", "User: alice", kIndent + "Source Network Address: a"},
         {{"", "", "a"}}},
        {"User: at column 30 of 40 characters takes columns 21 to 30",
         {forty, kIndent + "Source Network Address: a"}, {{"", "uvwxyz012U", "a"}}},
        {"TimeCreated at column 15 loses its last character",
         {kIndent + "TimeCreated : 1.1.2020 0:00:00", kIndent + "Source Network Address: a"},
         {{" TimeCreated : 1.1.2020 0:00:0", "", "a"}}},
        {"columns count characters, not bytes",
         {"Пётр " + forty, kIndent + "Source Network Address: a"}, {{"", "pqrstuvwxy", "a"}}},
        {"a block without a user repeats the previous user",
         {kIndent + "User: bob", kIndent + "Source Network Address: a",
          "TimeCreated : 1.1.2020 0:00:00", kIndent + "Source Network Address: b"},
         {{"", "bob", "a"}, {" 1.1.2020 0:00:00", "bob", "b"}}},
        {"a line with both address markers adds two rows",
         {kIndent + "Source Network Address: Адрес сети источника: x"},
         {{"", "", "Адрес сети источника: x"}, {"", "", ": Адрес сети источника"}}},
        {"Russian address marker at column 1 leaves nothing behind column 37",
         {"Адрес сети источника: 10.0.0.1"}, {{"", "", ""}}},
        {"markers in other letter case are not recognised",
         {kIndent + "user: bob", "timecreated : 1.1.2020", kIndent + "source network address: a",
          kIndent + "SOURCE NETWORK ADDRESS: b", kIndent + "адрес сети источника: c"},
         {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Parse(c.lines), c.expected) << c.what;
}

TEST(SessionParser, AnErrorEndsTheParseWithOneMessage)
{
    RawOutputBuffer buffer;
    for (int i = 0; i < 6; ++i)
        buffer.Append(kIndent + "Source Network Address: 10.0.0." + std::to_string(i));
    int calls = 0;
    std::vector<std::string> errors;
    const int count = ParseSessionOutput(
        buffer,
        [&calls](ResultRow&&) {
            if (++calls > 3)
                throw std::runtime_error("list full");
        },
        [&errors](const std::string& text) { errors.push_back(text); });
    EXPECT_EQ(count, 3);
    EXPECT_EQ(calls, 4);
    EXPECT_EQ(errors, std::vector<std::string>{"Произошла ошибка!\rОбратитесь к разработчику."});
}

}  // namespace
}  // namespace tav::tsquery
