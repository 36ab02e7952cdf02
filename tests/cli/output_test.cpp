// The output forms, the progress bar and the time-range filter, on small
// hand-made inputs.
#include <gtest/gtest.h>

#include "cli/progress_bar.h"
#include "cli/row_output.h"

namespace tav::cli {
namespace {

const std::vector<ResultRow> kRows = {
    {"48249", {"07.02.2023 8:03:33", "Петров", "FIN-WS07", "Локальный вход"}},
    {"7", {"06.02.2023 12:00:20", "m;garcia", "\"DEV\"", "Удаленный доступ"}},
    {"12", {"06.02.2023 6:55:01", "Tab\tand\\ \x01 \xFF", "", ""}},
};

TEST(RowOutput, TableColumnsAreAsWideAsTheirLongestTextInCharacters)
{
    EXPECT_EQ(TableText(LogonList(), kRows),
              "ID     Date                 User Name     Logon From  Connection Type\n"
              "48249  07.02.2023 8:03:33   Петров        FIN-WS07    Локальный вход\n"
              "7      06.02.2023 12:00:20  m;garcia      \"DEV\"       Удаленный доступ\n"
              "12     06.02.2023 6:55:01   Tab\tand\\ \x01 \xFF\n");
    EXPECT_EQ(TableText(SessionList(), {}), "Date  User Name  Login From\n");
}

TEST(RowOutput, CsvIsTheProgramsExportWithoutTheId)
{
    EXPECT_EQ(CsvText(LogonList(), kRows),
              "Date;User Name;Logon From;Connection Type\r\n"
              "07.02.2023 8:03:33;Петров;FIN-WS07;Локальный вход\r\n"
              "06.02.2023 12:00:20;\"m;garcia\";\"\"\"DEV\"\"\";Удаленный доступ\r\n"
              "06.02.2023 6:55:01;Tab\tand\\ \x01 \xFF;;\r\n");
    EXPECT_EQ(CsvText(SessionList(), {{"01.01.2024 0:00:00", {"CORP\\u", "LOCAL"}}}),
              "Date;User Name;Login From\r\n01.01.2024 0:00:00;CORP\\u;LOCAL\r\n");
}

TEST(RowOutput, JsonLinesAreEscapedUtf8WithANumericId)
{
    EXPECT_EQ(JsonLines(LogonList(), kRows),
              "{\"id\":48249,\"date\":\"07.02.2023 8:03:33\",\"user\":\"Петров\",\"from\":\"FIN-WS07\","
              "\"type\":\"Локальный вход\"}\n"
              "{\"id\":7,\"date\":\"06.02.2023 12:00:20\",\"user\":\"m;garcia\",\"from\":\"\\\"DEV\\\"\","
              "\"type\":\"Удаленный доступ\"}\n"
              "{\"id\":12,\"date\":\"06.02.2023 6:55:01\",\"user\":\"Tab\\tand\\\\ \\u0001 \xEF\xBF\xBD\","
              "\"from\":\"\",\"type\":\"\"}\n");
    EXPECT_EQ(JsonLines(SessionList(), {{"1.1.2024", {"u"}}}), "{\"date\":\"1.1.2024\",\"user\":\"u\",\"address\":\"\"}\n");
    EXPECT_EQ(JsonLines(StringList(), {{"1", {"a\r\nb\b\f\x1f"}}}), "{\"index\":1,\"string\":\"a\\r\\nb\\b\\f\\u001f\"}\n");
}

TEST(ProgressBar, AppearsAfterAMomentRedrawsSeldomAndIsErased)
{
    std::ostringstream err;
    auto now = std::chrono::steady_clock::time_point();
    {
        ProgressBar bar(err, true, "/logs/Security.evtx", [&] { return now; });
        // The clock is looked at once per 256 calls.
        const auto update = [&](double share) {
            for (int i = 0; i < 256; ++i)
                bar.Update(share);
        };
        update(0.1);
        EXPECT_EQ(err.str(), "");
        now += std::chrono::milliseconds(300);
        update(0.5);
        const std::string half = "\r/logs/Security.evtx [###############...............] 50%";
        EXPECT_EQ(err.str(), half);
        now += std::chrono::milliseconds(100);
        update(0.6);
        EXPECT_EQ(err.str(), half);
        now += std::chrono::milliseconds(100);
        update(1.0);
        EXPECT_EQ(err.str(), half + "\r/logs/Security.evtx [##############################] 100%");
    }
    EXPECT_EQ(err.str().substr(err.str().size() - 59), "\r" + std::string(57, ' ') + "\r");

    std::ostringstream quiet;
    ProgressBar off(quiet, false, "x", [&] { return now += std::chrono::seconds(1); });
    for (int i = 0; i < 1000; ++i)
        off.Update(0.5);
    off.Finish();
    EXPECT_EQ(quiet.str(), "");
}

}  // namespace
}  // namespace tav::cli
