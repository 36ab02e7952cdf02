// The terminal-server rows from saved LocalSessionManager logs, against the
// golden event-21 rows of the three sample logs.
#include <gtest/gtest.h>

#include "evtx/log_file.h"
#include "golden_rows.h"
#include "tsquery/saved_sessions.h"

namespace tav::tsquery {
namespace {

const char* const kLogs[] = {"aptsim-server2022-LSM-Operational", "belkasoft-win10-LSM-Operational",
                             "rathbun-win11-LSM-Operational"};

// Rows as texts: date, user, address.
std::vector<std::vector<std::string>> Texts(const std::vector<ResultRow>& rows)
{
    std::vector<std::vector<std::string>> texts;
    for (const ResultRow& row : rows)
        texts.push_back({row.caption, row.Text(1), row.Text(2)});
    return texts;
}

SavedSessionQuery Query(DateTime startDate, double hoursAhead = 0)
{
    SavedSessionQuery query;
    query.startDate = startDate;
    query.utcToLocal = [hoursAhead](DateTime utc) { return utc + hoursAhead / 24; };
    return query;
}

TEST(SavedSessions, EveryGoldenLogonNewestFirst)
{
    std::size_t rows = 0;
    for (const std::string name : kLogs) {
        SCOPED_TRACE(name);
        const SavedSessionQuery query = Query(0, 3);
        std::vector<std::vector<std::string>> expected;
        for (const auto& record : cli::test::GoldenNewestFirst(name + ".lsm21.tsv"))
            expected.push_back({FormatDateTime(UnixSecondsToDateTime(record.created) + 3.0 / 24, query.formats),
                                record.strings.at(0), record.strings.at(2)});
        const SavedSessions found = ReadSavedSessions(cli::test::SamplePath(name + ".evtx"), query);
        EXPECT_EQ(found.error, 0u);
        EXPECT_EQ(found.errorText, "");
        EXPECT_EQ(Texts(found.rows), expected);
        rows += found.rows.size();
    }
    EXPECT_EQ(rows, 25u);
}

TEST(SavedSessions, FromTheStartDateInLocalTime)
{
    const std::string path = cli::test::SamplePath("belkasoft-win10-LSM-Operational.evtx");
    // From 10 February 2021: records 184 (19:51:20 UTC that day), 55 (the 13th), 191, 196, 203 (the 14th).
    const DateTime tenth = EncodeDateTime(CivilTime{2021, 2, 10}).value();
    const DateTime eleventh = EncodeDateTime(CivilTime{2021, 2, 11}).value();
    EXPECT_EQ(ReadSavedSessions(path, Query(tenth)).rows.size(), 5u);
    EXPECT_EQ(ReadSavedSessions(path, Query(eleventh)).rows.size(), 4u);
    EXPECT_EQ(ReadSavedSessions(path, Query(eleventh, 5)).rows.size(), 5u);  // 00:51 on the 11th there
    SavedSessionQuery until = Query(tenth);
    until.endDate = eleventh;
    const SavedSessions found = ReadSavedSessions(path, until);
    ASSERT_EQ(found.rows.size(), 1u);
    EXPECT_EQ(found.rows[0].caption, "10.02.2021 19:51:20");
    EXPECT_EQ(found.rows[0].subItems, (std::vector<std::string>{"PRAIVACYMATRIX\\anit.ghosh", "LOCAL"}));
    // Every record goes past the progress callback; a Security log holds no session logons.
    std::size_t seen = 0;
    SavedSessionQuery counting = Query(0);
    counting.perRecord = [&] {
        ++seen;
        return true;
    };
    EXPECT_TRUE(ReadSavedSessions(cli::test::SamplePath("sbousseaden-DE_RDP_Tunneling_4624.evtx"), counting)
                    .rows.empty());

    // A stop asked for part way keeps the rows so far and is no error.
    std::size_t left = 3;
    SavedSessionQuery stopping = Query(0);
    stopping.perRecord = [&] { return left-- > 0; };
    const SavedSessions stopped = ReadSavedSessions(cli::test::SamplePath("rathbun-win11-LSM-Operational.evtx"), stopping);
    EXPECT_EQ(stopped.error, 0u);
    EXPECT_LE(stopped.rows.size(), 3u);
    EXPECT_EQ(seen, 18u);
}

TEST(SavedSessions, AFileThatCannotBeReadGivesItsError)
{
    const SavedSessions missing = ReadSavedSessions(cli::test::PathText(tav::test::SamplesFolder() / "none.evtx"), Query(0));
    EXPECT_EQ(missing.error, kErrorFileNotFound);
    EXPECT_EQ(missing.errorText, "none.evtx does not exist.");
    const SavedSessions notEvtx = ReadSavedSessions(cli::test::SamplePath("README.md"), Query(0));
    EXPECT_EQ(notEvtx.error, kErrorEventlogFileCorrupt);
    EXPECT_EQ(notEvtx.errorText, "README.md is not an event log file (.evtx).");
    EXPECT_TRUE(notEvtx.rows.empty());
}

}  // namespace
}  // namespace tav::tsquery
