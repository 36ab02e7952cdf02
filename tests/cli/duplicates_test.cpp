// Records read twice are found whether a chunk's spans settle it or its
// records' own marks must.
#include <gtest/gtest.h>

#include "cli/duplicates.h"

namespace tav::cli {
namespace {

TEST(SeenRecords, CopiesArePassedOverRecordByRecordOnlyWhereAnEarlierInputMayHoldThem)
{
    struct Read {
        const char* computer;
        std::uint64_t id;
        std::int64_t time;
        std::uint32_t event;
    };
    const struct {
        int input;
        std::vector<Read> chunk;
        std::string twice;  // one letter a record, "x" read twice
    } chunks[] = {
        {1, {{"PC1.corp", 1, 100, 4624}, {"PC1.corp", 2, 101, 4634}, {"PC1.corp", 3, 102, 4624}}, "..."},
        {1, {{"PC1.corp", 4, 103, 4624}, {"PC2", 4, 103, 4624}}, ".."},
        // The copy: the same ids, times and events; another event, time or computer is no copy.
        {2, {{"pc1", 2, 101, 4634}, {"PC1", 3, 102, 4625}, {"PC1", 4, 109, 4624}, {"PC3", 4, 103, 4624}}, "x..."},
        {2, {{"PC1", 1, 100, 4624}, {"PC2", 5, 104, 4624}, {"PC1", 5, 104, 4624}}, "x.."},
        {2, {{"PC2", 6, 106, 4624}}, "."},
        // The second input's records past the first's, settled by spans, count as read.
        {3, {{"PC1", 5, 104, 4624}, {"PC2", 6, 106, 4624}, {"PC1", 6, 105, 4624}}, "xx."},
    };
    SeenRecords seen;
    int input = 1;
    for (const auto& c : chunks) {
        if (c.input != input) {
            seen.EndInput();
            input = c.input;
        }
        evtx::ChunkRecords records;
        evtx::Record record;
        record.channel = "Security";
        for (const Read& r : c.chunk) {
            record.computer = r.computer;
            record.eventRecordId = r.id;
            record.timeCreated = r.time;
            record.eventId = r.event;
            records.Mark(record, 0, 0);
        }
        const std::vector<bool> twice = seen.Twice(records);
        std::string got;
        for (std::size_t i = 0; i < c.chunk.size(); ++i)
            got += !twice.empty() && twice[i] ? 'x' : '.';
        EXPECT_EQ(got, c.twice) << "input " << c.input << ", record id " << c.chunk.front().id;
    }
}

}  // namespace
}  // namespace tav::cli
