#include "seclog/memory_source.h"

#include <gtest/gtest.h>

#include "test_records.h"

namespace tav::seclog {
namespace {

// Record numbers of the records in the first `bytesRead` bytes of `buffer`.
std::vector<std::uint32_t> Numbers(const std::vector<std::uint8_t>& buffer,
                                   std::uint32_t bytesRead)
{
    std::vector<std::uint32_t> numbers;
    RecordWalker walker(std::span<const std::uint8_t>(buffer).first(bytesRead));
    RecordView view;
    while (walker.Next(view) == WalkStep::Record)
        numbers.push_back(view.recordNumber);
    return numbers;
}

// Records 1..5 of 16 strings each (same size), the 4th with a long string.
std::shared_ptr<MemoryLog> FiveRecords()
{
    auto log = std::make_shared<MemoryLog>();
    for (std::uint32_t n = 1; n <= 5; ++n)
        log->Add(test::OtherEvent(n, 1000 + n, 4672, 16, n == 4 ? 400 : 4));
    return log;
}

std::size_t SizeOf(const LegacyRecord& record) { return test::Encoded(record).size(); }

TEST(MemorySource, ReadsWholeRecordsNewestFirstUntilTheEnd)
{
    const auto log = FiveRecords();
    const std::size_t small = SizeOf(test::OtherEvent(1, 0, 4672, 16, 4));
    MemorySource source(log);
    std::vector<std::uint8_t> buffer(2 * small + 1);

    ReadResult read = source.ReadNext(buffer);
    ASSERT_TRUE(read.ok);
    EXPECT_EQ(Numbers(buffer, read.bytesRead), (std::vector<std::uint32_t>{5}));
    // Record 4 does not fit: the size it needs, then the rest with room for it.
    read = source.ReadNext(buffer);
    EXPECT_FALSE(read.ok);
    EXPECT_EQ(read.error, kErrorInsufficientBuffer);
    EXPECT_EQ(read.bytesNeeded, SizeOf(test::OtherEvent(4, 0, 4672, 16, 400)));
    buffer.resize(read.bytesNeeded + 2 * small);
    read = source.ReadNext(buffer);
    ASSERT_TRUE(read.ok);
    EXPECT_EQ(Numbers(buffer, read.bytesRead), (std::vector<std::uint32_t>{4, 3, 2}));
    read = source.ReadNext(buffer);
    EXPECT_EQ(Numbers(buffer, read.bytesRead), (std::vector<std::uint32_t>{1}));
    for (int i = 0; i < 2; ++i) {
        read = source.ReadNext(buffer);
        EXPECT_FALSE(read.ok);
        EXPECT_EQ(read.error, kErrorHandleEof);
    }
    EXPECT_EQ(source.ReadCount(), 6u);
}

TEST(MemorySource, SeekReadsForwardsFromARecordNumber)
{
    const auto log = FiveRecords();
    const std::size_t small = SizeOf(test::OtherEvent(1, 0, 4672, 16, 4));
    MemorySource source(log);
    std::vector<std::uint8_t> buffer(4 * small);

    ReadResult read = source.ReadRecord(2, buffer);
    ASSERT_TRUE(read.ok);
    EXPECT_EQ(Numbers(buffer, read.bytesRead), (std::vector<std::uint32_t>{2, 3}));
    read = source.ReadRecord(4, buffer);
    EXPECT_EQ(read.error, kErrorInsufficientBuffer);
    read = source.ReadRecord(6, buffer);
    EXPECT_FALSE(read.ok);
    EXPECT_EQ(read.error, kErrorInvalidParameter);
    // Seek reads leave the sequential position alone.
    read = source.ReadNext(buffer);
    EXPECT_EQ(Numbers(buffer, read.bytesRead), (std::vector<std::uint32_t>{5}));
}

TEST(MemorySource, EmptyUnitsAndEmptyBuffersCopyNothing)
{
    // A log of nothing but an empty unit holds no bytes at all, so its data
    // pointer is null; an empty buffer's may be too.
    auto log = std::make_shared<MemoryLog>();
    log->AddRaw({});
    for (const std::size_t size : {std::size_t{0}, std::size_t{16}}) {
        SCOPED_TRACE(size);
        MemorySource source(log);
        std::vector<std::uint8_t> buffer(size);
        const auto reads = {&MemorySource::ReadNext, &MemorySource::ReadNextOldestFirst};
        for (const auto read : reads) {
            const ReadResult result = (source.*read)(buffer);
            EXPECT_TRUE(result.ok);
            EXPECT_EQ(result.bytesRead, 0u);
        }
    }
}

TEST(MemorySourceOpener, RefusesServersAndCountsOpensAndCloses)
{
    MemorySourceOpener opener(FiveRecords());
    opener.Refuse("\\\\far", 1722);
    std::uint32_t error = 0;
    EXPECT_EQ(opener.Open("\\\\far", "security", error), nullptr);
    EXPECT_EQ(error, 1722u);
    EXPECT_EQ(opener.Opens(), 0u);

    opener.FailRead({1, kErrorEventlogFileCorrupt});
    {
        auto first = opener.Open("", "security", error);
        auto second = opener.Open("near", "security", error);
        ASSERT_NE(first, nullptr);
        std::vector<std::uint8_t> buffer(100000);
        EXPECT_EQ(first->ReadNext(buffer).error, kErrorEventlogFileCorrupt);
        EXPECT_EQ(opener.Opens(), 2u);
        EXPECT_EQ(opener.Closes(), 0u);
        EXPECT_EQ(opener.LastServer(), "near");
        EXPECT_EQ(opener.LastLog(), "security");
    }
    EXPECT_EQ(opener.Closes(), 2u);
}

}  // namespace
}  // namespace tav::seclog
