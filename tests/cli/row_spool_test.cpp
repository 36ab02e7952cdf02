// The spool's order is the same whether its rows stay in memory or go
// through sorted runs on disk.
#include <gtest/gtest.h>

#include "cli/files.h"
#include "cli/row_spool.h"

namespace tav::cli {
namespace {

std::string Spooled(std::size_t budget, std::size_t& count)
{
    RowSpool spool(budget);
    std::string error;
    // Groups ascending, times descending, ties ascending, records descending, equal keys in order.
    const struct {
        SpoolKey key;
        const char* text;
    } rows[] = {
        {{2, 10, 1}, "g2-t10"}, {{1, 5, 7}, "g1-t5-r7"}, {{1, 9, 3}, "g1-t9"}, {{1, 5, 8}, "g1-t5-r8"},
        {{1, 5, 7}, "g1-t5-r7-second"}, {{1, -3, 1}, "g1-negative"}, {{2, 11, 0}, "g2-t11"}, {{1, 9, 3}, "g1-t9-again"},
        {{3, 1, 9, "b"}, "g3-b"}, {{3, 1, 1, "a"}, "g3-a"}, {{3, 2, 0, "z"}, "g3-t2"},
    };
    for (const auto& row : rows)
        EXPECT_TRUE(spool.Add(row.key, {row.text, std::string("Ж")}, error)) << error;
    EXPECT_EQ(spool.Widths(), (std::vector<std::size_t>{15, 1}));
    std::string order;
    std::string bytes;
    while (spool.Next(bytes, error)) {
    }
    ScratchReader in(bytes);
    for (std::vector<std::string_view> cells; ReadRowCells(in, cells);)
        (order += cells[0]) += " ";
    EXPECT_EQ(error, "");
    count = spool.Count();
    return order;
}

TEST(RowSpool, SameOrderInMemoryAndThroughFiles)
{
    const std::string expected =
        "g1-t9 g1-t9-again g1-t5-r8 g1-t5-r7 g1-t5-r7-second g1-negative g2-t11 g2-t10 g3-t2 g3-a g3-b ";
    std::size_t count = 0;
    EXPECT_EQ(Spooled(std::size_t{1} << 20, count), expected);
    for (const std::size_t budget : {0u, 200u, 400u}) {
        EXPECT_EQ(Spooled(budget, count), expected) << budget;
        EXPECT_EQ(count, 11u);
    }
}

}  // namespace
}  // namespace tav::cli

#include "cli/record_merge.h"

namespace tav::cli {
namespace {

// Logs merged by time, each in its own order (a clock set back stays where
// the log has it), ties by channel then record; the same from memory and
// from scratch files.
TEST(RecordMerge, EarliestNextRecordOfEachLog)
{
    const auto record = [](std::uint64_t ticks, const char* channel, std::uint64_t id) {
        evtx::Record r;
        r.createdTicks = ticks;
        r.channel = channel;
        r.recordId = id;
        r.computer = "PC1";
        r.strings = {channel};
        r.worked = id + 100;
        return r;
    };
    const char* lsm = "Microsoft-Windows-TerminalServices-LocalSessionManager/Operational";
    const std::vector<std::vector<evtx::Record>> logs = {
        {record(10, lsm, 1), record(30, lsm, 2), record(20, lsm, 3), record(40, lsm, 4)},
        {record(10, "Security", 9), record(30, "System", 5), record(35, "Security", 6)},
        {record(5, lsm, 7), record(40, "Security", 8)},
    };
    // From memory or scratch files; the last log's records waiting or going
    // on as they come; merged on the caller's thread or ahead on another.
    const auto merged = [](const std::vector<std::vector<evtx::Record>>& inputs, std::size_t budget,
                           bool streamLast, bool ahead) {
        std::string order;
        RecordMerge merge(
            [&](const evtx::Record& r) {
                order += std::to_string(r.recordId) + " ";
                EXPECT_EQ(r.worked, r.recordId + 100);
            },
            ahead, budget);
        std::string error;
        for (std::size_t i = 0; i < inputs.size(); ++i) {
            merge.BeginInput("log" + std::to_string(i), streamLast && i + 1 == inputs.size());
            for (evtx::Record r : inputs[i])
                EXPECT_TRUE(merge.Add(std::move(r), error)) << error;
        }
        EXPECT_TRUE(merge.Finish(error)) << error;
        return order;
    };
    // Enough records for many of the batches that a merge ahead hands over.
    std::vector<std::vector<evtx::Record>> many(5);
    for (std::uint64_t id = 1; id <= 6000; ++id)
        many[id % 5].push_back(record(id * 7919 % 1000, id % 3 == 0 ? lsm : "Security", id));
    for (const std::size_t budget : {std::size_t{0}, std::size_t{1} << 20}) {
        for (const bool streamLast : {false, true}) {
            for (const bool ahead : {false, true}) {
                EXPECT_EQ(merged(logs, budget, streamLast, ahead), "7 9 1 5 2 3 6 8 4 ") << budget << streamLast;
                EXPECT_EQ(merged(many, budget, streamLast, ahead), merged(many, budget, false, false));
            }
        }
    }
}

}  // namespace
}  // namespace tav::cli
