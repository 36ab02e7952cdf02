#include "evtx/crc32.h"

#include <array>

#include "base/bytes.h"

namespace tav::evtx {
namespace {

// Slice-by-16 tables: a chunk's 64 KiB are checked at memory speed.
constexpr std::size_t kSlices = 16;
using Tables = std::array<std::array<std::uint32_t, 256>, kSlices>;

constexpr Tables MakeTables()
{
    Tables t{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        t[0][i] = c;
    }
    for (std::size_t i = 0; i < 256; ++i)
        for (std::size_t s = 1; s < kSlices; ++s)
            t[s][i] = (t[s - 1][i] >> 8) ^ t[0][t[s - 1][i] & 0xFF];
    return t;
}

constexpr Tables kTables = MakeTables();

std::uint32_t Fold(std::uint32_t word, std::size_t slice)
{
    return kTables[slice + 3][word & 0xFF] ^ kTables[slice + 2][(word >> 8) & 0xFF] ^
           kTables[slice + 1][(word >> 16) & 0xFF] ^ kTables[slice][word >> 24];
}

}  // namespace

std::uint32_t Crc32(std::span<const std::uint8_t> bytes, std::uint32_t crc)
{
    crc = ~crc;
    const std::uint8_t* p = bytes.data();
    std::size_t n = bytes.size();
    while (n >= kSlices) {
        crc = Fold(crc ^ LoadU32(p), 12) ^ Fold(LoadU32(p + 4), 8) ^ Fold(LoadU32(p + 8), 4) ^
              Fold(LoadU32(p + 12), 0);
        p += kSlices;
        n -= kSlices;
    }
    while (n-- > 0)
        crc = kTables[0][(crc ^ *p++) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

}  // namespace tav::evtx
