// CRC-32 over 64 KiB pieces, as the reader checks chunks: the table and the
// folded version, on one piece kept in cache and on 256 MiB streamed from
// memory, with a plain read of the same bytes as the memory's pace.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "evtx/crc32.h"

namespace tav::evtx {
namespace {

constexpr std::size_t kPiece = 65536;

const std::vector<std::uint8_t>& Bytes(std::size_t size)
{
    static std::vector<std::uint8_t> bytes;
    if (bytes.size() < size) {
        bytes.resize(size);
        for (std::size_t i = 0; i < size; ++i)
            bytes[i] = static_cast<std::uint8_t>(i * 2654435761u >> 13);
    }
    return bytes;
}

template <std::uint32_t (*F)(std::span<const std::uint8_t>, std::uint32_t)>
void BM_Pieces(benchmark::State& state)
{
    const auto size = static_cast<std::size_t>(state.range(0));
    const std::uint8_t* bytes = Bytes(size).data();
    for (auto _ : state)
        for (std::size_t at = 0; at < size; at += kPiece)
            benchmark::DoNotOptimize(F({bytes + at, kPiece}, 0));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

std::uint32_t Read(std::span<const std::uint8_t> bytes, std::uint32_t sum)
{
    for (std::size_t i = 0; i < bytes.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes.data() + i, 8);
        sum ^= static_cast<std::uint32_t>(word ^ (word >> 32));
    }
    return sum;
}

constexpr std::int64_t kStreamed = 256 << 20;
BENCHMARK_TEMPLATE(BM_Pieces, Crc32Table)->Arg(kPiece)->Arg(kStreamed);
BENCHMARK_TEMPLATE(BM_Pieces, Crc32)->Arg(kPiece)->Arg(kStreamed);
BENCHMARK_TEMPLATE(BM_Pieces, Read)->Arg(kPiece)->Arg(kStreamed);

}  // namespace
}  // namespace tav::evtx

BENCHMARK_MAIN();
