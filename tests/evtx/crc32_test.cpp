// The CRC-32 in use (folded where the processor can) against the table
// version: same value for every length, alignment, running state and real
// chunk; and zlib's values for known inputs.
#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "base/bytes.h"
#include "evtx/crc32.h"
#include "test_files.h"

namespace tav::evtx {
namespace {

std::span<const std::uint8_t> Span(const std::string& s)
{
    return {reinterpret_cast<const std::uint8_t*>(s.data()), s.size()};
}

TEST(Crc32, ZlibValuesOfKnownInputs)
{
    std::string bytes256;
    for (int i = 0; i < 1024; ++i)
        bytes256 += static_cast<char>(i & 0xFF);
    const struct {
        std::string input;
        std::uint32_t crc;
    } kKnown[] = {
        {"", 0},
        {"a", 0xE8B7BE43u},
        {"123456789", 0xCBF43926u},
        {std::string(65536, '\0'), 0xD7978EEBu},
        {std::string(65536, '\xFF'), 0xDEAB7E4Eu},
        {bytes256, 0xB70B4C26u},
    };
    for (const auto& k : kKnown) {
        SCOPED_TRACE(k.input.size());
        EXPECT_EQ(Crc32(Span(k.input)), k.crc);
        EXPECT_EQ(Crc32Table(Span(k.input)), k.crc);
    }
}

// Random bytes of each length at each start alignment, from a fresh and a
// running state; then splits of one buffer, continued across the split.
TEST(Crc32, AgreesWithTablesOnAnyLengthAlignmentAndState)
{
    std::mt19937 random(20240611);
    std::vector<std::uint8_t> buffer((1u << 20) + 64);
    for (auto& b : buffer)
        b = static_cast<std::uint8_t>(random());
    std::vector<std::size_t> lengths(301);
    std::iota(lengths.begin(), lengths.end(), 0);
    lengths.insert(lengths.end(), {1000, 4096, 65536 - 512 - 3, 65536, (1u << 20) + 17});
    for (std::size_t length : lengths)
        for (std::size_t align = 0; align < 16; ++align)
            for (std::uint32_t state : {0u, 0xFFFFFFFFu, static_cast<std::uint32_t>(random())}) {
                const std::span<const std::uint8_t> bytes(buffer.data() + align, length);
                ASSERT_EQ(Crc32(bytes, state), Crc32Table(bytes, state))
                    << "length " << length << " align " << align << " state " << state;
            }

    const std::span<const std::uint8_t> whole(buffer.data() + 3, 5000);
    const std::uint32_t expected = Crc32Table(whole);
    for (std::size_t split = 0; split <= whole.size(); split += split < 300 ? 1 : 97)
        ASSERT_EQ(Crc32(whole.subspan(split), Crc32(whole.first(split))), expected) << "split " << split;
}

// Each 64 KiB chunk of the sample logs, whole and its data after the chunk
// header (the part whose checksum the reader checks), which must also match
// the stored checksum on most chunks.
TEST(Crc32, AgreesWithTablesOnEverySampleChunk)
{
    std::size_t chunksWithData = 0;
    std::size_t storedMatches = 0;
    for (const auto& entry : std::filesystem::directory_iterator(tav::test::SamplesFolder())) {
        if (entry.path().extension() != ".evtx")
            continue;
        SCOPED_TRACE(entry.path().filename().string());
        const std::vector<std::uint8_t> file = test::ReadBytes(entry.path());
        for (std::size_t at = kFileHeaderSize; at + kChunkHeaderSize <= file.size(); at += 65536) {
            const auto chunk = std::span(file).subspan(at, std::min<std::size_t>(65536, file.size() - at));
            EXPECT_EQ(Crc32(chunk), Crc32Table(chunk)) << "chunk at " << at;
            const std::size_t dataEnd = std::clamp<std::size_t>(LoadU32(chunk.data() + 48), kChunkHeaderSize,
                                                                chunk.size());
            const auto data = chunk.subspan(kChunkHeaderSize, dataEnd - kChunkHeaderSize);
            EXPECT_EQ(Crc32(data), Crc32Table(data)) << "chunk at " << at;
            chunksWithData += !data.empty();
            storedMatches += !data.empty() && Crc32(data) == LoadU32(chunk.data() + 52);
        }
    }
    EXPECT_GT(chunksWithData, 50u);
    EXPECT_GT(storedMatches, chunksWithData / 2);
}

}  // namespace
}  // namespace tav::evtx
