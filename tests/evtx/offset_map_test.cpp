// The table a chunk's walk finds its names and templates in: what one chunk
// put there is found until the next chunk begins, however much it grew.
#include <gtest/gtest.h>

#include "evtx/offset_map.h"

namespace tav::evtx {
namespace {

TEST(EvtxOffsetMap, FindsWhatThisChunkAddedAndNothingOlder)
{
    OffsetMap<std::uint32_t> map;
    EXPECT_EQ(map.Find(0), nullptr);
    // Offsets of every alignment, more than the first slots hold, and a
    // second chunk where only some come again.
    for (const std::uint32_t step : {1u, 2u, 8u, 4096u}) {
        SCOPED_TRACE(step);
        for (std::uint32_t round = 0; round < 2; ++round) {
            map.Clear();
            const std::uint32_t count = round == 0 ? 1000 : 10;
            for (std::uint32_t i = 0; i < count; ++i)
                map.Add(i * step, i * step + round);
            EXPECT_EQ(map.Size(), count);
            for (std::uint32_t i = 0; i < 1000; ++i) {
                const std::uint32_t* found = map.Find(i * step);
                ASSERT_EQ(found != nullptr, i < count) << i;
                if (found) {
                    EXPECT_EQ(*found, i * step + round);
                }
            }
        }
    }
}

}  // namespace
}  // namespace tav::evtx
