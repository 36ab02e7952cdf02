#include "listtools/csv_export.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tav {
namespace {

TEST(BuildCsv, TerminalServerListExportsThreeFieldsPerLine)
{
    const std::vector<ResultRow> rows = {
        {"14.10.2016 9:05:11", {"Иванов", "PC-01"}},
        {"13.10.2016 8:00:00", {"admin", ""}},
    };
    EXPECT_EQ(BuildCsv({"Date", "User Name", "Login From"}, rows, kTerminalServerCsvColumns, 2),
              "Date;User Name;Login From\r\n"
              "14.10.2016 9:05:11;Иванов;PC-01\r\n"
              "13.10.2016 8:00:00;admin;\r\n");
}

TEST(BuildCsv, WorkstationListExportsFourFieldsWithoutTheRecordNumber)
{
    const std::vector<ResultRow> rows = {
        {"17", {"14.10.2016 9:05:11", "ivanov", "10.0.0.5", "RemoteInteractive"}},
        {"18", {"14.10.2016 9:06:00", "petrov"}},
    };
    EXPECT_EQ(BuildCsv({"Date", "User Name", "Logon From", "Connection Type"}, rows,
                       kWorkstationCsvColumns, 2),
              "Date;User Name;Logon From;Connection Type\r\n"
              "14.10.2016 9:05:11;ivanov;10.0.0.5;RemoteInteractive\r\n"
              "14.10.2016 9:06:00;petrov;;\r\n");
}

TEST(BuildCsv, QuotesOnlyFieldsThatNeedIt)
{
    const struct {
        std::string text;
        std::string field;
    } cases[] = {
        {"plain text", "plain text"},
        {"", ""},
        {"a;b", "\"a;b\""},
        {"say \"hi\"", "\"say \"\"hi\"\"\""},
        {"\"", "\"\"\"\""},
        {"line\rbreak", "\"line\rbreak\""},
        {"line\nbreak", "\"line\nbreak\""},
        {"a,b 'c'", "a,b 'c'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const std::vector<ResultRow> rows = {{c.text, {}}};
        const std::size_t columns[] = {0, 1};
        EXPECT_EQ(BuildCsv({c.text, "x"}, rows, columns, 1),
                  c.field + ";x\r\n" + c.field + ";\r\n");
    }
}

TEST(AppendCsvLine, NoFieldStartsASpreadsheetFormula)
{
    const struct {
        std::string text;
        std::string field;
    } cases[] = {
        {"=HYPERLINK(\"http://x\";\"y\")", "\"'=HYPERLINK(\"\"http://x\"\";\"\"y\"\")\""},
        {"-2+3", "'-2+3"},
        // A whole number is read as one anyway, so it keeps its text.
        {"-16926393", "-16926393"},
        {"-1.5", "-1.5"},
        {"+3", "+3"},
        {"-0.25", "-0.25"},
        {"-1.", "'-1."},
        {"-.5", "'-.5"},
        {"+", "'+"},
        {"-1e5", "'-1e5"},
        {"-1.5.2", "'-1.5.2"},
        {"- 1", "'- 1"},
        {"+-1", "'+-1"},
        {"@SUM(A1)", "'@SUM(A1)"},
        {"\tcmd", "'\tcmd"},
        {"\rcmd", "\"'\rcmd\""},
        {"-", "-"},
        {"--", "'--"},
        {"a=b", "a=b"},
        {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        std::string line;
        const std::string_view fields[] = {c.text, "x"};
        AppendCsvLine(line, fields);
        EXPECT_EQ(line, c.field + ";x\r\n");
    }
}

TEST(BuildCsv, WritesOnlyTheCountedRows)
{
    const std::vector<ResultRow> rows = {{"a", {}}, {"b", {}}};
    const std::size_t columns[] = {0};
    EXPECT_EQ(BuildCsv({"H"}, rows, columns, 0), "H\r\n");
    EXPECT_EQ(BuildCsv({"H"}, rows, columns, 1), "H\r\na\r\n");
    EXPECT_EQ(BuildCsv({"H"}, rows, columns, 5), "H\r\na\r\nb\r\n");
}

}  // namespace
}  // namespace tav
