#include "base/row_store.h"

#include <gtest/gtest.h>

namespace tav {
namespace {

TEST(RowStore, HoldsCaptionsAndSubItemsInOrder)
{
    RowStore store;
    store.Append({"1", {"a", "b"}});
    store.Append({"2", {}});
    ASSERT_EQ(store.Count(), 2u);
    EXPECT_EQ(store.Row(0).Text(0), "1");
    EXPECT_EQ(store.Row(0).Text(2), "b");
    // A column the row does not have reads as empty text.
    EXPECT_EQ(store.Row(1).Text(1), "");
    EXPECT_EQ(store.Row(0).Text(9), "");
    store.SetCaption(1, "edited");
    EXPECT_EQ(store.Row(1).caption, "edited");
    store.Clear();
    EXPECT_EQ(store.Count(), 0u);
    EXPECT_THROW(store.Row(0), std::out_of_range);
}

TEST(RowStore, HundredThousandRowsKeepTheirTexts)
{
    RowStore store;
    for (int i = 0; i < 100000; ++i)
        store.Append({std::to_string(i), {"user" + std::to_string(i), "host", "type"}});
    ASSERT_EQ(store.Count(), 100000u);
    EXPECT_EQ(store.Row(99999).caption, "99999");
    EXPECT_EQ(store.Row(54321).Text(1), "user54321");
}

}  // namespace
}  // namespace tav
